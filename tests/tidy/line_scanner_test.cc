#include "tidy/line_scanner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <tuple>

#include "test_support.h"
#include "tidy/paragraph_layout.h"

namespace folian::tidy {
namespace {

using testing::G;
using testing::U;

struct Scanned {
  std::string text;  // UTF-8
  std::vector<std::string> titles;
};

Scanned Scan(std::string_view utf8, ScanConfig c = {}) {
  std::string out;
  std::vector<std::string> titles;
  ScanLines(G(utf8), c, &out, &titles);
  Scanned s{U(out), {}};
  for (const auto& t : titles) s.titles.push_back(U(t));
  return s;
}

// A line of n Chinese characters (2n bytes) without closing punctuation.
std::string Long(int n, const char* ch = "文") {
  std::string s;
  for (int i = 0; i < n; ++i) s += ch;
  return s;
}

TEST(TitleTest, WordsOrderOfDiNumbersAndLength) {
  EXPECT_TRUE(IsTitleLine(G("第一章 开始")));
  EXPECT_FALSE(IsTitleLine(G("章在第页")));
  // Ending in a numeral makes a title whatever the order, so 章第一 is one.
  EXPECT_TRUE(IsTitleLine(G("章第一")));
  EXPECT_TRUE(IsTitleLine(G("第三卷 风云")));
  EXPECT_TRUE(IsTitleLine(G("第十二回 宝玉")));
  EXPECT_TRUE(IsTitleLine(G("楔子")));
  EXPECT_TRUE(IsTitleLine(G("作品相关 感言")));
  EXPECT_TRUE(IsTitleLine(G("正文 第一")));
  EXPECT_FALSE(IsTitleLine(G("正文。")));     // "正文" needs the blank after it
  EXPECT_TRUE(IsTitleLine("12 abc"));
  EXPECT_TRUE(IsTitleLine(" -3x"));           // read like atoi
  EXPECT_FALSE(IsTitleLine("0 abc"));
  EXPECT_TRUE(IsTitleLine(G("卷拾")));         // ends in a numeral of either table
  EXPECT_TRUE(IsTitleLine(G("他数到了十")));
  EXPECT_TRUE(IsTitleLine(G("十")));
  EXPECT_FALSE(IsTitleLine(G("他数到了十一个")));
  // 59 bytes is the limit.
  std::string t = G("第一章") + std::string(53, 'a');
  EXPECT_EQ(t.size(), 59u);
  EXPECT_TRUE(IsTitleLine(t));
  EXPECT_FALSE(IsTitleLine(t + "a"));
}

TEST(LineScanner, TitlesStandOnTheirOwnWithOneBlankLineAround) {
  Scanned s = Scan("前文。\r\n第一章 开始\r\n第二章 继续\r\n第三章 结束\r\n正文开始了。\r\n");
  EXPECT_EQ(s.text, "前文。\r\n\r\n第一章 开始\r\n第二章 继续\r\n第三章 结束\r\n\r\n正文开始了。\r\n");
  EXPECT_EQ(s.titles, (std::vector<std::string>{"第一章 开始", "第二章 继续", "第三章 结束"}));
  // A long title (no closing mark, over the threshold) still keeps its text
  // when the next title takes back the blank line.
  ScanConfig c;
  c.short_line = 4;
  s = Scan("第一章 天下大势分久必合\n第二章 合久必分", c);
  EXPECT_EQ(s.text, "\r\n第一章 天下大势分久必合\r\n第二章 合久必分\r\n\r\n");
}

TEST(LineScanner, ParagraphJoiningAndTrimming) {
  const std::string a = Long(25), b = Long(10, "字");
  // A long line without closing punctuation joins the next; short lines end.
  EXPECT_EQ(Scan(a + "\r\n" + b + "\r\n").text, a + b + "\r\n");
  EXPECT_EQ(Scan(a + "……\n" + b).text, a + "……\r\n" + b + "\r\n");
  EXPECT_EQ(Scan(a + "”\n" + b).text, a + "”\r\n" + b + "\r\n");
  EXPECT_EQ(Scan(a + "?\n" + b).text, a + "?\r\n" + b + "\r\n");
  EXPECT_EQ(Scan(a + "7\n" + b).text, a + "7\r\n" + b + "\r\n");
  // Indents of full-width and ASCII blanks, tabs and blank lines vanish.
  EXPECT_EQ(Scan("　　开头。\r\n\r\n\r\n    \t第二段。　\r\n\n\r").text,
            "开头。\r\n第二段。\r\n");
  EXPECT_EQ(Scan("\r\n\r\n　　\r\n").text, "");
  // The threshold is a parameter.
  ScanConfig c;
  c.short_line = 100;
  EXPECT_EQ(Scan(a + "\n" + b, c).text, a + "\r\n" + b + "\r\n");
}

TEST(LineScanner, DigitLetterAndPunctuationConversions) {
  ScanConfig half;  // the values at start: digits and letters to half-width
  EXPECT_EQ(Scan("年份２０１０ＡＢｃ", half).text, "年份2010ABc\r\n");
  ScanConfig full;
  full.num_convert = 1;
  full.char_convert = 1;
  EXPECT_EQ(Scan("年份2010Ab", full).text, "年份２０１０Ａｂ\r\n");
  ScanConfig keep;
  keep.num_convert = keep.char_convert = 3;
  EXPECT_EQ(Scan("２０10ｘy", keep).text, "２０10ｘy\r\n");

  ScanConfig p1;
  p1.punc_convert = 1;
  EXPECT_EQ(Scan("值3.14和好.你(说)!a-b", p1).text, "值3.14和好。你（说）！a-b\r\n");
  EXPECT_EQ(Scan(".开头", p1).text, ".开头\r\n");  // no preceding byte: kept
  ScanConfig p2;
  p2.punc_convert = 2;
  EXPECT_EQ(Scan("你好！（是）“对”‘嗯’。", p2).text, "你好!(是)\"对\"'嗯'.\r\n");
}

TEST(LineScanner, QuotesBracketsAndBlanks) {
  EXPECT_EQ(Scan("「对」『好』").text, "“对”“好”\r\n");
  EXPECT_EQ(Scan("他说\"走\"又说\"停\"").text, "他说“走”又说“停”\r\n");
  // The quote state restarts on every line.
  EXPECT_EQ(Scan("\"甲\n\"乙").text, "“甲\r\n“乙\r\n");
  // An apostrophe inside a word stays; between non-letters it becomes curly.
  EXPECT_EQ(Scan("don't 说'好'").text, "don't 说‘好’\r\n");
  EXPECT_EQ(Scan("'开头").text, "'开头\r\n");
  EXPECT_EQ(Scan("甲　乙\t丙`").text, "甲  乙 丙.\r\n");
}

TEST(LineScanner, SiteFlagFoldsLettersAndDropsBlanksOutsideTitles) {
  ScanConfig c;
  c.site_flag = true;
  c.char_convert = 3;
  EXPECT_EQ(Scan("ＡＢＣ a B 文字\n第一章 开始", c).text, "abcab文字\r\n\r\n第一章 开始\r\n\r\n");
}

TEST(LineScanner, FullStopSplit) {
  ScanConfig c;
  c.split_at_fullstop = true;
  EXPECT_EQ(Scan("一句。二句。", c).text, "一句。\r\n二句。\r\n\r\n");
}

TEST(LineScanner, FooterLinesAreDroppedWithoutTrace) {
  ScanConfig c;
  c.footer_token = "abcde";
  const std::string site = G("某某网");
  c.footer_site_name = site;
  const std::string a = Long(25);
  EXPECT_EQ(Scan("第一章 开始\n更新时间:2007-11-16 7:55:51 本章字数:4804\n第二章 继续", c).text,
            "\r\n第一章 开始\r\n第二章 继续\r\n\r\n");
  EXPECT_EQ(Scan("甲。\n请到ABCDE.com看\n乙。", c).text, "甲。\r\n乙。\r\n");
  // The token only drops short lines; the line keeps its case.
  EXPECT_EQ(Scan(a + "ABCDE。", c).text, a + "ABCDE。\r\n");
  EXPECT_EQ(Scan("某某网 本节字数：3000\n乙。", c).text, "乙。\r\n");
  EXPECT_EQ(Scan("更新时间 2010 字数 3000\n乙。", c).text, "乙。\r\n");
  // A line of story that a footer was pasted into stays whole: the
  // advertisement stage takes the footer out of it.
  const std::string story = "水亭处处齐纨动，帘卷朱楼罢晚书香屋 更新时间:2012-10-17 10:47:21 本章字数:832妆。";
  EXPECT_EQ(Scan(story + "\n乙。", c).text, story + "\r\n乙。\r\n");
  EXPECT_EQ(Scan("手机电子书·飞库网 更新时间:2006-7-24 10:34:00 本章字数:2091\n乙。", c).text, "乙。\r\n");
  // Without advertising removal nothing is dropped.
  c.has_adver = false;
  EXPECT_EQ(Scan("更新时间 字数\n", c).text, "更新时间 字数\r\n");
}

TEST(LineScanner, OutputGrowsBeyondItsInitialSize) {
  ScanConfig c;
  c.num_convert = 1;
  const std::string digits(10000, '7');
  std::string out;
  ScanLines(digits, c, &out, nullptr);
  // Twice the input; no closing mark, so no line break follows.
  EXPECT_EQ(out.size(), 20000u);
}

TEST(LineScanner, TitleListStopsAt4096) {
  std::string text;
  for (int i = 1; i <= 5000; ++i) text += std::to_string(i) + "\n";
  std::string out;
  std::vector<std::string> titles;
  ScanLines(text, {}, &out, &titles);
  ASSERT_EQ(titles.size(), kMaxTitles);
  EXPECT_EQ(titles.back(), "4096");
  EXPECT_NE(out.find("\r\n4999\r\n5000\r\n\r\n"), std::string::npos);
}

class RecordingSink : public ProgressSink {
 public:
  void SetPosition(std::int64_t pos) override { positions.push_back(pos); }
  std::vector<std::int64_t> positions;
};

TEST(LineScanner, ProgressEveryStepLines) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += G("文字。") + "\r\n";
  RecordingSink sink;
  ScanConfig c;
  c.progress = &sink;
  c.progress_step = EditorLineCount(text) / 10;
  EXPECT_EQ(c.progress_step, 10u);
  std::string out;
  ScanLines(text, c, &out, nullptr);
  EXPECT_EQ(sink.positions, (std::vector<std::int64_t>{12, 19, 26, 33, 40, 47, 54, 61, 68, 75}));
  EXPECT_EQ(EditorLineCount("a\r\nb\nc\rd"), 4u);
  EXPECT_EQ(EditorLineCount(""), 1u);
  EXPECT_EQ(EditorLineCount("a\r"), 2u);
  EXPECT_EQ(EditorLineCount("\r\r\n\n"), 4u);
  // Long texts are counted in blocks: a CR at a block's end with its LF in
  // the next one, and totals past what one block's lane counters hold.
  for (const std::size_t n : {16u, 17u, 31u, 33u, 4096u, 9000u}) {
    std::string mixed(n, 'a');
    std::size_t expected = 1, seed = n;
    for (std::size_t i = 0; i < n; ++i) {
      seed = seed * 1103515245 + 12345;
      mixed[i] = "\r\na\r\n"[(seed >> 16) % 5];
    }
    for (std::size_t i = 0; i < n; ++i) expected += mixed[i] == '\n' || (mixed[i] == '\r' && (i + 1 == n || mixed[i + 1] != '\n'));
    EXPECT_EQ(EditorLineCount(mixed), expected) << n;
    EXPECT_EQ(EditorLineCount(std::string(n, '\n')), n + 1) << n;
    EXPECT_EQ(EditorLineCount(std::string(n / 2, '\r') + std::string(n - n / 2, '\n')), n + 1 - (n > 1 ? 1 : 0)) << n;
  }

