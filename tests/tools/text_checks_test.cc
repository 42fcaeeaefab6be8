// Garbled text, hard returns and bracket matching: the finders on GBK text
// and the commands over the editor.
#include <gtest/gtest.h>

#include "app/tool_messages.h"
#include "batch/batch_test_util.h"
#include "text/bracket_match.h"
#include "text/garbled.h"
#include "text/hard_returns.h"
#include "tidy/line_scanner.h"

namespace folian::app {
namespace {

using text::ByteRange;

// --- garbled text ---

TEST(GarbledFind, InvalidBytesUserDefinedCharactersAndCutOffLeads) {
  const std::string ok = Gbk("正常的文字");
  EXPECT_EQ(text::FindGarbled(ok + "\x80" + ok, 0), (ByteRange{10, 1}));
  EXPECT_EQ(text::FindGarbled(ok + "\xFF" + ok, 0), (ByteRange{10, 1}));
  // AAA1 and F8A1 lie in GBK's user-defined areas.
  EXPECT_EQ(text::FindGarbled(ok + "\xAA\xA1" + ok, 0), (ByteRange{10, 2}));
  EXPECT_EQ(text::FindGarbled(ok + "\xF8\xA1", 0), (ByteRange{10, 2}));
  // A lead byte before a byte that cannot be a trail byte is garbled alone.
  EXPECT_EQ(text::FindGarbled(ok + "\x81 x", 0), (ByteRange{10, 1}));
  EXPECT_EQ(text::FindGarbled(ok + "\xB0", 0), (ByteRange{10, 1}));
  EXPECT_EQ(text::FindGarbled(ok + "\r\n\tabc", 0), std::nullopt);
}

TEST(GarbledFind, ARunIsEveryGarbledCharacterInARow) {
  const std::string text = Gbk("前") + "\xAA\xA1\x80\xFE\xFE" + Gbk("后") + "\xFF";
  EXPECT_EQ(text::FindGarbled(text, 0), (ByteRange{2, 5}));
  EXPECT_EQ(text::FindGarbled(text, 7), (ByteRange{9, 1}));
  EXPECT_EQ(text::FindGarbled(text, 10), std::nullopt);
}

TEST(GarbledFind, StartsOnACharacterBoundary) {
  // 癚 is B0 51; from its second byte the walk must not read 51 80 as a pair.
  const std::string text = "\xB0\x51\xB0\x51" + Gbk("好");
  EXPECT_EQ(text::FindGarbled(text, 1), std::nullopt);
  // A trail byte that is also a lead byte: 乕 is 81 5B, 丂 is 81 40.
  EXPECT_EQ(text::FindGarbled("\x81\x40\x81\x5B", 1), std::nullopt);
}

TEST(GarbledFind, TheSampleNovelsAreClean) {
  const std::filesystem::path sample =
      std::filesystem::path(FOLIAN_SOURCE_DIR) / "examples" / "01-inn.gbk.txt";
  const std::string text = ReadBytes(sample);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text::FindGarbled(text, 0), std::nullopt);
}

TEST(GarbledRepair, TriesUtf8ThenBig5ThenUtf16) {
  auto utf8 = text::RepairGarbled("\xE4\xBD\xA0\xE5\xA5\xBD");  // 你好
  ASSERT_TRUE(utf8);
  EXPECT_EQ(utf8->gbk, Gbk("你好"));
  EXPECT_EQ(utf8->source, text::RepairSource::kUtf8);

  auto big5 = text::RepairGarbled("\xA4\xA4\xA4\xE5");  // 中文 in Big5
  ASSERT_TRUE(big5);
  EXPECT_EQ(big5->gbk, Gbk("中文"));
  EXPECT_EQ(big5->source, text::RepairSource::kBig5);

  auto utf16 = text::RepairGarbled(std::string("\x2D\x4E\x87\x65", 4));  // 中文 in UTF-16LE
  ASSERT_TRUE(utf16);
  EXPECT_EQ(utf16->gbk, Gbk("中文"));
  EXPECT_EQ(utf16->source, text::RepairSource::kUtf16LE);
}

TEST(GarbledRepair, NothingCleanMeansNoRepair) {
  EXPECT_EQ(text::RepairGarbled("\x80\x80\x80"), std::nullopt);
  EXPECT_EQ(text::RepairGarbled(""), std::nullopt);
  // UTF-8 for a Korean syllable: clean UTF-8, but GBK cannot hold it, and
  // neither Big5 nor UTF-16 reads these three bytes cleanly.
  EXPECT_EQ(text::RepairGarbled("\xED\x95\x9C"), std::nullopt);
}

class GarbledCommand : public ShellFixture {};

TEST_F(GarbledCommand, FindNextAndRepair) {
  WriteBytes(File("a.txt"), Gbk("开头") + "\x80\x80" + Gbk("中间") + "\xAA\xA1" + Gbk("结尾"));
  Open();
  view_.SelectBytes(0, 0);
  tools_->FindGarbled();
  EXPECT_EQ(view_.sel_start, 4u);
  EXPECT_EQ(view_.sel_length, 2u);
  tools_->NextGarbled();
  EXPECT_EQ(view_.sel_start, 10u);
  EXPECT_EQ(view_.sel_length, 2u);
  tools_->NextGarbled();
  EXPECT_EQ(view_.LastMessage(), msg::kNoGarbled);
}

TEST_F(GarbledCommand, RepairReplacesTheSelectionWithItsGbkForm) {
  // UTF-8 pasted into a GBK file often reads as (wrong) GBK characters, so
  // the user selects it by hand.
  WriteBytes(File("a.txt"), Gbk("开头") + "\xE4\xBD\xA0\xE5\xA5\xBD" + Gbk("中间"));
  Open();
  view_.SelectBytes(4, 6);
  tools_->RepairGarbled();
  EXPECT_EQ(Utf8(view_.editor), "开头你好中间");
  EXPECT_TRUE(view_.can_undo);
}

TEST_F(GarbledCommand, RepairNeedsASelectionAndSaysWhenItCannot) {
  WriteBytes(File("a.txt"), Gbk("开头") + "\x80\x80\x80" + Gbk("结尾"));
  Open();
  view_.SelectBytes(0, 0);
  tools_->RepairGarbled();
  EXPECT_EQ(view_.LastMessage(), msg::kSelectGarbled);
  const std::string before = view_.editor;
  view_.SelectBytes(4, 3);
  tools_->RepairGarbled();
  EXPECT_EQ(view_.LastMessage(), msg::kCannotRepair);
  EXPECT_EQ(view_.editor, before);
}

// --- hard returns ---

const std::string kLong = "他走进客栈看见一把宝剑挂在墙上心中暗暗称奇却不知道这把剑的来历";  // no end mark

TEST(HardReturnRule, WhichLinesEndAParagraph) {
  EXPECT_FALSE(text::LineEndsParagraph(Gbk(kLong)));
  EXPECT_TRUE(text::LineEndsParagraph(Gbk(kLong + "。")));
  EXPECT_TRUE(text::LineEndsParagraph(Gbk(kLong + "……")));
  EXPECT_TRUE(text::LineEndsParagraph(Gbk(kLong + "”")));
  EXPECT_TRUE(text::LineEndsParagraph(Gbk(kLong + "!")));
  EXPECT_TRUE(text::LineEndsParagraph(Gbk("短短的一行")));
  EXPECT_TRUE(text::LineEndsParagraph(Gbk("第一章 开始")));
  EXPECT_TRUE(text::LineEndsParagraph(""));
  // Trailing blanks (and full-width ones) do not hide the end mark.
  EXPECT_TRUE(text::LineEndsParagraph(Gbk(kLong + "。　 \t")));
  // The threshold from the replace field.
  EXPECT_FALSE(text::LineEndsParagraph(Gbk("短短的一行"), 4));
}

TEST(HardReturnRule, AgreesWithTheWayTidyingJoinsLines) {
  const std::vector<std::string> lines = {
      kLong, kLong + "。", "短行", "第十二章 风云", kLong + "……", kLong + "abc", kLong + "123",
      "　　" + kLong, kLong + "？", kLong + "）", kLong + "-", "一二三四五六七八九十一二三四五六七八九十一二"};
  tidy::ScanConfig config;
  config.num_convert = config.char_convert = config.punc_convert = 3;
  config.has_adver = false;
  for (const std::string& line : lines) {
    const std::string text = Gbk(line) + "\r\n" + Gbk("下一行。") + "\r\n";
    std::string out;
    std::vector<std::string> titles;
    tidy::ScanLines(text, config, &out, &titles);
    const bool joined = out.find(Gbk("下一行")) != std::string::npos &&
                        out.find("\r\n" + Gbk("下一行")) == std::string::npos;
    EXPECT_EQ(text::FindHardReturn(text, 0).has_value(), joined) << line;
  }
}

TEST(HardReturnFind, SelectsTheBreakAndSteps) {
  const std::string a = Gbk(kLong), b = Gbk(kLong + "。");
  const std::string text = a + "\r\n" + b + "\r\n" + a + "\n" + a;
  auto first = text::FindHardReturn(text, 0);
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, (ByteRange{a.size(), 2}));
  auto second = text::FindHardReturn(text, first->start + first->length);
  ASSERT_TRUE(second);
  EXPECT_EQ(*second, (ByteRange{a.size() + 2 + b.size() + 2 + a.size(), 1}));
  // The last line has no break to report.
  EXPECT_EQ(text::FindHardReturn(text, second->start + 1), std::nullopt);
}

