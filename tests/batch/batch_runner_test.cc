#include <gtest/gtest.h>

#include "app/convert_commands.h"
#include "app/convert_messages.h"
#include "app/messages.h"
#include "app/tool_messages.h"
#include "batch_test_util.h"
#include "convert/chm_fixture.h"
#include "tidy/rule_table.h"
#include "tidy/tidy_text.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;

constexpr char kSword[] = "他看见一把宝剑挂在墙上。\r\n";
constexpr char kPlain[] = "他看见一只猫坐在门口。\r\n";

// --- batch find ---

class BatchFind : public ShellFixture {};

TEST_F(BatchFind, FoundFilesStandAtTheTopCheckedAndTheRestUnchecked) {
  WriteGbkFile("a.txt", kPlain);
  WriteGbkFile("b.txt", kSword);
  WriteGbkFile("c.txt", kPlain);
  WriteGbkFile("d.txt", kSword);
  Open();
  shell_->SetBatchMode(true);
  view_.fields[kFindField] = "宝剑";
  shell_->Find();
  EXPECT_EQ(Names(), (std::vector<std::string>{"d.txt", "b.txt", "a.txt", "c.txt"}));
  EXPECT_TRUE(CheckedRow("d.txt"));
  EXPECT_TRUE(CheckedRow("b.txt"));
  EXPECT_FALSE(CheckedRow("a.txt"));
  EXPECT_FALSE(CheckedRow("c.txt"));
  EXPECT_EQ(view_.LastMessage(), msg::kBatchFindDone);
  EXPECT_FALSE(shell_->batch_mode());
  EXPECT_FALSE(view_.checked[kBatchMode]);
  EXPECT_FALSE(shell_->busy());
  EXPECT_TRUE(view_.IsEnabled(kTidy));
}

TEST_F(BatchFind, SearchesEveryEncodingInMemoryAndNeverWrites) {
  // "한" has no GBK form: converting this file to ANSI on disk would lose it.
  WriteUtf16LE("u16.txt", "한국 宝剑\r\n第二行文字\r\n");
  WriteUtf8Bom("u8.txt", "这里也有宝剑和更多的文字\r\n");
  WriteGbkFile("gbk.txt", kPlain);
  const std::string u16 = ReadBytes(File("u16.txt")), u8 = ReadBytes(File("u8.txt"));
  const ino_t u16_inode = Inode(File("u16.txt"));
  Open();
  shell_->SetBatchMode(true);
  view_.fields[kFindField] = "宝剑";
  shell_->Find();
  EXPECT_TRUE(CheckedRow("u16.txt"));
  EXPECT_TRUE(CheckedRow("u8.txt"));
  EXPECT_FALSE(CheckedRow("gbk.txt"));
  EXPECT_EQ(ReadBytes(File("u16.txt")), u16);
  EXPECT_EQ(ReadBytes(File("u8.txt")), u8);
  EXPECT_EQ(Inode(File("u16.txt")), u16_inode);
}

TEST_F(BatchFind, EmptyFindStringEndsSilently) {
  WriteGbkFile("a.txt", kSword);
  WriteGbkFile("b.txt", kPlain);
  Open();
  shell_->SetBatchMode(true);
  const std::size_t messages = view_.messages.size();
  shell_->Find();
  EXPECT_EQ(view_.messages.size(), messages);
  EXPECT_FALSE(shell_->busy());
  EXPECT_TRUE(CheckedRow("a.txt"));
  EXPECT_TRUE(CheckedRow("b.txt"));
}

TEST_F(BatchFind, PatternModeAndABadPattern) {
  WriteGbkFile("a.txt", "正文开始了，这是第12章的内容\r\n");
  WriteGbkFile("b.txt", kPlain);
  Open();
  shell_->SetBatchMode(true);
  shell_->SetRegexMode(true);
  view_.fields[kFindField] = "第[0-9]+章";
  shell_->Find();
  EXPECT_TRUE(CheckedRow("a.txt"));
  EXPECT_FALSE(CheckedRow("b.txt"));

  shell_->SetBatchMode(true);
  shell_->SetRegexMode(true);
  view_.fields[kFindField] = "(第";
  const auto names = Names();
  shell_->Find();
  EXPECT_NE(view_.LastMessage(), msg::kBatchFindDone);
  EXPECT_FALSE(view_.LastMessage().empty());
  EXPECT_EQ(Names(), names);
  EXPECT_FALSE(shell_->busy());
}