  // Lines that trim to nothing count too, the trailing ones included.
  std::string blanks;
  for (int i = 0; i < 100; ++i) blanks += G("文字。") + "\r\n  \r\n";
  sink.positions.clear();
  c.progress_step = 20;
  out.clear();
  ScanLines(blanks, c, &out, nullptr);
  EXPECT_EQ(sink.positions, (std::vector<std::int64_t>{12, 19, 26, 33, 40, 47, 54, 61, 68, 75}));
}

}  // namespace
}  // namespace folian::tidy

namespace folian::tidy {
namespace {

// Builds a hard-wrapped paragraph: `lines` lines of `width` characters
// (the last one shorter), every wrapped line ending in "。".
std::vector<std::string> Wrapped(int lines, int width, const char* ch) {
  std::vector<std::string> out;
  for (int i = 0; i < lines; ++i) {
    std::string l;
    const int n = i + 1 == lines ? width / 2 : width;
    for (int k = 0; k + 1 < n; ++k) l += ch;
    l += "。";
    out.push_back(l);
  }
  return out;
}

std::string Joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& l : v) s += l;
  return s;
}

// A line's sentence ends, curly quotes and how it ends, counted eight
// characters at a time, against a walk of its characters: random lines of
// every mark the count knows and other characters, of every length around
// the edges of those blocks. A line ends on a stop, or on a closing quote
// after one (’ and 』 close speech inside speech and end nothing).
TEST(LineScannerLayout, DescribedLineEndsMatchACharacterWalk) {
  const std::vector<std::string> pieces = {G("。"), G("！"), G("？"), G("…"), G("”"), G("」"), G("』"), G("’"),
                                           G("“"), G("‘"), G("字"), G("，"), G("："), G("〈")};
  auto is = [](std::string_view c, std::initializer_list<const char*> set) {
    for (const char* s : set) {
      if (c == G(s)) return true;
    }
    return false;
  };
  std::uint32_t seed = 11;
  for (int round = 0; round < 4000; ++round) {
    std::vector<std::string> chars;
    const int count = 1 + round % 48;
    for (int k = 0; k < count; ++k) {
      seed = seed * 1103515245 + 12345;
      chars.push_back(pieces[(seed >> 16) % pieces.size()]);
    }
    std::string line;
    std::uint32_t inner = 0, inner_quote = 0, curly = 0;
    auto stop = [&](std::size_t k) { return is(chars[k], {"。", "！", "？", "…"}); };
    auto quote = [&](std::size_t k) { return is(chars[k], {"”", "’", "」", "』"}); };
    for (std::size_t k = 0; k < chars.size(); ++k) {
      line += chars[k];
      curly += is(chars[k], {"“", "”", "‘", "’"});
      if (k + 1 == chars.size() || stop(k + 1) || quote(k + 1)) continue;
      if (stop(k)) ++inner;
      if (quote(k) && k > 0 && stop(k - 1)) ++inner_quote;
    }
    const std::size_t last = chars.size() - 1;
    const LayoutLine l = DescribeLine(line, 0, 0);
    EXPECT_EQ(l.inner_ends, inner) << U(line);
    EXPECT_EQ(l.inner_quote_ends, inner_quote) << U(line);
    EXPECT_EQ(l.columns, (line.size() - curly + 1) / 2) << U(line);
    EXPECT_EQ(l.length, chars.size()) << U(line);
    EXPECT_EQ(l.stop_end, stop(last)) << U(line);
    EXPECT_EQ(l.quote_end, is(chars[last], {"”", "」"}) && last > 0 && stop(last - 1)) << U(line);
  }
}