class HardReturnCommand : public ShellFixture {};

TEST_F(HardReturnCommand, FindEnablesNextAndNothingLeftSaysSo) {
  WriteGbkFile("a.txt", kLong + "\r\n" + kLong + "。\r\n");
  Open();
  EXPECT_FALSE(view_.IsEnabled(kNextHardReturn));
  tools_->FindHardReturn();
  EXPECT_EQ(view_.sel_start, Gbk(kLong).size());
  EXPECT_EQ(view_.sel_length, 2u);
  EXPECT_TRUE(view_.IsEnabled(kNextHardReturn));
  tools_->NextHardReturn();
  EXPECT_EQ(view_.LastMessage(), msg::kNoHardReturn);
  EXPECT_FALSE(view_.IsEnabled(kNextHardReturn));
}

// --- brackets ---

TEST(BracketMatch, PairsNestedAndMixedWidthBrackets) {
  EXPECT_TRUE(text::UnmatchedBrackets(Gbk("(a[b]{c}) （全角） ［x］｛y｝")).empty());
  EXPECT_TRUE(text::UnmatchedBrackets(Gbk("(半角开全角关） （全角开半角关)")).empty());
}

TEST(BracketMatch, FindsStrayOpenersAndClosers) {
  const std::string text = Gbk("a(b[c)d]");
  // ")" closes "(", which leaves "[" open; "]" then has nothing to close.
  EXPECT_EQ(text::UnmatchedBrackets(text), (std::vector<ByteRange>{{3, 1}, {7, 1}}));
  EXPECT_EQ(text::UnmatchedBrackets(Gbk("好）")), (std::vector<ByteRange>{{2, 2}}));
  EXPECT_EQ(text::UnmatchedBrackets(Gbk("（好")), (std::vector<ByteRange>{{0, 2}}));
}

