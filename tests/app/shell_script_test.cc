// The script conversion command: a worker run with the progress bar, which
// a stop leaves without effect, and a message when the dictionaries are
// missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "app/messages.h"
#include "shell_test_util.h"

namespace folian::app {
namespace {

class ScriptCommand : public ::testing::Test, public ShellFixture {
 protected:
  // A shell whose workers wait for the test, over a folder with a.txt open.
  Shell& Deferred(const std::string& body) {
    Write("a.txt", body);
    deferred_shell_ = std::make_unique<Shell>(view, deferred, tidy::TidyOptions::AtStart(), config / "folian.ini");
    deferred_shell_->OpenFolder(dir.path());
    deferred.RunAll();
    return *deferred_shell_;
  }
  HeldRunner deferred;
  std::unique_ptr<Shell> deferred_shell_;
};

TEST_F(ScriptCommand, RunsOnAWorkerWithTheProgressBar) {
  Shell& s = Deferred(G("简体中文，头发。"));
  s.ConvertScript(0);
  EXPECT_TRUE(s.busy());
  EXPECT_TRUE(view.progress_visible);
  EXPECT_EQ(view.status[kStatusMessage], msg::kScriptConverting);
  for (ControlId id : AllControls()) EXPECT_FALSE(view.IsEnabled(id)) << id;
  EXPECT_FALSE(view.editor_enabled);
  EXPECT_EQ(view.editor, G("简体中文，头发。"));  // nothing changes before the worker ends

  deferred.RunAll();
  EXPECT_FALSE(s.busy());
  EXPECT_FALSE(view.progress_visible);
  EXPECT_EQ(*std::max_element(view.progress_positions.begin(), view.progress_positions.end()), 100);
  EXPECT_EQ(view.status[kStatusMessage], "");
  EXPECT_EQ(view.editor, G("簡體中文，頭髮。"));
  EXPECT_EQ(view.LastMessage(), msg::kScriptConverted);
  EXPECT_EQ(Read("a.txt"), G("简体中文，头发。"));
  EXPECT_TRUE(view.IsEnabled(kTidy));
}

TEST_F(ScriptCommand, StoppedConversionLeavesTheEditorAsItWas) {
  Shell& s = Deferred(G("简体中文"));
  s.ConvertScript(0);
  s.RequestStop();
  view.messages.clear();
  deferred.RunAll();
  EXPECT_FALSE(s.busy());
  EXPECT_FALSE(view.progress_visible);
  EXPECT_EQ(view.editor, G("简体中文"));
  EXPECT_TRUE(view.messages.empty()) << view.LastMessage();
  // The stop belonged to that run.
  s.ConvertScript(0);
  deferred.RunAll();
  EXPECT_EQ(view.editor, G("簡體中文"));
}

TEST_F(ScriptCommand, MissingDictionariesAreReportedAndChangeNothing) {
  Write("a.txt", G("简体"));
  Open();
  // A folder without dictionaries: nothing loaded from it before.
  ::setenv("FOLIAN_OPENCC_DATA_DIR", (config / "no-opencc").c_str(), 1);
  shell.ConvertScript(0);
  const std::string message = view.LastMessage();
  const std::string editor = view.editor;
  // An empty text needs no dictionary.
  view.editor.clear();
  shell.ConvertScript(3);
  const std::string empty_message = view.LastMessage();
  ::unsetenv("FOLIAN_OPENCC_DATA_DIR");

  EXPECT_EQ(message.rfind(msg::kScriptFailed, 0), 0u) << message;
  EXPECT_NE(message.find("STPhrases.ocd2"), std::string::npos) << message;
  EXPECT_EQ(view.messages[view.messages.size() - 2].icon, MessageIcon::kError);
  EXPECT_EQ(editor, G("简体"));
  EXPECT_EQ(empty_message, msg::kScriptConverted);
  EXPECT_FALSE(shell.busy());
}

}  // namespace
}  // namespace folian::app
