// A Main window over a scratch folder, answered by a TestPrompter, with its
// options stored in the scratch folder.
#pragma once

#include <QAbstractButton>
#include <QTest>
#include <filesystem>
#include <memory>

#include "app/control_ids.h"
#include "charset/codepage.h"
#include "gbk_editor.h"
#include "main_window.h"
#include "support/temp_dir.h"
#include "test_prompter.h"

inline std::string G(const char* utf8) { return folian::charset::Utf8ToGbk(utf8); }

struct WindowFixture {
  folian::testing::TempDir dir;
  folian::testing::TempDir config;
  TestPrompter prompter;
  std::unique_ptr<MainWindow> window;

  WindowFixture() {
    window = std::make_unique<MainWindow>(folian::tidy::TidyOptions::AtStart(),
                                          config / "folian.ini", &prompter);
    window->shell().Start();
  }
  void write(const char* name, const std::string& bytes) { folian::testing::WriteBytes(dir / name, bytes); }
  std::string read(const char* name) { return folian::testing::ReadBytes(dir / name); }
  QAbstractButton* button(folian::app::ControlId id) {
    return qobject_cast<QAbstractButton*>(window->control(id));
  }
  // Chooses the scratch folder through the browse button and waits for the scan.
  bool openFolder() {
    prompter.folder = QString::fromStdString(dir.path().string());
    button(folian::app::kBrowse)->click();
    return QTest::qWaitFor([&] { return window->idle(); }, 5000);
  }
};
