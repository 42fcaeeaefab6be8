// Find and replace, script and encoding conversion, and the tidy command.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/messages.h"
#include "shell_test_util.h"
#include "text/text_file.h"

namespace folian::app {
namespace {

class FindReplace : public ::testing::Test, public ShellFixture {
 protected:
  void OpenWith(std::string_view gbk) {
    Write("a.txt", gbk);
    Open();
  }
};
class MainWindowCommands : public ::testing::Test, public ShellFixture {};

TEST_F(FindReplace, FindSelectsFromTheCaretAndEnablesNext) {
  OpenWith(G("甲乙甲乙"));
  view.fields[kFindField] = "乙";
  shell.Find();
  EXPECT_EQ(view.sel_start, 2u);
  EXPECT_EQ(view.sel_length, 2u);
  EXPECT_TRUE(view.IsEnabled(kFindNext));
  EXPECT_TRUE(view.IsEnabled(kReplaceHere));
  shell.FindNext();
  EXPECT_EQ(view.sel_start, 6u);
  shell.FindNext();
  EXPECT_EQ(view.LastMessage(), msg::kNotFound);
}

TEST_F(FindReplace, PlainFindNeverMatchesAcrossCharacters) {
  // "贡" is B9 B1 and "惫" is B1 B9: the bytes B1 B9 also appear across "贡贡".
  OpenWith(G("贡贡"));
  view.fields[kFindField] = "惫";
  shell.Find();
  EXPECT_EQ(view.LastMessage(), msg::kNotFound);
}

TEST_F(FindReplace, EscapesStandForLineBreaksAndTabs) {
  OpenWith("a\r\nb\tc");
  view.fields[kFindField] = "\\r\\nb\\t";
  shell.Find();
  EXPECT_EQ(view.sel_start, 1u);
  EXPECT_EQ(view.sel_length, 4u);
}

TEST_F(FindReplace, ReplaceAllPlainAndByPatternCountsAndReminds) {
  OpenWith(G("猫和猫和狗"));
  view.fields[kFindField] = "猫";
  view.fields[kReplaceField] = "狗";
  shell.ReplaceAll();
  EXPECT_EQ(view.editor, G("狗和狗和狗"));
  EXPECT_EQ(view.LastMessage(), "替换完成，共完成 2 处替换，注意及时保存处理结果。");
  EXPECT_TRUE(view.can_undo) << "the replacement is an undoable edit";
  EXPECT_EQ(Read("a.txt"), G("猫和猫和狗")) << "the file is not written";
  // Pattern mode goes through the engine.
  OpenWith("ab12cd345");
  view.fields[kFindField] = "[0-9]+";
  view.fields[kReplaceField] = "#";
  shell.SetRegexMode(true);
  shell.ReplaceAll();
  EXPECT_EQ(view.editor, "ab#cd#");
  EXPECT_EQ(view.LastMessage(), "替换完成，共完成 2 处替换，注意及时保存处理结果。");
}

// In "降诏" (BD B5 DA AF) the bytes of "第" (B5 DA) straddle the two
// characters; so do those of "章" (D5 C2) in "\xB0\xD5\xC2\xB0".
TEST_F(FindReplace, PatternModeNeverMatchesAcrossCharacters) {
  const std::string straddle = "\xB0\xD5\xC2\xB0";
  OpenWith(straddle + G("章") + straddle + G("章"));
  shell.SetRegexMode(true);
  view.fields[kFindField] = "章";
  shell.Find();
  EXPECT_EQ(view.sel_start, 4u);
  shell.FindNext();
  EXPECT_EQ(view.sel_start, 10u);
  shell.FindNext();
  EXPECT_EQ(view.LastMessage(), msg::kNotFound);
  view.fields[kReplaceField] = "X";
  shell.ReplaceAll();
  EXPECT_EQ(view.editor, straddle + "X" + straddle + "X");
  EXPECT_EQ(view.LastMessage(), "替换完成，共完成 2 处替换，注意及时保存处理结果。");
}

TEST_F(FindReplace, ChapterPatternReplaceAllKeepsTheTextDecodable) {
  const std::string story = G("睿即降诏，遣使持节。\r\n第十二章 出征\r\n");
  OpenWith(story);
  shell.SelectCommonPattern(13);
  view.fields[kReplaceField] = "【章】";
  shell.ReplaceAll();
  EXPECT_EQ(view.editor, G("睿即降诏，遣使持节。\r\n【章】 出征\r\n"));
  EXPECT_EQ(view.LastMessage(), "替换完成，共完成 1 处替换，注意及时保存处理结果。");
  // Replace here takes the selection the pattern find made, never a straddle.
  OpenWith(story);
  shell.SelectCommonPattern(13);
  shell.Find();
  EXPECT_EQ(view.sel_start, 22u);
  shell.ReplaceHere();
  EXPECT_EQ(view.editor, G("睿即降诏，遣使持节。\r\n【章】 出征\r\n"));
}

TEST_F(FindReplace, FindNextAfterAnEmptyMatchStepsAWholeCharacter) {
  OpenWith(G("甲乙"));
  shell.SetRegexMode(true);
  view.fields[kFindField] = "x*";
  shell.Find();
  EXPECT_EQ(view.sel_start, 0u);
  EXPECT_EQ(view.sel_length, 0u);
  shell.FindNext();
  EXPECT_EQ(view.sel_start, 2u) << "the next search starts at a character, not inside 甲";
}

TEST_F(FindReplace, PatternFindSelectsTheMatch) {
  OpenWith(G("前言【广告】正文"));
  shell.SelectCommonPattern(7);
  shell.Find();
  EXPECT_EQ(view.sel_start, 4u);
  EXPECT_EQ(view.sel_length, 8u);
}

TEST_F(FindReplace, BadPatternShowsTheEnginesMessageAndLeavesText) {
  OpenWith("abc");
  view.fields[kFindField] = "a(b";
  view.fields[kReplaceField] = "x";
  shell.SetRegexMode(true);
  shell.ReplaceAll();
  ASSERT_FALSE(view.messages.empty());
  EXPECT_EQ(view.messages.back().caption, kCaption);
  EXPECT_FALSE(view.LastMessage().empty());
  EXPECT_EQ(view.LastMessage().find("替换完成"), std::string::npos);
  EXPECT_EQ(view.editor, "abc");
  EXPECT_FALSE(view.can_undo);
  view.messages.clear();
  shell.Find();
  ASSERT_EQ(view.messages.size(), 1u);
  EXPECT_NE(view.LastMessage(), msg::kNotFound);
}

TEST_F(FindReplace, ReplaceHereReplacesOnlyTheSelection) {
  OpenWith("one two one");
  view.fields[kFindField] = "one";
  view.fields[kReplaceField] = "1";
  shell.Find();
  shell.ReplaceHere();
  EXPECT_EQ(view.editor, "1 two one");
}

TEST_F(FindReplace, EveryCommonPatternCompiles) {
  OpenWith(G("第十章 abc 2024-02-29 12:00:00\r\n"));
  for (int item = 1; item < 17; ++item) {
    view.messages.clear();
    shell.SelectCommonPattern(item);
    view.SelectBytes(0, 0);
    shell.Find();
    if (!view.messages.empty()) {
      EXPECT_EQ(view.LastMessage(), msg::kNotFound) << item;
    }
  }
}

TEST_F(FindReplace, AdPatternFindsSpreadPhrasesAndLookAlikes) {
  OpenWith(G("正文**。本书.首发于ｗ_ｗ.w某处"));
  shell.SelectCommonPattern(1);
  shell.Find();
  ASSERT_TRUE(view.IsEnabled(kFindNext)) << view.LastMessage();
  EXPECT_EQ(view.editor.substr(view.sel_start, view.sel_length), "**");
  shell.FindNext();
  EXPECT_EQ(view.editor.substr(view.sel_start, view.sel_length), G("本书.首发"));
  shell.FindNext();
  EXPECT_EQ(view.editor.substr(view.sel_start, view.sel_length), G("ｗ_ｗ.w"));
}

TEST_F(MainWindowCommands, ScriptConversionChangesTheEditorOnly) {
  Write("a.txt", G("简体中文"));
  Open();
  shell.ConvertScript(0);
  EXPECT_EQ(view.editor, G("簡體中文"));
  EXPECT_EQ(view.LastMessage(), msg::kScriptConverted);
  EXPECT_EQ(Read("a.txt"), G("简体中文"));
  shell.ConvertScript(3);
  EXPECT_EQ(view.editor, G("简体中文"));
}

TEST_F(MainWindowCommands, EncodingButtonsRewriteTheFileAndReload) {
  Write("a.txt", G("中文"));
  Open();
  shell.ConvertEncoding(text::EncodingCommand::kToUtf8);
  EXPECT_EQ(view.LastMessage(), msg::kConverted);
  EXPECT_EQ(Read("a.txt"), "\xEF\xBB\xBF" "中文");
  EXPECT_EQ(view.editor, G("中文"));
  EXPECT_FALSE(view.IsEnabled(kConvertUtf8));
  shell.ConvertEncoding(text::EncodingCommand::kToUnicode);
  EXPECT_EQ(Read("a.txt").substr(0, 2), "\xFF\xFE");
  shell.ConvertEncoding(text::EncodingCommand::kToAnsi);
  EXPECT_EQ(text::probe_bom_class(dir / "a.txt"), text::kBomAnsi);
  EXPECT_EQ(view.editor, G("中文"));
}

TEST_F(MainWindowCommands, TidyRewritesTheFileInItsEncodingAndReports) {
  const std::string body = G("第一章 开始\r\n  这是第一段，\r\n很短。\r\n");
  Write("a.txt", "\xEF\xBB\xBF" + charset::GbkToUtf8(body));
  Open();
  shell.options().indent = 3;
  shell.options().indent_num2 = 2;
  shell.Tidy();
  ASSERT_FALSE(view.messages.empty());
  EXPECT_EQ(view.messages.back().caption, msg::kTidyReportCaption) << view.LastMessage();
  EXPECT_EQ(view.LastMessage().rfind("    文件 : a.txt\r\n    大小 : ", 0), 0u) << view.LastMessage();
  EXPECT_NE(view.LastMessage().find("整理速度 : "), std::string::npos);
  const std::string after = Read("a.txt");
  ASSERT_EQ(after.substr(0, 3), "\xEF\xBB\xBF") << "UTF-8 with mark stays so";
  EXPECT_NE(after.find("\r\n　　"), std::string::npos) << "paragraphs start with two full-width spaces";
  EXPECT_EQ(view.editor, charset::Utf8ToGbk(after.substr(3))) << "the document is reloaded";
  EXPECT_FALSE(shell.busy());
  EXPECT_FALSE(view.progress_visible);
}

TEST_F(MainWindowCommands, TidyWriteFailureShowsAnErrorAndKeepsTheText) {
  Write("a.txt", G("一段文字\r\n"));
  Open();
  view.Type("x");
  BlockWrites("a.txt");
  shell.Tidy();
  ASSERT_FALSE(view.messages.empty());
  EXPECT_EQ(view.messages.back().icon, MessageIcon::kError);
  EXPECT_NE(view.messages.back().caption, msg::kTidyReportCaption);
  EXPECT_EQ(view.editor, G("一段文字\r\n") + "x") << "unsaved text is not thrown away";
  EXPECT_FALSE(shell.busy());
}

TEST_F(MainWindowCommands, FullStopOptionLastsOneRun) {
  Write("a.txt", G("一句。二句。\r\n"));
  Open();
  shell.options().split_at_fullstop = true;
  shell.Tidy();
  EXPECT_FALSE(shell.options().split_at_fullstop);
}

}  // namespace
}  // namespace folian::app