TEST_F(BatchFind, UncheckedRowsAreSearchedButTooShortFilesAreNotMarkedFound) {
  WriteGbkFile("a.txt", "宝剑");  // 4 bytes
  WriteGbkFile("b.txt", kSword);
  Open();
  shell_->SetBatchMode(true);
  shell_->SetRowChecked(RowOf("b.txt"), false);
  view_.fields[kFindField] = "宝剑";
  shell_->Find();
  EXPECT_FALSE(CheckedRow("a.txt"));
  EXPECT_TRUE(CheckedRow("b.txt"));
}

TEST_F(BatchFind, PlainSearchMatchesWholeCharactersOnly) {
  // "界" is B2 E7... and the pair "ʼ缁" straddling two characters must not match.
  WriteGbkFile("a.txt", "世界和平，大家都好，天下太平。\r\n");
  Open();
  shell_->SetBatchMode(true);
  const std::string text = Gbk("世界");
  // The trail byte of 世 (CA C0) and the lead byte of 界 (BD E7): "C0 BD".
  view_.fields[kFindField] = Utf8(text.substr(1, 2));
  shell_->Find();
  EXPECT_FALSE(CheckedRow("a.txt"));
}

TEST_F(BatchFind, StopKeepsRowsDoneAndLeavesTheRest) {
  for (char c = 'a'; c <= 'e'; ++c) WriteGbkFile(std::string(1, c) + ".txt", kPlain);
  Open();
  shell_->SetBatchMode(true);
  view_.fields[kFindField] = "宝剑";
  int changes = 0;
  // The second result shown: the user presses stop.
  view_.on_list_changed = [&] {
    if (++changes == 4) shell_->RequestStop();
  };
  shell_->Find();
  EXPECT_FALSE(CheckedRow("a.txt"));
  EXPECT_FALSE(CheckedRow("b.txt"));
  EXPECT_TRUE(CheckedRow("c.txt"));
  EXPECT_TRUE(CheckedRow("e.txt"));
  char expected[256];
  std::snprintf(expected, sizeof expected, msg::kBatchStoppedFormat, 2);
  EXPECT_EQ(view_.LastMessage(), expected);
  EXPECT_FALSE(shell_->busy());
}

// --- batch replace ---

class BatchReplace : public ShellFixture {};

TEST_F(BatchReplace, ReplacesInCheckedFilesAndKeepsEachEncoding) {
  WriteUtf16LE("a.txt", "他看见一把宝剑挂在墙上。\r\n");
  WriteUtf8Bom("b.txt", "宝剑，宝剑，还是宝剑。\r\n");
  WriteGbkFile("c.txt", kSword);
  WriteGbkFile("d.txt", kSword);
  // "한" has no GBK form, and this file holds nothing to replace: never rewritten.
  WriteUtf16LE("e.txt", "한국 没有那个词的文字\r\n");
  const std::string e = ReadBytes(File("e.txt"));
  const ino_t e_inode = Inode(File("e.txt"));
  Open();
  shell_->SetBatchMode(true);
  shell_->SetRowChecked(RowOf("d.txt"), false);
  const std::string d = ReadBytes(File("d.txt"));
  view_.fields[kFindField] = "宝剑";
  view_.fields[kReplaceField] = "长刀";
  shell_->ReplaceAll();
  text::StoredEncoding enc;
  EXPECT_NE(TextOf("a.txt", &enc).find("一把长刀挂在"), std::string::npos);
  EXPECT_EQ(enc.bom_class, text::kBomUtf16LE);
  EXPECT_NE(TextOf("b.txt", &enc).find("长刀，长刀，还是长刀。"), std::string::npos);
  EXPECT_EQ(enc.bom_class, text::kBomUtf8);
  EXPECT_TRUE(enc.mark);
  EXPECT_NE(TextOf("c.txt", &enc).find("长刀"), std::string::npos);
  EXPECT_EQ(enc.bom_class, text::kBomAnsi);
  EXPECT_EQ(ReadBytes(File("d.txt")), d);
  EXPECT_EQ(ReadBytes(File("e.txt")), e);
  EXPECT_EQ(Inode(File("e.txt")), e_inode);
  EXPECT_EQ(view_.LastMessage(), msg::kBatchDone);
  EXPECT_FALSE(shell_->batch_mode());
  EXPECT_FALSE(shell_->busy());
  for (const FileRow& r : shell_->file_list().rows()) EXPECT_FALSE(r.checked) << r.name;
}

