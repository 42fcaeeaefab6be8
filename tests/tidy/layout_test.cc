// The last steps of a tidy run: what a line is made of, the clean-up after
// advertisement removal, and indentation and blank lines.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "test_support.h"
#include "tidy/ad_residue.h"
#include "tidy/layout.h"
#include "tidy/line_substance.h"

namespace folian::tidy {
namespace {

using testing::G;
using testing::U;

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> out;
  std::size_t from = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string_view::npos; at = text.find("\r\n", from)) {
    out.emplace_back(text.substr(from, at - from));
    from = at + 2;
  }
  out.emplace_back(text.substr(from));
  return out;
}

TEST(LineSubstance, SortsEachKindOfCharacter) {
  const LineSubstance s = MeasureLine(G("第1章ａ，。　!Ω①ぁ“"));
  EXPECT_EQ(s.chinese, 2u);  // 第 章
  EXPECT_EQ(s.alnum, 5u);    // 1 ａ Ω ① ぁ
  EXPECT_EQ(s.marks, 4u);    // ， 。 ! “ (the full-width blank is a blank)
  EXPECT_TRUE(MeasureLine(G(" \t　　")).blank());
  EXPECT_TRUE(MeasureLine(G("……“”")).marks_only());
  EXPECT_FALSE(MeasureLine(G("m。")).marks_only());
  // A byte that is no GBK character counts as content, never as nothing.
  EXPECT_EQ(MeasureLine("\x80").chinese, 1u);
  EXPECT_EQ(MeasureLine("\xB0").chinese, 1u);  // lead byte cut off at the end
  EXPECT_EQ(MeasureLine("\xB0\x0A").chinese, 1u);
}

// A line of two-byte characters only is counted eight characters at a time;
// an ASCII letter put before it sends it down the byte walk, which must agree
// but for that letter. Lines of every length around those blocks, of
// characters with leads A1..A9 (no Chinese ones) and trails on both sides of
// A1, among Chinese characters; now and then a byte that is no lead or no
// trail makes both count by the walk.
TEST(LineSubstance, TwoByteLinesCountAsTheByteWalkDoes) {
  const std::vector<std::string> pieces = {
      "\xA1\xA1", "\xA1\xA3", "\xA1\x9F", "\xA2\xF1", "\xA3\xB0", "\xA3\xC1", "\xA3\xAC",
      "\xA3\xE1", "\xA4\xA2", "\xA8\xA6", "\xA9\xA4", "\xA9\x90", "\xA0\xFE", "\xB5\xDA",
      "\xF1\x81", "\xFE\xFE", "\x81\xA1", "\xAA\xA1"};
  // Bytes that are no lead (80, FF) or no trail (below 40) take the walk.
  const std::vector<std::string> odd = {"\xA1\x80", "\xA5\xFF", "\x80\xB0", "\xB0\x3A"};
  std::mt19937 rng(5);
  for (int round = 0; round < 3000; ++round) {
    std::string line;
    const int count = round % 41;
    for (int k = 0; k < count; ++k) line += pieces[rng() % pieces.size()];
    if (round % 5 == 0 && count > 0) line.insert(2 * (rng() % count), odd[rng() % odd.size()]);
    const LineSubstance fast = MeasureLine(line);
    const LineSubstance walked = MeasureLine("a" + line);
    EXPECT_EQ(fast.chinese, walked.chinese) << round;
    EXPECT_EQ(fast.alnum + 1, walked.alnum) << round;
    EXPECT_EQ(fast.marks, walked.marks) << round;
  }
}

TEST(Layout, NoBlankLineAtTheStartOrEndAndNoneIndented) {
  TidyOptions o;
  o.indent = 3;
  o.indent_num2 = 2;
  // The scanner puts a blank line before and after a title; the text may
  // also begin with one.
  const std::string scanned = G("\r\n第一章\r\n\r\n甲。\r\n　　\r\n乙。\r\n\r\n");
  EXPECT_EQ(U(ApplyLayout(scanned, o)), "　　第一章\r\n\r\n　　甲。\r\n\r\n　　乙。\r\n");
  o.paragraph = 1;
  EXPECT_EQ(U(ApplyLayout(scanned, o)),
            "　　第一章\r\n\r\n\r\n\r\n　　甲。\r\n\r\n\r\n\r\n　　乙。\r\n");
  // Unchanged options still drop the blank ends; a text without a final
  // line break keeps its end.
  EXPECT_EQ(U(ApplyLayout(G("\r\n\r\n甲。\r\n乙"), TidyOptions{})), "甲。\r\n乙");
  EXPECT_EQ(ApplyLayout("\r\n \r\n\t\r\n", o), "");
  EXPECT_EQ(ApplyLayout("", o), "");
}

TEST(Layout, BreaksAtFullStopsKeepTheirClosingMarks) {
  TidyOptions o;
  o.split_at_fullstop = true;
  // What the scanner makes of "他说：“走。”她笑。。" and a wrapped line starting with "。".
  const std::string scanned = G("他说：“走。\r\n”\r\n她笑。\r\n。\r\n\r\n下一段\r\n。我来。\r\n\r\n");
  EXPECT_EQ(U(ApplyLayout(scanned, o)), "他说：“走。”\r\n她笑。。\r\n\r\n下一段\r\n。我来。\r\n");
  // Marks after a blank line stay a paragraph, and without the forced
  // breaks a paragraph of marks is the author's.
  EXPECT_EQ(U(ApplyLayout(G("甲。\r\n\r\n……\r\n"), o)), "甲。\r\n\r\n……\r\n");
  o.split_at_fullstop = false;
  EXPECT_EQ(U(ApplyLayout(G("甲。\r\n“……”\r\n"), o)), "甲。\r\n“……”\r\n");
}

