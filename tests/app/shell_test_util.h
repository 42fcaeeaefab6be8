// A shell over a fake view and a scratch Working folder, with the options
// stored in the scratch folder.
#pragma once

#include <string>
#include <string_view>

#include "app/shell.h"
#include "charset/codepage.h"
#include "fake_view.h"
#include "support/temp_dir.h"

namespace folian::app {

inline std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }

// A runner that keeps the background work until the test runs it.
struct DeferredRunner : TaskRunner {
  BackgroundWork work;
  void Run(BackgroundWork w) override { work = std::move(w); }
  void Post(Continuation c) override { c(); }
  void PostAndWait(Continuation c) override { c(); }
};

struct ShellFixture {
  testing::TempDir dir;
  testing::TempDir config;
  FakeView view;
  InlineTaskRunner runner;
  Shell shell{view, runner, tidy::TidyOptions::AtStart(), config / "folian.ini"};

  void Write(std::string_view name, std::string_view bytes) {
    testing::WriteBytes(dir / name, bytes);
  }
  std::string Read(std::string_view name) { return testing::ReadBytes(dir / name); }
  // Puts a non-empty folder where the file was: no write can replace it,
  // whoever runs the test.
  void BlockWrites(std::string_view name) {
    std::filesystem::remove(dir / name);
    std::filesystem::create_directories(dir / name / "keep");
  }
  void Open() {
    shell.Start();
    shell.OpenFolder(dir.path());
  }
};

}  // namespace folian::app