TEST_F(BatchReplace, AFileThatWouldLoseCharactersIsLeftAndNamed) {
  WriteUtf16LE("a.txt", "한국 宝剑\r\n");
  WriteGbkFile("b.txt", kSword);
  const std::string a = ReadBytes(File("a.txt"));
  Open();
  shell_->SetBatchMode(true);
  view_.fields[kFindField] = "宝剑";
  view_.fields[kReplaceField] = "长刀";
  shell_->ReplaceAll();
  EXPECT_EQ(ReadBytes(File("a.txt")), a);
  EXPECT_NE(TextOf("b.txt").find("长刀"), std::string::npos);
  EXPECT_EQ(view_.LastMessage().rfind(msg::kBatchDone, 0), 0u);
  EXPECT_NE(view_.LastMessage().find("a.txt"), std::string::npos);
  EXPECT_EQ(view_.messages.back().icon, MessageIcon::kWarning);
}

TEST_F(BatchReplace, PatternModeWithGroups) {
  WriteGbkFile("a.txt", "第12章 开始\r\n第3章 结束\r\n");
  WriteGbkFile("b.txt", kPlain);
  Open();
  shell_->SetBatchMode(true);
  shell_->SetRegexMode(true);
  view_.fields[kFindField] = "第([0-9]+)章";
  view_.fields[kReplaceField] = "Chapter $1";
  shell_->ReplaceAll();
  EXPECT_EQ(TextOf("a.txt"), "Chapter 12 开始\r\nChapter 3 结束\r\n");
}

TEST_F(BatchReplace, PatternModeNeverSplitsACharacter) {
  // "降诏" holds the bytes of "第" across its two characters.
  WriteGbkFile("a.txt", "睿即降诏，遣使持节。\r\n第十二章 出征\r\n");
  WriteGbkFile("b.txt", "降诏持节，并无章回。\r\n");
  Open();
  shell_->SetBatchMode(true);
  shell_->SetRegexMode(true);
  view_.fields[kFindField] = "第.{1,10}(章|节|節|回|集|篇|部|卷)";
  view_.fields[kReplaceField] = "【章】";
  shell_->ReplaceAll();
  EXPECT_EQ(TextOf("a.txt"), "睿即降诏，遣使持节。\r\n【章】 出征\r\n");
  EXPECT_EQ(TextOf("b.txt"), "降诏持节，并无章回。\r\n");

  shell_->SetBatchMode(true);
  shell_->SetRegexMode(true);
  view_.fields[kFindField] = "第.{1,10}节";
  shell_->Find();
  EXPECT_FALSE(CheckedRow("a.txt"));
  EXPECT_FALSE(CheckedRow("b.txt"));
}

TEST_F(BatchReplace, EmptyFindAsksToUseTheClipboard) {
  WriteGbkFile("a.txt", kSword);
  WriteGbkFile("b.txt", kSword);
  Open();
  shell_->SetBatchMode(true);
  shell_->ReplaceAll();  // nothing to find and nothing on the clipboard: asks nothing
  EXPECT_TRUE(view_.questions.empty());
  EXPECT_TRUE(shell_->batch_mode());
  view_.clipboard = "宝剑";
  view_.fields[kReplaceField] = "长刀";
  view_.answers = {Answer::kNo};
  shell_->ReplaceAll();
  ASSERT_EQ(view_.questions.size(), 1u);
  EXPECT_EQ(view_.questions[0], msg::kUseClipboard);
  EXPECT_NE(TextOf("a.txt").find("宝剑"), std::string::npos);
  EXPECT_TRUE(view_.IsEnabled(kReplaceAll));
  EXPECT_FALSE(shell_->busy());

  view_.answers = {Answer::kYes};
  shell_->ReplaceAll();
  EXPECT_NE(TextOf("a.txt").find("长刀"), std::string::npos);
  EXPECT_NE(TextOf("b.txt").find("长刀"), std::string::npos);
}