TEST(LineScannerLayout, IndentedParagraphsJoinAcrossWrapsAfterFullStops) {
  const char* chars[] = {"甲", "乙", "丙", "丁", "戊"};
  std::string in, want;
  for (const char* c : chars) {
    auto p = Wrapped(4, 32, c);
    for (std::size_t i = 0; i < p.size(); ++i) in += (i == 0 ? "　　" : "") + p[i] + "\r\n";
    want += Joined(p) + "\r\n";
  }
  EXPECT_EQ(Scan(in).text, want);
  // Without following the layout, every "。" line ends a paragraph.
  ScanConfig exact;
  exact.follow_layout = false;
  EXPECT_NE(Scan(in, exact).text, want);
}

TEST(LineScannerLayout, BlankSeparatedAndUnmarkedWrapping) {
  const char* chars[] = {"甲", "乙", "丙", "丁", "戊"};
  std::string blank_in, plain_in, want;
  for (const char* c : chars) {
    auto p = Wrapped(5, 30, c);
    for (const auto& l : p) blank_in += l + "\n", plain_in += l + "\n";
    blank_in += "\n";
    want += Joined(p) + "\r\n";
  }
  EXPECT_EQ(Scan(blank_in).text, want);
  // No marks at all: lines that reach the common width go on.
  EXPECT_EQ(Scan(plain_in).text, want);
}

TEST(LineScannerLayout, OneParagraphPerLineKeepsTheClosingRule) {
  // Every line indented and of varied length: nothing to learn from the layout.
  std::string in;
  for (int i = 0; i < 20; ++i) in += "　　" + Long(25 + i % 7) + (i % 3 == 0 ? "" : "。") + "\n";
  ScanConfig exact;
  exact.follow_layout = false;
  EXPECT_TRUE(Scan(in).text == Scan(in, exact).text);
}

TEST(LineScannerLayout, LoneBlankLineInUnmarkedWrappingPartsParagraphs) {
  // Unmarked wrapped text where one paragraph ends exactly at the wrap width:
  // only a blank line can tell its end from a wrap after a "。".
  const char* chars[] = {"甲", "乙", "丙", "丁", "戊", "己"};
  std::string in, want;
  for (const char* c : chars) {
    auto p = Wrapped(5, 30, c);
    if (std::string_view(c) == "丙") p.back() = Wrapped(2, 30, c).front();
    for (const auto& l : p) in += l + "\n";
    want += Joined(p) + "\r\n";
  }
  const std::string last_full = Wrapped(2, 30, "丙").front();
  const std::size_t cut = in.rfind(last_full) + last_full.size() + 1;
  const std::string with_blank = in.substr(0, cut) + "\n" + in.substr(cut);
  EXPECT_EQ(Scan(with_blank).text, want);
  // Without the blank line the full-width line reads as a wrap and goes on.
  EXPECT_NE(Scan(in).text, want);
  // A blank line after a line that stops mid-sentence does not part it.
  std::string open = with_blank;
  open.replace(open.rfind(last_full) + last_full.size() - 2, 2, "丙");
  EXPECT_EQ(Scan(open).text.find("丙丙\r\n"), std::string::npos);
}

// Each chapter keeps its own layout: a chapter that indents every line
// next to one that indents only first lines, ad lines without the mark
// between paragraphs, long paragraphs, and wraps measured in characters.
TEST(LineScannerLayout, ChaptersKeepTheirOwnLayout) {
  const char* chars[] = {"甲", "乙", "丙", "丁"};
  std::string in = "第一章 开端\n", want = "\r\n第一章 开端\r\n\r\n";
  // First-line indentation, long paragraphs (fewer starts than lines nearby).
  for (const char* c : chars) {
    auto p = Wrapped(18, 30, c);
    for (std::size_t i = 0; i < p.size(); ++i) in += (i == 0 ? "　　" : "") + p[i] + "\n";
    want += Joined(p) + "\r\n";
  }
  in += "第二章 继续\n";
  want += "\r\n第二章 继续\r\n\r\n";
  // Every line indented: nothing marked, the wrap width decides.
  for (const char* c : chars) {
    auto p = Wrapped(4, 36, c);
    for (const auto& l : p) in += "    " + l + "\n";
    want += Joined(p) + "\r\n";
  }
  EXPECT_EQ(Scan(in).text, want);
}

