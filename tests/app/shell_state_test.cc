// Ready, Busy and the reduced states, the batch box and the common patterns.
#include <gtest/gtest.h>

#include "app/common_patterns.h"
#include "shell_test_util.h"

namespace folian::app {
namespace {

class MainWindowState : public ::testing::Test, public ShellFixture {};

TEST_F(MainWindowState, AtStartAndInAnEmptyFolderOnlyCommandsWithoutFilesAreEnabled) {
  shell.Start();
  for (ControlId id : AllControls()) {
    EXPECT_EQ(view.IsEnabled(id), Contains(EmptyFolderControls(), id)) << id;
  }
  EXPECT_TRUE(view.editor_enabled);
  Write("notes.doc", "x");
  shell.OpenFolder(dir.path());
  EXPECT_TRUE(shell.file_list().empty());
  for (ControlId id : AllControls()) {
    EXPECT_EQ(view.IsEnabled(id), Contains(EmptyFolderControls(), id)) << id;
  }
  EXPECT_EQ(view.editor, "");
  // The batch box on an empty list enables the encoding buttons.
  shell.SetBatchMode(true);
  EXPECT_TRUE(shell.batch_mode());
  EXPECT_TRUE(view.IsEnabled(kConvertAnsi));
  EXPECT_TRUE(view.IsEnabled(kConvertUnicode));
  EXPECT_TRUE(view.IsEnabled(kConvertUtf8));
}

TEST_F(MainWindowState, FolderWithFilesIsReadyExceptNextAndClipboardButtons) {
  Write("a.txt", "hello");
  Open();
  for (ControlId id : AllControls()) {
    if (id == kConvertAnsi || id == kConvertUnicode || id == kConvertUtf8) continue;
    EXPECT_EQ(view.IsEnabled(id), !Contains(ReadyExceptions(), id)) << id;
  }
  EXPECT_FALSE(shell.busy());
  EXPECT_TRUE(view.editor_enabled);
}

TEST_F(MainWindowState, TidyRunsBusyAndComesBackReady) {
  Write("a.txt", G("第一章\r\n正文。\r\n"));
  Open();
  // A runner that keeps the work: the shell must be Busy until it is run.
  HeldRunner deferred;
  Shell busy_shell(view, deferred, tidy::TidyOptions::AtStart(), config / "folian.ini");
  busy_shell.OpenFolder(dir.path());
  deferred.RunAll();
  busy_shell.Tidy();
  EXPECT_TRUE(busy_shell.busy());
  for (ControlId id : AllControls()) EXPECT_FALSE(view.IsEnabled(id)) << id;
  EXPECT_FALSE(view.editor_enabled);
  EXPECT_FALSE(busy_shell.Close()) << "closing while a worker writes the file is refused";
  deferred.RunAll();
  EXPECT_FALSE(busy_shell.busy());
  EXPECT_TRUE(view.IsEnabled(kTidy));
  EXPECT_FALSE(view.IsEnabled(kFindNext));
}

TEST_F(MainWindowState, StoppedTidyLeavesTheFileAndComesBackReady) {
  const std::string body = G("第一章\r\n  正文。\r\n");
  Write("a.txt", body);
  HeldRunner deferred;
  Shell stopping(view, deferred, tidy::TidyOptions::AtStart(), config / "folian.ini");
  stopping.OpenFolder(dir.path());
  deferred.RunAll();
  stopping.Tidy();
  stopping.RequestStop();
  view.messages.clear();
  deferred.RunAll();
  EXPECT_FALSE(stopping.busy());
  EXPECT_TRUE(view.IsEnabled(kTidy));
  EXPECT_TRUE(view.messages.empty()) << view.LastMessage();
  EXPECT_EQ(Read("a.txt"), body);
  // The stop belonged to that run: the next one tidies.
  stopping.Tidy();
  deferred.RunAll();
  ASSERT_FALSE(view.messages.empty());
  EXPECT_EQ(view.messages.back().caption, "处理完成");
}

TEST_F(MainWindowState, EncodingButtonsFollowTheDocumentsClass) {
  Write("a.txt", "plain ascii");
  Write("b.txt", "\xEF\xBB\xBFutf8 " + charset::GbkToUtf8(G("中文")));
  Write("c.txt", std::string("\xFF\xFE" "a\0b\0", 6));
  Open();
  EXPECT_FALSE(view.IsEnabled(kConvertAnsi));
  EXPECT_TRUE(view.IsEnabled(kConvertUnicode));
  EXPECT_TRUE(view.IsEnabled(kConvertUtf8));
  shell.ClickRow(1);
  EXPECT_TRUE(view.IsEnabled(kConvertAnsi));
  EXPECT_TRUE(view.IsEnabled(kConvertUnicode));
  EXPECT_FALSE(view.IsEnabled(kConvertUtf8));
  shell.ClickRow(2);
  EXPECT_TRUE(view.IsEnabled(kConvertAnsi));
  EXPECT_FALSE(view.IsEnabled(kConvertUnicode));
  EXPECT_TRUE(view.IsEnabled(kConvertUtf8));
}

TEST_F(MainWindowState, BatchBoxChecksAndSelectsEveryRow) {
  Write("a.txt", "a");
  Write("b.txt", "b");
  Open();
  shell.SetBatchMode(true);
  for (const FileRow& r : shell.file_list().rows()) {
    EXPECT_TRUE(r.checked);
    EXPECT_TRUE(r.selected);
  }
  EXPECT_TRUE(view.IsEnabled(kConvertAnsi));
  EXPECT_TRUE(view.IsEnabled(kConvertUnicode));
  EXPECT_TRUE(view.IsEnabled(kConvertUtf8));
  shell.SetBatchMode(false);
  for (const FileRow& r : shell.file_list().rows()) EXPECT_FALSE(r.checked);
  EXPECT_FALSE(view.IsEnabled(kConvertAnsi)) << "an ANSI document after the reload";
}

TEST_F(MainWindowState, StarredCommandsInBatchModeGoToTheBatchRunner) {
  Write("a.txt", "a");
  Open();
  std::vector<BatchCommand> seen;
  shell.SetBatchRunner([&](BatchCommand c) { seen.push_back(c); });
  shell.SetBatchMode(true);
  view.fields[kFindField] = "a";
  shell.Find();
  shell.ReplaceAll();
  shell.Tidy();
  shell.ConvertEncoding(text::EncodingCommand::kToUtf8);
  EXPECT_EQ(seen, (std::vector<BatchCommand>{BatchCommand::kFind, BatchCommand::kReplaceAll,
                                             BatchCommand::kTidy, BatchCommand::kToUtf8}));
  EXPECT_EQ(Read("a.txt"), "a") << "nothing acted on the Current document";
}

TEST_F(MainWindowState, AdPatternDisablesReplaceAllUntilAnotherIsChosen) {
  Write("a.txt", "a");
  Open();
  shell.SelectCommonPattern(kAdPatternItem);
  EXPECT_FALSE(view.IsEnabled(kReplaceAll));
  EXPECT_TRUE(view.checked[kRegexMode]);
  EXPECT_EQ(view.fields[kFindField], CommonPatterns()[1].pattern);
  shell.SelectCommonPattern(7);
  EXPECT_TRUE(view.IsEnabled(kReplaceAll));
  EXPECT_EQ(view.fields[kFindField], "【.*?】");
  shell.SelectCommonPattern(kAdPatternItem);
  shell.SetRegexMode(false);
  EXPECT_TRUE(view.IsEnabled(kReplaceAll));
  EXPECT_EQ(view.fields[kFindField], "");
  EXPECT_EQ(view.current_item[kCommonPatterns], 0);
  // Item zero clears the field and the pattern mode.
  shell.SelectCommonPattern(3);
  EXPECT_TRUE(shell.regex_mode());
  EXPECT_EQ(view.fields[kFindField], "[0-9]\\d*");
  shell.SelectCommonPattern(0);
  EXPECT_FALSE(shell.regex_mode());
  EXPECT_FALSE(view.checked[kRegexMode]);
  EXPECT_EQ(view.fields[kFindField], "");
}

TEST_F(MainWindowState, ClipboardButtonsFollowSelectionAndClipboard) {
  Write("a.txt", "a");
  Open();
  EXPECT_FALSE(view.IsEnabled(kCut));
  shell.EditorSelectionChanged(true, false);
  EXPECT_TRUE(view.IsEnabled(kCut));
  EXPECT_TRUE(view.IsEnabled(kCopy));
  EXPECT_FALSE(view.IsEnabled(kPaste));
  shell.EditorSelectionChanged(false, true);
  EXPECT_FALSE(view.IsEnabled(kCut));
  EXPECT_TRUE(view.IsEnabled(kPaste));
}

}  // namespace
}  // namespace folian::app