TEST_F(BatchReplace, TheLastProcessedFileBecomesTheCurrentDocument) {
  WriteGbkFile("a.txt", kSword);
  WriteGbkFile("b.txt", kSword);
  WriteGbkFile("c.txt", kPlain);
  Open();
  shell_->SetBatchMode(true);
  shell_->SetRowChecked(RowOf("c.txt"), false);
  view_.fields[kFindField] = "宝剑";
  view_.fields[kReplaceField] = "长刀";
  shell_->ReplaceAll();
  EXPECT_EQ(shell_->current_path().filename(), "b.txt");
  EXPECT_EQ(Utf8(view_.editor).find("长刀") != std::string::npos, true);
  EXPECT_FALSE(view_.can_undo);
}

TEST_F(BatchReplace, UnsavedEditsAreOfferedFirstAndCancelStopsTheRun) {
  WriteGbkFile("a.txt", kSword);
  Open();
  shell_->SetBatchMode(true);
  view_.Check();
  view_.ReplaceEditorText(Gbk("我改过的文字"));
  view_.fields[kFindField] = "宝剑";
  view_.fields[kReplaceField] = "长刀";
  view_.answers = {Answer::kCancel};
  shell_->ReplaceAll();
  EXPECT_EQ(view_.questions.back(), msg::kSavePrompt);
  EXPECT_NE(TextOf("a.txt").find("宝剑"), std::string::npos);
  EXPECT_FALSE(shell_->busy());
}

// --- batch tidy ---

class BatchTidy : public ShellFixture {
 protected:
  static std::string Novel(int n) {
    std::string s = "第" + std::to_string(n) + "章 客栈\r\n";
    for (int k = 0; k < 30; ++k) {
      s += "  他走进客栈，看见一把宝剑挂在墙上，心中暗暗称奇，却不知道这把剑的来历究竟如何\r\n"
           "说来话长，且听下回分解。\r\n\r\n";
    }
    return s;
  }
  static std::string Tidied(std::string_view utf8) {
    auto out = tidy::TidyText(Gbk(utf8), tidy::TidyOptions::AtStart(), tidy::BuiltinRules(), {});
    return out ? Utf8(*out) : std::string();
  }
};

TEST_F(BatchTidy, TidiesCheckedTxtFilesShowingRowsInOrder) {
  for (int i = 0; i < 12; ++i) WriteGbkFile("n" + std::to_string(100 + i) + ".txt", Novel(i));
  WriteBytes(File("page.htm"), "<p>" + Gbk(Novel(99)) + "</p>");
  const std::string htm = ReadBytes(File("page.htm"));
  Open();
  batch_->SetTidyThreads(4);
  shell_->SetBatchMode(true);
  shell_->SetRowChecked(RowOf("n105.txt"), false);
  const std::string skipped = ReadBytes(File("n105.txt"));
  std::vector<int> selected;
  view_.on_list_changed = [&] {
    if (shell_->busy()) selected.push_back(shell_->file_list().FirstSelected());
  };
  shell_->Tidy();
  for (int i = 0; i < 12; ++i) {
    const std::string name = "n" + std::to_string(100 + i) + ".txt";
    if (i == 5) continue;
    EXPECT_EQ(TextOf(name), Tidied(Novel(i))) << name;
    EXPECT_FALSE(CheckedRow(name)) << name;
  }
  EXPECT_EQ(ReadBytes(File("n105.txt")), skipped);
  // Rows not taken keep their check: an .htm file is no tidy input.
  EXPECT_TRUE(CheckedRow("page.htm"));
  EXPECT_EQ(ReadBytes(File("page.htm")), htm);
  // Rows were shown one after another in list order, whatever finished first.
  std::vector<int> order;
  for (int row : selected) {
    if (row >= 0 && (order.empty() || order.back() != row)) order.push_back(row);
  }
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
  EXPECT_EQ(order.size(), 11u);
  EXPECT_EQ(view_.LastMessage(), msg::kBatchDone);
  EXPECT_EQ(view_.progress_positions.back(), 0);
  EXPECT_FALSE(view_.progress_visible);
  EXPECT_FALSE(shell_->batch_mode());
  // The Current document shows its tidied text.
  EXPECT_EQ(Utf8(view_.editor), TextOf(shell_->current_path().filename().string()));
}

TEST_F(BatchTidy, ProgressCountsRowsDoneOfRowsToDo) {
  for (int i = 0; i < 4; ++i) WriteGbkFile("n" + std::to_string(i) + ".txt", Novel(i));
  Open();
  batch_->SetTidyThreads(1);
  shell_->SetBatchMode(true);
  view_.progress_positions.clear();
  shell_->Tidy();
  EXPECT_EQ(view_.progress_positions, (std::vector<int>{0, 25, 50, 75, 100, 0}));
}