TEST(LineScannerLayout, ShortLineEndsItsParagraphWhateverFollows) {
  // An indented chapter with a line of advertising (no indentation) after
  // some paragraphs: it must not glue the paragraph before it to itself.
  const char* chars[] = {"甲", "乙", "丙", "丁", "戊"};
  const std::string ad = "本站网址请牢记";
  std::string in, want;
  for (const char* c : chars) {
    // Last lines of 30 characters: too long for the short-line rule.
    auto p = Wrapped(4, 60, c);
    for (std::size_t i = 0; i < p.size(); ++i) in += (i == 0 ? "　　" : "") + p[i] + "\n";
    want += Joined(p) + "\r\n";
    if (std::string_view(c) == "乙" || std::string_view(c) == "丁") {
      in += ad + "\n";
      want += ad + "\r\n";
    }
  }
  EXPECT_EQ(Scan(in).text, want);
}

TEST(LineScannerLayout, WrapWidthCountsCharactersNotBytes) {
  // Unmarked wrapping at 30 characters; one wrapped line holds half-width
  // letters, so it is shorter in bytes but still full: it goes on.
  const char* chars[] = {"甲", "乙", "丙", "丁"};
  std::string in, want;
  for (const char* c : chars) {
    auto p = Wrapped(5, 30, c);
    if (std::string_view(c) == "乙") p[1] = Long(19, c) + "abcdefghij" + "。";
    for (const auto& l : p) in += l + "\n";
    want += Joined(p) + "\r\n";
  }
  EXPECT_EQ(Scan(in).text, want);
}

TEST(LineScannerLayout, DroppedFooterBetweenParagraphsKeepsTheBreak) {
  // Every line indented (so the wrap width decides); a paragraph ends at
  // the full width, then a footer line the filter drops.
  const char* chars[] = {"甲", "乙", "丙", "丁"};
  std::string in, want;
  for (const char* c : chars) {
    auto p = Wrapped(4, 30, c);
    if (std::string_view(c) == "乙") p.back() = p.front();
    for (const auto& l : p) in += "　　" + l + "\n";
    if (std::string_view(c) == "乙") in += "[Www.Qisuu.Com]\n";
    want += Joined(p) + "\r\n";
  }
  ScanConfig c;
  c.footer_token = "qisuu";
  EXPECT_EQ(Scan(in, c).text, want);
  // The closing-character rule alone drops it without a trace.
  c.follow_layout = false;
  EXPECT_EQ(Scan(in, c).text.find("[Www"), std::string::npos);
}

TEST(LineScannerLayout, UnwrappedTextKeepsEveryLineBreak) {
  // One paragraph per line, many far longer than any wrap: a line that ends
  // in "：" introduces a verse and still ends its paragraph.
  std::string in, want;
  for (int i = 0; i < 6; ++i) {
    const std::string para = Long(120 + 7 * i) + "，有诗为证：";
    const std::string verse = "春眠不觉晓，处处闻啼鸟。";
    in += para + "\n" + verse + "\n";
    want += para + "\r\n" + verse + "\r\n";
  }
  EXPECT_EQ(Scan(in).text, want);
  ScanConfig exact;
  exact.follow_layout = false;
  EXPECT_NE(Scan(in, exact).text, want);
}

}  // namespace
}  // namespace folian::tidy

// Layout families of downloaded novels: each case builds a hard-wrapped text
// from known paragraphs and wants exactly those paragraphs back.
namespace folian::tidy {
namespace {

// UTF-8 code points of s.
std::vector<std::string> CodePoints(std::string_view s) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    const std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    out.emplace_back(s.substr(i, n));
    i += n;
  }
  return out;
}

// Story text from a pool of characters: clauses of 4..12 characters ending
// in "，" or (every third) "。", the whole ending in "。". Deterministic.
std::string Story(int chars, unsigned seed, std::string_view pool_utf8) {
  const std::vector<std::string> pool = CodePoints(pool_utf8);
  std::string s;
  unsigned x = seed * 2654435761u + 12345u;
  auto next = [&] { return (x = x * 1103515245u + 12345u) >> 16; };
  int clause = 0, clauses = 0;
  for (int i = 0; i + 1 < chars; ++i) {
    if (clause >= 4 && (clause >= 12 || next() % 5 == 0) && i + 2 < chars) {
      s += ++clauses % 3 == 0 ? "。" : "，";
      clause = 0;
    } else {
      s += pool[next() % pool.size()];
      ++clause;
    }
  }
  return s + "。";
}

constexpr std::string_view kPool = "天地玄黄宇宙洪荒日月盈昃辰宿列张寒来暑往秋收冬藏闰余成岁律吕调阳云腾致雨露结为霜金生丽水玉出昆冈剑号巨阙珠称夜光果珍李柰菜重芥姜海咸河淡鳞潜羽翔龙师火帝鸟官人皇";

struct WrapStyle {
  int width = 30;               // characters per line
  std::string indent;           // before a paragraph's first line
  int indent_chars = 0;         // room the indent takes from the first line
  bool kinsoku = false;         // closing marks stay on the line before
  bool blank_between = false;   // a blank line between paragraphs
  bool indent_every_line = false;  // the indent (and its room) on every line
  bool narrow_quotes = false;      // “ ” take half a character's room
};

bool IsClosingMark(const std::string& cp) {
  static const std::vector<std::string> marks = {"，", "。", "、", "；", "：", "？", "！", "”", "」", "』"};
  return std::find(marks.begin(), marks.end(), cp) != marks.end();
}

// Hard-wraps each paragraph; every code point is one character wide.
std::vector<std::string> WrapLines(std::string_view para, const WrapStyle& s) {
  const std::vector<std::string> cps = CodePoints(para);
  std::vector<std::string> lines;
  std::size_t at = 0;
  int room = s.width - s.indent_chars;
  while (at < cps.size()) {
    std::size_t end = at;
    for (int half = 2 * room; end < cps.size();) {
      half -= s.narrow_quotes && (cps[end] == "“" || cps[end] == "”") ? 1 : 2;
      if (half < 0) break;
      ++end;
    }
    if (s.kinsoku) {
      for (int pulled = 0; end < cps.size() && pulled < 2 && IsClosingMark(cps[end]); ++pulled) ++end;
    }
    std::string line;
    for (std::size_t i = at; i < end; ++i) line += cps[i];
    lines.push_back(line);
    at = end;
    room = s.indent_every_line ? s.width - s.indent_chars : s.width;
  }
  return lines;
}

