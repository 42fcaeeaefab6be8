// A shell over a fake view and a scratch Working folder, with the options
// stored in the scratch folder.
#pragma once

#include <deque>
#include <string>
#include <string_view>

#include "app/shell.h"
#include "charset/codepage.h"
#include "fake_view.h"
#include "support/temp_dir.h"

namespace folian::app {

inline std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }

// Keeps work until the test runs it, as a worker that has not finished yet.
struct HeldRunner : TaskRunner {
  std::deque<BackgroundWork> held;
  void Run(BackgroundWork work) override { held.push_back(std::move(work)); }
  void Post(Continuation c) override { c(); }
  void PostAndWait(Continuation c) override { c(); }
  void RunAll() {
    while (!held.empty()) {
      BackgroundWork work = std::move(held.front());
      held.pop_front();
      if (Continuation done = work()) done();
    }
  }
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