TEST_F(BatchTidy, StopLeavesUntakenFilesUntouched) {
  for (int i = 0; i < 8; ++i) WriteGbkFile("n" + std::to_string(i) + ".txt", Novel(i));
  Open();
  batch_->SetTidyThreads(2);
  shell_->SetBatchMode(true);
  bool asked = false;
  view_.on_list_changed = [&] {
    if (!asked && shell_->busy()) {
      asked = true;
      shell_->RequestStop();
    }
  };
  shell_->Tidy();
  int done = 0;
  for (int i = 0; i < 8; ++i) {
    const std::string name = "n" + std::to_string(i) + ".txt";
    const bool tidied = TextOf(name) == Tidied(Novel(i));
    EXPECT_EQ(tidied, !CheckedRow(name)) << name;
    if (tidied) ++done;
    else EXPECT_EQ(TextOf(name), Novel(i)) << name;
  }
  EXPECT_GE(done, 1);
  EXPECT_LT(done, 8);
  char expected[256];
  std::snprintf(expected, sizeof expected, msg::kBatchStoppedFormat, done);
  EXPECT_EQ(view_.LastMessage(), expected);
  EXPECT_FALSE(shell_->busy());
}

TEST_F(BatchTidy, AWorkerThreadNeverTouchesTheWindow) {
  for (int i = 0; i < 6; ++i) WriteGbkFile("n" + std::to_string(i) + ".txt", Novel(i));
  WriteGbkFile("s.txt", kSword);
  Open(&threaded_);
  batch_->SetTidyThreads(3);
  shell_->SetBatchMode(true);
  shell_->Tidy();
  Settle();
  EXPECT_EQ(view_.LastMessage(), msg::kBatchDone);
  shell_->SetBatchMode(true);
  view_.fields[kFindField] = "宝剑";
  view_.fields[kReplaceField] = "长刀";
  shell_->ReplaceAll();
  Settle();
  shell_->SetBatchMode(true);
  view_.fields[kFindField] = "长刀";
  shell_->Find();
  Settle();
  EXPECT_EQ(view_.LastMessage(), msg::kBatchFindDone);
  EXPECT_EQ(Names().front(), "s.txt");
  EXPECT_EQ(view_.wrong_thread_calls, 0);
  EXPECT_FALSE(shell_->busy());
}

// --- batch conversions ---

class BatchConvert : public ShellFixture {};

TEST_F(BatchConvert, ToUtf8LeavesAUtf8FileAndUncheckedRowsUnchanged) {
  WriteUtf8Bom("u8.txt", "已经是UTF-8的文字\r\n");
  WriteGbkFile("gbk.txt", kSword);
  WriteGbkFile("off.txt", kSword);
  WriteUtf16LE("u16.txt", kPlain);
  WriteBytes(File("page.htm"), Gbk(kSword));
  const std::string u8 = ReadBytes(File("u8.txt")), htm = ReadBytes(File("page.htm"));
  const std::string off = ReadBytes(File("off.txt"));
  const ino_t inode = Inode(File("u8.txt"));
  Open();
  shell_->SetBatchMode(true);
  shell_->SetRowChecked(RowOf("off.txt"), false);
  shell_->ConvertEncoding(text::EncodingCommand::kToUtf8);
  EXPECT_EQ(ReadBytes(File("off.txt")), off);
  EXPECT_EQ(ReadBytes(File("u8.txt")), u8);
  EXPECT_EQ(Inode(File("u8.txt")), inode);
  text::StoredEncoding enc;
  EXPECT_NE(TextOf("gbk.txt", &enc).find("宝剑"), std::string::npos);
  EXPECT_EQ(enc.bom_class, text::kBomUtf8);
  EXPECT_NE(TextOf("u16.txt", &enc).find("猫"), std::string::npos);
  EXPECT_EQ(enc.bom_class, text::kBomUtf8);
  EXPECT_EQ(ReadBytes(File("page.htm")), htm);
  // Every file left as it was is named, with the reason.
  const std::string message = view_.LastMessage();
  EXPECT_EQ(message.rfind(msg::kBatchConvertDone, 0), 0u) << message;
  EXPECT_NE(message.find(std::string("u8.txt: ") + msg::kAlreadyUtf8), std::string::npos) << message;
  EXPECT_NE(message.find(std::string("page.htm: ") + msg::kOnlyTxtConverted), std::string::npos)
      << message;
  EXPECT_EQ(message.find("gbk.txt"), std::string::npos) << "converted files are not listed";
  EXPECT_FALSE(shell_->batch_mode());
}