std::string Layout(const std::vector<std::string>& paras, const WrapStyle& s) {
  std::string out;
  for (std::size_t p = 0; p < paras.size(); ++p) {
    if (p > 0 && s.blank_between) out += "\n";
    const std::vector<std::string> lines = WrapLines(paras[p], s);
    for (std::size_t i = 0; i < lines.size(); ++i) {
      out += (i == 0 || s.indent_every_line ? s.indent : "") + lines[i] + "\n";
    }
  }
  return out;
}

std::string Want(const std::vector<std::string>& paras) {
  std::string out;
  for (const auto& p : paras) out += p + "\r\n";
  return out;
}

// Paragraphs of the given lengths (characters, the final "。" included).
std::vector<std::string> Paras(const std::vector<int>& lengths, std::string_view pool = kPool) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < lengths.size(); ++i) out.push_back(Story(lengths[i], 7 + i, pool));
  return out;
}

// Compares tidied text line by line and names the first line that differs
// (the text itself, readable, not escaped).
::testing::AssertionResult SameLines(const std::string& got, const std::string& want) {
  if (got == want) return ::testing::AssertionSuccess();
  auto split = [](const std::string& t) {
    std::vector<std::string> v;
    for (std::size_t a = 0, b; a < t.size(); a = b + 2) {
      b = t.find("\r\n", a);
      if (b == std::string::npos) b = t.size();
      v.push_back(t.substr(a, b - a));
    }
    return v;
  };
  const auto g = split(got), w = split(want);
  std::size_t i = 0;
  while (i < g.size() && i < w.size() && g[i] == w[i]) ++i;
  return ::testing::AssertionFailure() << "line " << i << " of " << w.size() << " differs:\n got: "
                                       << (i < g.size() ? g[i] : "(none)") << "\nwant: "
                                       << (i < w.size() ? w[i] : "(none)");
}

std::string Rule(const std::string& text) {
  ScanConfig c;
  c.follow_layout = false;
  return Scan(text, c).text;
}

TEST(LineScannerFamilies, WrapsNarrowerThanTheShortLineThreshold) {
  // 20 characters are 40 bytes, under the 44 of the closing-punctuation rule:
  // the wrap width, not the threshold, tells a paragraph's last line.
  WrapStyle s;
  s.width = 20;
  const auto paras = Paras({55, 73, 48, 91, 66, 85, 52, 77});
  EXPECT_TRUE(SameLines(Scan(Layout(paras, s)).text, Want(paras)));
  EXPECT_NE(Rule(Layout(paras, s)), Want(paras));
  // Indented first lines, the indent taking room from them.
  s.indent = "　　";
  s.indent_chars = 2;
  EXPECT_TRUE(SameLines(Scan(Layout(paras, s)).text, Want(paras)));
}

TEST(LineScannerFamilies, TraditionalCharactersCountOnce) {
  // Most traditional characters have a GBK second byte below 0x80 (這 is
  // DF 40): counted by their high bytes they made lines look longer or
  // shorter with their mix, and no wrap width stood out. Clauses end at
  // the wrap, so the closing-punctuation rule alone would part every line.
  const std::string pool = "這裡說進門過頭銀麼時與纔親縣錢罷沒馬鮑學開卻東無發間別長莊鄉買孫鳳禮萬遲點齊謝了的道來不是人子個他我老在著去你上到家有生那也";
  std::vector<std::string> paras;
  for (int p = 0; p < 6; ++p) {
    std::string para;
    const int lines = 3 + p % 3;
    for (int l = 0; l < lines; ++l) {
      const bool last = l + 1 == lines;
      const std::string clause = Story(last ? 12 : 26, 31 * p + l, pool);
      // Each full line: 25 characters and "。" (Story ends in "。").
      para += clause;
    }
    paras.push_back(para);
  }
  WrapStyle s;
  s.width = 26;
  const std::string in = Layout(paras, s);
  EXPECT_TRUE(SameLines(Scan(in).text, Want(paras)));
  EXPECT_NE(Rule(in), Want(paras));
}

TEST(LineScannerFamilies, IndentTakesRoomFromTheFirstLine) {
  // 　　 and four blanks are two characters wide, a tab one: the first line
  // of a paragraph stops that much short of the width and still goes on.
  const auto paras = Paras({320, 265, 410, 288, 351, 302, 277});
  for (const auto& [indent, chars] : std::vector<std::pair<std::string, int>>{{"　　", 2}, {"    ", 2}, {"\t", 1}}) {
    WrapStyle s;
    s.width = 32;
    s.indent = indent;
    s.indent_chars = chars;
    EXPECT_TRUE(SameLines(Scan(Layout(paras, s)).text, Want(paras))) << "indent of " << chars;
  }
}

TEST(LineScannerFamilies, ExactCutsEndParagraphsOneCharacterShort) {
  // A wrap that cuts at the width exactly leaves "，" and "。" at the start of
  // lines (they go on the line before) and every wrapped line full: a line
  // one character short is a paragraph's last.
  WrapStyle s;
  s.width = 30;
  // Second paragraph: 59 characters, its last line 29.
  const auto paras = Paras({140, 59, 97, 123, 88, 147, 76, 110});
  const std::string in = Layout(paras, s);
  ASSERT_NE(in.find("\n，"), std::string::npos);
  EXPECT_TRUE(SameLines(Scan(in).text, Want(paras)));
  // Where a wrap keeps such marks on the line, lines stop short by one now
  // and then, and a line one short still goes on.
  s.kinsoku = true;
  const auto long_paras = Paras({140, 97, 123, 88, 147, 76, 110});
  EXPECT_TRUE(SameLines(Scan(Layout(long_paras, s)).text, Want(long_paras)));
}

TEST(LineScannerFamilies, LinesWiderThanTheWrapStandAlone) {
  // A line of advertising wider than the wrap after a paragraph that ends
  // at the full width with a closing mark: no wrapped paragraph goes on into
  // a line wider than the wrap, so neither paragraph takes it.
  WrapStyle s;
  s.width = 24;
  auto paras = Paras({70, 48, 91, 67, 80, 45});
  ASSERT_EQ(CodePoints(paras[1]).size() % 24, 0u);
  const std::string ad = "欢迎访问国内最大的电子书下载网站：http://www.example-books.com.cn";
  std::string in = Layout({paras[0], paras[1]}, s) + ad + "\n" + Layout({paras[2], paras[3], paras[4], paras[5]}, s);
  std::vector<std::string> want = {paras[0], paras[1], ad, paras[2], paras[3], paras[4], paras[5]};
  EXPECT_TRUE(SameLines(Scan(in).text, Want(want)));
}