TEST(AdResidue, LinesTheRemovalEmptiedOrCutDown) {
  // Before and after the removal, as the tidy run sees them.
  const std::string before = G(
      "恋上你看书网\r\n下书网 手机端免费下载txt http://m。xiabook。com\r\n\r\n第五十一回\r\n\r\n"
      "话说大圣。\r\n(未完待续请搜索，小说更好更新更快!\r\n等我拿宝贝出去。\r\n全文阅读.23us.。\r\n");
  const std::string after = G(
      "\r\nm。\r\n\r\n第五十一回\r\n\r\n话说大圣。\r\n(，!\r\n等我拿宝贝出去。\r\n.23us.。\r\n");
  EXPECT_EQ(U(DropAdResidue(before, after)), "\r\n第五十一回\r\n\r\n话说大圣。\r\n等我拿宝贝出去。\r\n");
}

TEST(AdResidue, KeepsWhatTheRemovalOnlyRewroteOrLeftLong) {
  // Punctuation rewritten, not deleted: the line is the author's.
  EXPECT_EQ(U(DropAdResidue(G("甲。\r\n。。。\r\n乙。"), G("甲。\r\n…\r\n乙。"))), "甲。\r\n…\r\n乙。");
  // An address the rules did not take whole is not leftovers of one.
  const std::string url = "www.xiaoshuotxt.net/book/12345";
  EXPECT_EQ(DropAdResidue(G("甲。\r\n小说网") + url + "\r\n", G("甲。\r\n") + url + "\r\n"),
            G("甲。\r\n") + url + "\r\n");
  // A line of marks the removal did not touch stays next to one it cut down.
  EXPECT_EQ(U(DropAdResidue(G("甲。\r\n※※\r\n广告ww\r\n乙。"), G("甲。\r\n※※\r\nww\r\n乙。"))),
            "甲。\r\n※※\r\n乙。");
  EXPECT_EQ(DropAdResidue("same", "same"), "same");
}

TEST(AdResidue, LinesJoinedOrDeletedByTheRemoval) {
  // "\r\n”" -> "”" joins two lines; the advertisement after them is cut down.
  EXPECT_EQ(U(DropAdResidue(G("走。\r\n”\r\n(未完待续，更快!\r\n乙。\r\n"),
                            G("走。”\r\n(，!\r\n乙。\r\n"))),
            "走。”\r\n乙。\r\n");
  // Whole lines deleted with their line breaks: the lines after them still
  // line up, and a blank line the text had stays.
  EXPECT_EQ(U(DropAdResidue(G("甲。\r\n首发\r\n首发\r\n\r\n广告。\r\n乙。"), G("甲。\r\n\r\n。\r\n乙。"))),
            "甲。\r\n\r\n乙。");
}

// Random texts through a simulated removal: every line the removal left
// alone stays, in order, and nothing it cut down to leftovers does.
TEST(AdResidue, RandomRemovalsNeverTakeUntouchedLines) {
  std::mt19937 rng(1234);
  const std::vector<std::string> content = {G("他走进客栈。"), G("且听下回分解。"), G("第一章"),
                                            G("……"), G("“……”"), "", "", G("说道：“好。”")};
  for (int round = 0; round < 500; ++round) {
    std::string before, after;
    std::vector<std::string> kept;  // expected non-blank lines, in order
    std::size_t expected_blanks = 0;
    int n = 1 + static_cast<int>(rng() % (round % 10 == 0 ? 400 : 40));
    // Some rounds hold a stretch of changed lines (emptied, cut down or
    // shortened, none deleted) longer than the lining-up looks ahead.
    const bool long_round = round % 7 == 3;
    const int long_from = static_cast<int>(rng() % 10);
    if (long_round) n = long_from + 100 + static_cast<int>(rng() % 10);
    for (int k = 0; k < n; ++k) {
      static constexpr unsigned kChanged[] = {6, 7, 9};
      const bool in_long = long_round && k >= long_from && k < long_from + 100;
      const unsigned what = in_long ? kChanged[rng() % 3] : static_cast<unsigned>(rng() % 10);
      const std::string residue = "m" + std::to_string(round) + "x" + std::to_string(k) + G("。");
      if (what < 6) {  // untouched
        const std::string& line = content[rng() % content.size()];
        before += line + "\r\n";
        after += line + "\r\n";
        if (line.empty()) {
          ++expected_blanks;
        } else {
          kept.push_back(line);
        }
      } else if (what == 6) {  // an advertisement line emptied
        before += G("手机看小说") + "\r\n";
        after += "\r\n";
      } else if (what == 7) {  // cut down to leftovers
        before += G("下书网") + residue + "\r\n";
        after += residue + "\r\n";
      } else if (what == 8) {  // deleted with its line break
        before += G("本书首发") + "\r\n";
      } else {  // Chinese words deleted from a line of the novel
        before += G("他说道广告。") + "\r\n";
        after += G("他说道。") + "\r\n";
        kept.push_back(G("他说道。"));
      }
    }
    const std::vector<std::string> out = Lines(DropAdResidue(before, after));
    std::vector<std::string> nonblank;
    std::size_t blanks = 0;
    for (std::size_t k = 0; k + 1 < out.size(); ++k) {  // the last piece follows the final break
      if (out[k].empty()) {
        ++blanks;
      } else {
        nonblank.push_back(out[k]);
      }
    }
    ASSERT_EQ(nonblank, kept) << "round " << round << "\n" << U(before) << "----\n" << U(after);
    ASSERT_EQ(blanks, expected_blanks) << "round " << round << "\n" << U(before) << "----\n" << U(after);
  }
}

}  // namespace
}  // namespace folian::tidy