TEST_F(BatchConvert, BigEndianUtf16IsConvertedAndUnicodeFilesAreNamed) {
  WriteUtf16BE("be.txt", kSword);
  WriteUtf16LE("le.txt", kPlain);
  WriteGbkFile("gbk.txt", kPlain);
  Open();
  shell_->SetBatchMode(true);
  shell_->ConvertEncoding(text::EncodingCommand::kToAnsi);
  EXPECT_EQ(ReadBytes(File("be.txt")), Gbk(kSword));
  EXPECT_EQ(ReadBytes(File("le.txt")), Gbk(kPlain));
  std::string message = view_.LastMessage();
  EXPECT_NE(message.find(std::string("gbk.txt: ") + msg::kAlreadyAnsi), std::string::npos) << message;
  EXPECT_EQ(message.find("be.txt"), std::string::npos) << message;
  EXPECT_EQ(view_.messages.back().icon, MessageIcon::kInformation) << "nothing failed";

  WriteUtf16BE("be.txt", kSword);
  shell_->SetBatchMode(true);
  shell_->ConvertEncoding(text::EncodingCommand::kToUnicode);
  message = view_.LastMessage();
  EXPECT_NE(message.find(std::string("be.txt: ") + msg::kAlreadyUnicode), std::string::npos) << message;
  text::StoredEncoding enc;
  TextOf("gbk.txt", &enc);
  EXPECT_EQ(enc.bom_class, text::kBomUtf16LE);
}

TEST_F(BatchConvert, ToAnsiLeavesAFileThatWouldLoseCharactersAndNamesIt) {
  WriteUtf16LE("kr.txt", "한국어 文字\r\n");
  WriteUtf8Bom("u8.txt", "普通的文字\r\n");
  const std::string kr = ReadBytes(File("kr.txt"));
  Open();
  shell_->SetBatchMode(true);
  shell_->ConvertEncoding(text::EncodingCommand::kToAnsi);
  EXPECT_EQ(ReadBytes(File("kr.txt")), kr);
  text::StoredEncoding enc;
  TextOf("u8.txt", &enc);
  EXPECT_EQ(enc.bom_class, text::kBomAnsi);
  EXPECT_NE(view_.LastMessage().find("kr.txt"), std::string::npos);
}

// --- the HTML batch ---

class BatchHtml : public ShellFixture {};

TEST_F(BatchHtml, WithoutAConverterNothingIsTouched) {
  WriteBytes(File("a.htm"), "<p>x</p>");
  WriteGbkFile("b.txt", kSword);
  Open();
  batch_->SetHtmlConverter(nullptr);
  shell_->SetBatchMode(true);
  // The window routes "Htm2txt*" to the batch runner in batch mode.
  batch_->Run(BatchCommand::kHtm2Txt);
  EXPECT_EQ(view_.LastMessage(), msg::kHtmlBatchUnavailable);
  EXPECT_TRUE(fs::exists(File("a.htm")));
  EXPECT_FALSE(shell_->busy());
}

TEST_F(BatchHtml, ConvertsEveryNonTxtRowAppendingToTxtsThatExist) {
  WriteBytes(File("a.htm"), "<p>A</p>");
  WriteBytes(File("b.html"), "<p>B</p>");
  WriteBytes(File("b.txt"), "old\r\n");  // b.html's text goes after this
  Open();
  shell_->SetBatchMode(true);
  batch_->Run(BatchCommand::kHtm2Txt);
  EXPECT_FALSE(fs::exists(File("a.htm")));
  EXPECT_FALSE(fs::exists(File("b.html")));
  EXPECT_EQ(ReadBytes(File("a.txt")), "A\r\n");
  EXPECT_EQ(ReadBytes(File("b.txt")), "old\r\nB\r\n");
  EXPECT_NE(RowOf("a.txt"), -1);
  EXPECT_EQ(RowOf("b.html"), -1);
  EXPECT_EQ(shell_->file_list().size(), 2) << "b.txt is listed once";
  EXPECT_EQ(view_.LastMessage(),
            std::string(msg::kBatchConvertDone) + msg::kBatchAppended + "\r\nb.txt");
  EXPECT_EQ(shell_->current_row(), 0);
}