TEST(LineScannerFamilies, TitleTestHitsInsideWrappedParagraphs) {
  // Wrapped lines that end in 三 or hold 第 before 回 pass the title test;
  // inside a paragraph they are story text. A line that starts with 第, a
  // number and 回 stays a title.
  WrapStyle s;
  s.width = 24;
  std::vector<std::string> paras = Paras({70, 85, 64, 90});
  auto cps = CodePoints(paras[1]);
  cps[23] = "三";                          // the end of its first line
  cps[30] = "第", cps[33] = "回";           // 第 before 回 on its second line
  paras[1].clear();
  for (const auto& c : cps) paras[1] += c;
  const std::string title = "第五回 天下大势";
  const std::string in = Layout({paras[0], paras[1]}, s) + title + "\n" + Layout({paras[2], paras[3]}, s);
  std::vector<std::string> titles;
  std::string out;
  ScanLines(G(in), {}, &out, &titles);
  EXPECT_EQ(U(out), Want({paras[0], paras[1]}) + "\r\n" + title + "\r\n\r\n" + Want({paras[2], paras[3]}));
  EXPECT_EQ(titles, std::vector<std::string>{G(title)});
}

TEST(LineScannerFamilies, MixedIndentationInOneChapter) {
  // Paragraphs indented by 　　, four blanks or a tab, or not at all: a
  // paragraph that stops short ends, whatever starts the next one. Also
  // where most paragraphs are a short sentence, so that few lines reach the
  // wrap width (a wrap is still told by those stopping mid-sentence).
  const std::vector<std::pair<int, std::vector<int>>> chapters = {
      {28, {101, 66, 134, 79, 58, 120, 93, 71, 112, 84}},
      {40, {12, 27, 9, 133, 18, 31, 14, 22, 11, 35, 16, 25, 128, 13, 29, 10, 19, 33, 15, 24,
            12, 30, 141, 17, 21, 26, 9, 34, 13, 20, 23, 11, 36, 125, 18, 27, 14, 32, 16, 22,
            15, 28, 10, 19, 33, 12, 24, 17, 30, 9, 21, 14, 27, 11, 35, 16, 23, 13, 29, 18}},
  };
  const char* indents[] = {"　　", "", "    ", "\t", "　　", "", "    ", "　　", "", "\t"};
  for (const auto& [width, lengths] : chapters) {
    const auto paras = Paras(lengths);
    std::string in;
    for (std::size_t i = 0; i < paras.size(); ++i) {
      WrapStyle s;
      s.width = width;
      s.indent = indents[i % 10];
      in += Layout({paras[i]}, s);
    }
    EXPECT_TRUE(SameLines(Scan(in).text, Want(paras))) << "width " << width;
  }
}

TEST(LineScannerFamilies, AFewUnindentedParagraphsAmongIndentedOnes) {
  // Two paragraphs in fourteen start without the indentation: each still
  // starts its own line after a short last line that closes, though the
  // line before that stops mid-sentence at the width.
  const auto paras = Paras({101, 66, 134, 79, 58, 120, 93, 71, 112, 84, 97, 62, 105, 88});
  WrapStyle s;
  s.width = 24;
  std::string in;
  for (std::size_t i = 0; i < paras.size(); ++i) {
    const bool plain = i == 5 || i == 11;
    s.indent = plain ? "" : "　　";
    s.indent_chars = plain ? 0 : 2;
    if (plain) {
      const std::vector<std::string> before = WrapLines(paras[i - 1], s);
      ASSERT_GE(before.size(), 2u);
      ASSERT_FALSE(IsClosingMark(CodePoints(before[before.size() - 2]).back()));
      ASSERT_LT(CodePoints(before.back()).size(), 22u);
    }
    in += Layout({paras[i]}, s);
  }
  EXPECT_TRUE(SameLines(Scan(in).text, Want(paras)));
}

TEST(LineScannerFamilies, ALoneOddIndentationAfterAFullLineMarksNothing) {
  // Paragraphs indented by 　　; inside one, a wrap puts a single 　 (an
  // inline advertisement's blank) at the start of a line after a full line
  // that stops mid-sentence: the paragraph goes on.
  auto paras = Paras({101, 66, 134, 79, 58, 120, 93, 71, 112, 84});
  WrapStyle s;
  s.width = 24;
  s.indent = "　　";
  s.indent_chars = 2;
  const std::vector<std::string> cps = CodePoints(paras[2]);
  std::string odd;
  for (std::size_t i = 0; i < cps.size(); ++i) odd += (i == 22 ? "　" : "") + cps[i];
  ASSERT_FALSE(IsClosingMark(cps[21]));
  std::vector<std::string> in_paras = paras;
  in_paras[2] = odd;
  const std::string in = Layout(in_paras, s);
  ASSERT_NE(in.find("\n　" + cps[22]), std::string::npos);
  EXPECT_TRUE(SameLines(Scan(in).text, Want(paras)));
}

TEST(LineScannerFamilies, ParagraphsIndentedOnEveryLine) {
  // Most paragraphs unindented at 30 characters, some indented by 　　 on
  // every line, which takes two characters from each: lines indented alike
  // wrap alike.
  const auto paras = Paras({140, 95, 163, 88, 131, 102, 117, 150, 99});
  std::string in;
  for (std::size_t i = 0; i < paras.size(); ++i) {
    WrapStyle s;
    s.width = 30;
    if (i % 3 == 1) {
      s.indent = "　　";
      s.indent_chars = 2;
      s.indent_every_line = true;
    }
    in += Layout({paras[i]}, s);
  }
  EXPECT_TRUE(SameLines(Scan(in).text, Want(paras)));

  // Every line indented alike at 20 characters: no line reaches 20, the
  // width shows with the room the indentation takes. A wrapped line that
  // ends in 三 goes on into the next, indented like it.
  auto narrow = Paras({140, 95, 163, 88, 131, 102, 117, 150, 99});
  auto cps = CodePoints(narrow[2]);
  cps[17] = "三";
  narrow[2].clear();
  for (const auto& c : cps) narrow[2] += c;
  WrapStyle all;
  all.width = 20;
  all.indent = "　　";
  all.indent_chars = 2;
  all.indent_every_line = true;
  EXPECT_TRUE(SameLines(Scan(Layout(narrow, all)).text, Want(narrow)));

  // Each paragraph indented on every line by a kind of its own: where one
  // closes at the full width, the next one's indentation starts it.
  const std::vector<std::pair<std::string, int>> kinds = {{"　　", 2}, {"\t", 1}, {"    ", 2}, {"", 0}};
  std::vector<std::string> ending;
  in.clear();
  for (int i = 0; i < 12; ++i) {
    WrapStyle k;
    k.width = 26;
    std::tie(k.indent, k.indent_chars) = kinds[i % kinds.size()];
    k.indent_every_line = true;
    const int room = k.width - k.indent_chars;
    ending.push_back(Story(i % 2 == 0 ? 3 * room : 2 * room + 9, 40 + i, kPool));
    in += Layout({ending.back()}, k);
  }
  EXPECT_TRUE(SameLines(Scan(in).text, Want(ending)));
}