TEST(BracketMatch, BracketsPairWithinALineOnly) {
  EXPECT_EQ(text::UnmatchedBrackets("(a\r\nb)"), (std::vector<ByteRange>{{0, 1}, {5, 1}}));
}

TEST(BracketMatch, TrailBytesAreNoBrackets) {
  // 乕 is 81 5B: its second byte is "[" only to a byte-wise reader.
  EXPECT_TRUE(text::UnmatchedBrackets("\x81\x5B()\x81\x7D").empty());
}

class BracketCommand : public ShellFixture {};

TEST_F(BracketCommand, CheckAndNext) {
  WriteGbkFile("a.txt", "他说（你好。\r\n她答)好的[吗\r\n");
  Open();
  EXPECT_FALSE(view_.IsEnabled(kNextBracket));
  tools_->CheckBrackets();
  EXPECT_EQ(Utf8(view_.editor.substr(view_.sel_start, view_.sel_length)), "（");
  EXPECT_TRUE(view_.IsEnabled(kNextBracket));
  tools_->NextBracket();
  EXPECT_EQ(Utf8(view_.editor.substr(view_.sel_start, view_.sel_length)), ")");
  tools_->NextBracket();
  EXPECT_EQ(Utf8(view_.editor.substr(view_.sel_start, view_.sel_length)), "[");
  tools_->NextBracket();
  EXPECT_EQ(view_.LastMessage(), msg::kNoBracket);
  EXPECT_FALSE(view_.IsEnabled(kNextBracket));
}

}  // namespace
}  // namespace folian::app