TEST_F(BatchHtml, AHelpFilesPagesAreOfferedInItsTableOfContentsOrder) {
  const std::string toc =
      "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"Two\">"
      "<param name=\"Local\" value=\"sub/Two.HTM#top\"></object>"
      "<li><OBJECT><PARAM NAME=\"local\" VALUE=\"one.htm\"></OBJECT>"
      "<li><object><param name=\"Local\" value=\"sub/two.htm\"></object></ul>";
  WriteBytes(File("help.chm"), folian::testing::MakeChm({{"/one.htm", "<p>1</p>"},
                                                         {"/three.htm", "<p>3</p>"},
                                                         {"/sub/Two.HTM", "<p>2</p>"},
                                                         {"/toc.hhc", toc}}));
  Open(&threaded_);  // workers as in the window: a rescan would run on one
  ConvertCommands commands(*shell_);
  view_.file_answer = File("help.chm");
  view_.ok_answers = {true};
  commands.Run(kChm2Htm);
  Settle();
  ASSERT_FALSE(view_.questions.empty());
  EXPECT_EQ(view_.questions.back(), "3" + std::string(msg::kOfferPagesToText));
  // Listed in the table's order, unlisted pages after; then converted.
  // A page in a subfolder is listed by its full path, as every file outside the Working folder.
  EXPECT_EQ(Names(), (std::vector<std::string>{File("sub/Two.txt").string(), "one.txt", "three.txt"}));
  EXPECT_EQ(ReadBytes(File("sub/Two.txt")), "2\r\n");
  EXPECT_FALSE(fs::exists(File("one.htm")));
  EXPECT_FALSE(shell_->batch_mode());
}

TEST_F(BatchHtml, AFailedConversionEndsTheRunAndKeepsTheSource) {
  WriteBytes(File("a.htm"), "<p>A</p>");
  WriteBytes(File("b.htm"), "<p>B</p>");
  Open();
  std::vector<std::string> seen;
  batch_->SetHtmlConverter([&](const fs::path& html, const CancelFlag*) {
    seen.push_back(html.filename().string());
    ConvertOutcome out;
    out.status = convert::Status::Error("broken page");
    return out;
  });
  shell_->SetBatchMode(true);
  batch_->Run(BatchCommand::kHtm2Txt);
  EXPECT_EQ(seen, (std::vector<std::string>{"a.htm"}));
  EXPECT_TRUE(fs::exists(File("a.htm")));
  EXPECT_TRUE(fs::exists(File("b.htm")));
  EXPECT_NE(view_.LastMessage().find("broken page"), std::string::npos);
  EXPECT_FALSE(shell_->busy());
}

TEST_F(BatchHtml, ASourceIsDeletedOnlyOnceItsTextIsOnDisk) {
  WriteBytes(File("a.htm"), "<p>A</p>");
  Open();
  fs::create_directories(File("a.txt") / "keep");  // a.txt cannot be written
  shell_->SetBatchMode(true);
  batch_->Run(BatchCommand::kHtm2Txt);
  EXPECT_TRUE(fs::exists(File("a.htm")));
  EXPECT_NE(view_.LastMessage().find("a.htm"), std::string::npos);
}

// --- the frame ---

class BatchFrame : public ShellFixture {};

TEST_F(BatchFrame, AnEmptyListEndsAtOnceWithoutAMessage) {
  Open();
  shell_->SetBatchMode(true);
  const std::size_t messages = view_.messages.size();
  batch_->Run(BatchCommand::kTidy);
  batch_->Run(BatchCommand::kToUtf8);
  EXPECT_EQ(view_.messages.size(), messages);
}

TEST_F(BatchFrame, WithoutTheBatchBoxTheCommandsActOnTheCurrentDocument) {
  WriteGbkFile("a.txt", kSword);
  WriteGbkFile("b.txt", kSword);
  Open();
  view_.fields[kFindField] = "宝剑";
  view_.fields[kReplaceField] = "长刀";
  shell_->ReplaceAll();
  EXPECT_NE(Utf8(view_.editor).find("长刀"), std::string::npos);
  EXPECT_NE(TextOf("a.txt").find("宝剑"), std::string::npos);
  EXPECT_NE(TextOf("b.txt").find("宝剑"), std::string::npos);
}

}  // namespace
}  // namespace folian::app