TEST(LineScannerFamilies, ShortParagraphsEndAtTheWidthToo) {
  // Paragraphs of a sentence or two, unmarked: many a sentence ends its
  // paragraph, so one that ends at the full width does too.
  WrapStyle s;
  s.width = 24;
  const auto paras = Paras({30, 24, 41, 17, 48, 35, 22, 24, 39, 28, 48, 33, 19, 44, 21, 37});
  EXPECT_TRUE(SameLines(Scan(Layout(paras, s)).text, Want(paras)));
  // Long paragraphs: a sentence that ends at the width seldom ends one.
  auto long_paras = Paras({140, 97, 123, 88, 147, 76, 110, 131});
  for (std::size_t p = 0; p < long_paras.size(); p += 2) {
    auto cps = CodePoints(long_paras[p]);
    cps[23] = "。";
    long_paras[p].clear();
    for (const auto& c : cps) long_paras[p] += c;
  }
  EXPECT_TRUE(SameLines(Scan(Layout(long_paras, s)).text, Want(long_paras)));
}

TEST(LineScannerFamilies, LinesDroppedBetweenWrappedLines) {
  // Blank lines part the paragraphs; an advertising line sits between two
  // wrapped lines of one of them, after a line that stops mid-sentence. The
  // paragraph stays whole around it (the advertising stages take it out).
  WrapStyle s;
  s.width = 26;
  s.blank_between = true;
  const auto paras = Paras({90, 112, 75, 130, 64, 97, 83, 121, 70, 103});
  std::string in = Layout(paras, s);
  const std::vector<std::string> lines = WrapLines(paras[1], s);
  ASSERT_GE(lines.size(), 3u);
  ASSERT_FALSE(IsClosingMark(CodePoints(lines[1]).back()));
  const std::string ad = "请记住本站网址。";
  const std::size_t at = in.find(lines[1] + "\n") + lines[1].size() + 1;
  in.insert(at, ad + "\n");
  std::vector<std::string> want = paras;
  want[1] = lines[0] + lines[1] + ad;
  for (std::size_t i = 2; i < lines.size(); ++i) want[1] += lines[i];
  EXPECT_TRUE(SameLines(Scan(in).text, Want(want)));
}

TEST(LineScannerFamilies, LinesOfHalfWidthCharactersAreNoWrappedLines) {
  // More characters than the wrap allows, but far fewer columns: a line of
  // letters and symbols between paragraphs stands alone instead of running
  // into the paragraph after it.
  WrapStyle s;
  s.width = 24;
  const auto paras = Paras({70, 121, 66, 98, 83, 104, 77, 92});
  ASSERT_LT(WrapLines(paras[2], s).back().size(), 22u * 3);
  const std::string junk = "abcdefghijklmnopqrstuvwxyz.net小说天堂";
  std::string in = Layout(paras, s);
  in.insert(in.find(paras[3].substr(0, 12)), junk + "\n");
  std::vector<std::string> want = paras;
  want.insert(want.begin() + 3, junk);
  EXPECT_TRUE(SameLines(Scan(in).text, Want(want)));
}

TEST(LineScannerFamilies, FollowingTheLayoutChangesOnlyLineBreaks) {
  // Where paragraphs end is the layout's to decide, never what they hold:
  // both ways of joining give the same text once the line breaks are gone.
  std::vector<std::string> texts;
  for (const char* name : {"polluted-dev-01.txt", "polluted-dev-02.txt", "polluted-dev-03.txt"}) {
    std::ifstream in(testing::SharedText() / "polluted" / name, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    if (!ss.str().empty()) texts.push_back(ss.str());
  }
  WrapStyle s;
  s.width = 20;
  texts.push_back(G("第一回 又三\n" + Layout(Paras({55, 73, 48, 91}), s)));
  auto without_breaks = [](std::string t) {
    t.erase(std::remove_if(t.begin(), t.end(), [](char c) { return c == '\r' || c == '\n'; }), t.end());
    return t;
  };
  for (const std::string& text : texts) {
    ScanConfig c;
    c.footer_token = "qisuu";
    std::string follow, rule;
    ScanLines(text, c, &follow, nullptr);
    c.follow_layout = false;
    ScanLines(text, c, &rule, nullptr);
    EXPECT_NE(follow, rule);
    EXPECT_EQ(without_breaks(follow), without_breaks(rule));
  }
}

TEST(LineScannerFamilies, WrappedSpeech) {
  // Quotes wrapped at half a character's room: most full lines run a
  // character or two past the width (a quoted stretch every 14 or 28
  // characters, or none).
  WrapStyle s;
  s.width = 30;
  s.narrow_quotes = true;
  std::vector<std::string> paras = Paras({96, 143, 161, 118, 87, 150, 172, 129, 105, 166, 135, 158});
  for (std::size_t p = 0; p < paras.size(); ++p) {
    const std::vector<std::string> cps = CodePoints(paras[p]);
    const std::size_t every = p % 3 * 14;
    paras[p].clear();
    for (std::size_t i = 0; i < cps.size(); ++i) {
      paras[p] += (every == 0 ? "" : i % every == 3 ? "“" : i % every == 9 ? "”" : "") + cps[i];
    }
  }
  EXPECT_TRUE(SameLines(Scan(Layout(paras, s)).text, Want(paras)));
  // Short paragraphs of speech, so that a full line ending a quoted
  // sentence ends its paragraph; not where the quote it closes sits inside
  // another (’ 』), which is still open.
  s = WrapStyle{};
  s.width = 24;
  paras.clear();
  for (int p = 0; p < 16; ++p) paras.push_back("甲乙道：“" + Story(p % 4 == 0 ? 70 : 6 + p % 7, p, kPool) + "”");
  paras[5] = "甲乙道：“甲乙說‘" + Story(14, 5, kPool) + "’" + Story(20, 6, kPool) + "”";
  ASSERT_TRUE(WrapLines(paras[5], s)[0].ends_with("。’"));
  EXPECT_TRUE(SameLines(Scan(Layout(paras, s)).text, Want(paras)));
}

TEST(LineScannerFamilies, CornerQuotesAndWrapsBeforeThem) {
  // 「」 quotes (written as “”), and a wrap that leaves 」 at a line's start
  // after a line of the full width: it goes on.
  WrapStyle s;
  s.width = 22;
  std::vector<std::string> paras = Paras({60, 77, 52, 69});
  const std::vector<std::string> pool = CodePoints(kPool);
  std::string quoted = "他道：「";
  for (int i = 0; i < 18; ++i) quoted += pool[(5 * i + 3) % pool.size()];
  paras[1] = quoted + "」" + paras[1];
  const std::string in = Layout(paras, s);
  ASSERT_NE(in.find("\n」"), std::string::npos);
  std::string want = Want(paras);
  for (const auto& [from, to] : {std::pair<std::string, std::string>{"「", "“"}, {"」", "”"}}) {
    for (std::size_t p; (p = want.find(from)) != std::string::npos;) want.replace(p, from.size(), to);
  }
  EXPECT_TRUE(SameLines(Scan(in).text, want));
}

}  // namespace
}  // namespace folian::tidy

// With the advertisement detector on, a line dropped between two wrapped
// lines of one paragraph is judged with its neighbours: advertising goes and
// the paragraph stays whole; story lines stay where they are.
namespace folian::tidy {
namespace {

struct Dropped {
  std::string text;  // UTF-8
  std::vector<DetectedAd> ads;
};

Dropped ScanDroppingAds(const std::string& utf8) {
  ScanConfig c;
  c.drop_ads_between_wrapped_lines = true;
  std::vector<DetectedAd> ads;
  c.dropped_ads = &ads;
  return {Scan(utf8, c).text, std::move(ads)};
}

// `paras` wrapped at 24 characters with no mark at paragraph starts, and
// `line` put after the second line of paragraph 1.
std::string WithLineInside(const std::vector<std::string>& paras, const std::string& line) {
  WrapStyle s;
  s.width = 24;
  std::string in = Layout(paras, s);
  const std::vector<std::string> lines = WrapLines(paras[1], s);
  const std::size_t at = in.find(lines[1] + "\n") + lines[1].size() + 1;
  return in.insert(at, line + "\n");
}

TEST(LineScannerDroppedLines, AdvertisingBetweenWrappedLinesGoes) {
  const auto paras = Paras({70, 121, 66, 98, 83, 104, 77, 92, 69, 115});
  WrapStyle s;
  s.width = 24;
  ASSERT_FALSE(IsClosingMark(CodePoints(WrapLines(paras[1], s)[1]).back()));
  // Without closing punctuation, with a closing mark after letters, wider
  // than the wrap, and glued to a chapter's number (the number goes too).
  for (const std::string ad : {"本站网址：www.qmdxs.com 手机阅读", "最新章节请到wap.kpzw.net。",
                               "（求收藏、求推荐票、求月票，本书首发于本站，请书友们多多支持，QQ群123456）",
                               "第二十四章-txt小说天堂"}) {
    const Dropped d = ScanDroppingAds(WithLineInside(paras, ad));
    EXPECT_TRUE(SameLines(d.text, Want(paras))) << ad;
    ASSERT_FALSE(d.ads.empty()) << ad;
    EXPECT_TRUE(U(d.ads[0].line).find("www.qmdxs") != std::string::npos ||
                U(d.ads[0].line).find("kpzw") != std::string::npos || U(d.ads[0].line).find("QQ") != std::string::npos ||
                U(d.ads[0].line).find("第二十四章-txt") != std::string::npos);
  }
  // Off, the line stays (and the paragraph ends at it).
  const std::string in = WithLineInside(paras, "本站网址：www.qmdxs.com 手机阅读");
  EXPECT_NE(Scan(in).text.find("qmdxs"), std::string::npos);
}

TEST(LineScannerDroppedLines, AdvertisingBeforeAWrapAtACommaGoes) {
  // The line after the advertising starts with "，": only the line before
  // it can go on into it.
  auto paras = Paras({70, 121, 66, 98, 83, 104, 77, 92, 69, 115});
  WrapStyle s;
  s.width = 24;
  const std::vector<std::string> cps = CodePoints(paras[1]);
  std::string fixed;
  for (std::size_t i = 0; i < cps.size(); ++i) fixed += i == 48 ? std::string("，") : cps[i];
  paras[1] = fixed;
  ASSERT_EQ(CodePoints(WrapLines(paras[1], s)[2])[0], "，");
  const Dropped d = ScanDroppingAds(WithLineInside(paras, "（跪求推荐票、月票！）"));
  EXPECT_TRUE(SameLines(d.text, Want(paras)));
}

TEST(LineScannerDroppedLines, AfterAParagraphEndingAtTheWidthTheNextOneStillStarts) {
  // Paragraph 1 fills its last line and closes there: advertising after it
  // may as well sit between paragraphs, so it is not taken for a line
  // dropped into one, and paragraph 2 keeps its own line.
  const auto paras = Paras({70, 48, 66, 98, 83, 104, 77, 92, 69, 115});
  WrapStyle s;
  s.width = 24;
  ASSERT_EQ(WrapLines(paras[1], s).size(), 2u);
  std::string in = Layout(paras, s);
  in.insert(in.find(paras[2].substr(0, 12)), "本站网址：www.qmdxs.com\n");
  const Dropped d = ScanDroppingAds(in);
  EXPECT_NE(d.text.find("\r\n" + paras[2] + "\r\n"), std::string::npos) << d.text;
  EXPECT_TRUE(d.ads.empty());
}

TEST(LineScannerDroppedLines, StoryLinesStay) {
  const auto paras = Paras({70, 121, 66, 98, 83, 104, 77, 92, 69, 115});
  // Short story lines where a wrap could have dropped them: speech about
  // a website and updates, a line with digits, a short paragraph of its own;
  // chapter titles, bare or named, advertising glued to the name.
  for (const std::string line : {"他说：“这网站的小说更新得快，我天天在手机上看。”", "那年他49岁，住在3号楼",
                                 "众人都笑了。", "第二十四章", "第二十四章 万寿山大仙留故友",
                                 "第二十四章 天堂-txt小说", "第二十四章 万寿山大仙留故友-txt小说天堂"}) {
    const Dropped d = ScanDroppingAds(WithLineInside(paras, line));
    EXPECT_NE(d.text.find(line), std::string::npos) << line;
    EXPECT_TRUE(d.ads.empty()) << line;
  }
}

}  // namespace
}  // namespace folian::tidy
