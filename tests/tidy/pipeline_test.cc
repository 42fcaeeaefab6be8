#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "test_support.h"
#include "text/text_file.h"
#include "tidy/status_texts.h"
#include "tidy/tidy_file.h"
#include "tidy/tidy_text.h"

namespace folian::tidy {
namespace {

using testing::G;
using testing::U;

const RuleTable& Rules() { return testing::GenericRules(); }

std::string Tidy(std::string_view utf8, const TidyOptions& o, TidyParams p = {}) {
  auto out = TidyText(G(utf8), o, Rules(), p);
  EXPECT_TRUE(out.has_value());
  return out ? U(*out) : std::string();
}

TidyOptions NoAds() {
  TidyOptions o = TidyOptions::AtStart();
  o.has_adver = 0;
  return o;
}

TEST(Pipeline, EmptyTextWithAndWithoutIndentation) {
  TidyOptions o = TidyOptions::AtStart();
  EXPECT_EQ(Tidy("", o), "");
  // Nothing to indent: no line of indentation alone, no blank lines.
  o.indent = 2;
  EXPECT_EQ(Tidy("", o), "");
  o.paragraph = 1;
  EXPECT_EQ(Tidy("", o), "");
  EXPECT_EQ(Tidy("\n\n　　\n", o), "");
}

TEST(Pipeline, IndentationKindsAndRanges) {
  TidyOptions o = NoAds();
  o.indent = 3;
  o.indent_num2 = 2;
  o.paragraph = 1;
  EXPECT_EQ(Tidy("第一段。\n第二段。", o), "　　第一段。\r\n\r\n　　第二段。\r\n");
  o = NoAds();
  o.indent = 2;
  o.indent_num1 = 20;  // outside 1..19: no indentation
  EXPECT_EQ(Tidy("甲。\n乙。", o), "甲。\r\n乙。\r\n");
  o.indent_num1 = 19;
  EXPECT_EQ(Tidy("甲。", o), std::string(19, ' ') + "甲。\r\n");
  o = NoAds();
  o.indent = 4;
  o.indent_num3 = 2;
  EXPECT_EQ(Tidy("甲。", o), "\t\t甲。\r\n");
  o.indent_num3 = 10;
  EXPECT_EQ(Tidy("甲。", o), "甲。\r\n");
  o = NoAds();
  o.paragraph = 1;
  EXPECT_EQ(Tidy("甲。\n乙。", o), "甲。\r\n\r\n乙。\r\n");
}

TEST(Pipeline, NumericEntities) {
  EXPECT_EQ(U(DecodeNumericEntities(G("a&#8226;b&#65;c"))), "a·bAc");
  EXPECT_EQ(DecodeNumericEntities("&#65601;"), "A");  // 16-bit truncation
  EXPECT_EQ(DecodeNumericEntities("&#1758;"), "?");   // no GBK form
  EXPECT_EQ(DecodeNumericEntities("&#0;x"), "?x");
  EXPECT_EQ(DecodeNumericEntities("&#;&#x41;&#12"), "&#;&#x41;&#12");
  EXPECT_EQ(DecodeNumericEntities("&&#66;;"), "&B;");
  EXPECT_EQ(DecodeNumericEntities("&#000000000000000000000000000066;"), "B");
  EXPECT_EQ(Tidy("点&#8226;点&#65;。", NoAds()), "点·点A。\r\n");
  // Rewritten in place: adjacent entities, entities at both ends, a broken
  // one just before a good one, and text that keeps shifting left.
  EXPECT_EQ(DecodeNumericEntities("&#65;&#66;"), "AB");
  EXPECT_EQ(DecodeNumericEntities("&#&#65;x&#;&#67;"), "&#Ax&#;C");
  EXPECT_EQ(U(DecodeNumericEntities(G("甲&#20057;"))), "甲乙");
  std::string many, expected;
  for (int i = 0; i < 500; ++i) {
    many += G("中") + "&#" + std::to_string(65 + i % 26) + ";" + (i % 7 == 0 ? "&#" : "");
    expected += G("中") + std::string(1, static_cast<char>('A' + i % 26)) + (i % 7 == 0 ? "&#" : "");
  }
  EXPECT_EQ(DecodeNumericEntities(many), expected);
}

TEST(Pipeline, SiteFlagFromTheTableFragments) {
  EXPECT_TRUE(HasSiteFragment("see WWW.X23US.COM", {".abc.", ".x23us."}));
  EXPECT_FALSE(HasSiteFragment("x23us", {".x23us."}));
  // At either end of the text, cut short at the end, letters only.
  EXPECT_TRUE(HasSiteFragment(".X23us.com", {".x23us."}));
  EXPECT_TRUE(HasSiteFragment(G("来自www.x23Us."), {".x23us."}));
  EXPECT_FALSE(HasSiteFragment("www.x23us", {".x23us."}));
  EXPECT_TRUE(HasSiteFragment("see ABC", {"abc"}));
  EXPECT_FALSE(HasSiteFragment("see AB", {"abc"}));
  EXPECT_FALSE(HasSiteFragment("", {".x23us."}));
  TidyOptions o = NoAds();
  o.char_convert = 3;
  EXPECT_EQ(Tidy("ＡＢ a b 来自www.x23us.com。", o), "abab来自www.x23us.com。\r\n");
}

TEST(Pipeline, ShortLineThresholdParameter) {
  const std::string line(30, 'a');  // 30 bytes, no closing mark
  TidyParams p;
  EXPECT_EQ(Tidy(line + "\n" + line, NoAds(), p), line + "\r\n" + line + "\r\n");
  p.short_line = 20;
  // Joined, and the last line has no closing mark: no line break at all.
  EXPECT_EQ(Tidy(line + "\n" + line, NoAds(), p), line + line);
}

// Advertising the detector takes from the end of a paragraph leaves it
// open; where the next line is indented like every paragraph start of its
// chapter, a paragraph starts there all the same, and the two stay apart.
// Unindented, the next line carries the sentence on, and is joined. A
// whole line that goes from inside a paragraph leaves it whole.
TEST(Pipeline, AdTakenFromAParagraphsEndJoinsNoIndentedStart) {
  constexpr std::string_view kPool = "天地玄黄宇宙洪荒日月盈昃辰宿列张寒来暑往秋收冬藏闰余成岁律吕调阳云腾致雨露结为霜";
  const std::size_t pool = kPool.size() / 3;
  // Every third paragraph ends open, in an advertisement, after a clause
  // too long to pass for a site's name before it.
  std::vector<std::pair<std::string, bool>> paras;
  for (int p = 0; p < 12; ++p) {
    std::string s;
    const int chars = 40 + (p * 17) % 45;
    const bool open = p % 3 == 0;
    for (int i = 0; i < chars; ++i) {
      const bool comma = i % 7 == 6 && !(open && i + 20 > chars);
      s += comma ? "，" : std::string(kPool.substr(((p * 11 + i * i + i) % pool) * 3, 3));
    }
    paras.emplace_back(open ? s : s + "。", open);
  }
  // Wrapped at 24 characters, an indent taking two from the first line.
  auto layout = [&](std::string_view indent) {
    std::string text;
    int index = 0;
    for (const auto& [p, open] : paras) {
      const bool ad_inside = index++ % 3 == 1;
      const std::size_t chars = p.size() / 3;
      for (std::size_t at = 0, room = 24 - indent.size() / 3; at < chars; at += room, room = 24) {
        if (at == 0) text += indent;
        text += p.substr(at * 3, room * 3);
        if (open && at + room >= chars) text += "请记住本站：www.yqhhy.cc";
        text += "\n";
        // A whole advertising line, indented like a paragraph's start,
        // inside a closed paragraph: the sentence goes on across it.
        if (ad_inside && at == 0) text += "　　本站最新章节手机阅读请收藏\n";
      }
    }
    return text;
  };
  std::string apart, joined;
  for (const auto& [p, open] : paras) {
    apart += p + "\r\n";
    joined += open ? p : p + "\r\n";
  }
  TidyOptions o = TidyOptions::AtStart();
  o.indent = 1;
  o.paragraph = 2;
  EXPECT_EQ(Tidy(layout("　　"), o), apart);
  EXPECT_EQ(Tidy(layout(""), o), joined);
}

TEST(Pipeline, LineARowTakesFromBetweenWrappedLinesLeavesTheParagraphWhole) {
  // Paragraphs wrapped at 24 characters, unindented or with a tab on every
  // line; an unindented line sits after the first line of paragraph 3,
  // which stops mid-sentence at the width. The detector keeps it (a short
  // story line, or one with digits), a literal deletion takes it: the
  // paragraph joins again around it.
  constexpr std::string_view kPool = "天地玄黄宇宙洪荒日月盈昃辰宿列张寒来暑往秋收冬藏闰余成岁律吕调阳云腾致雨露结为霜";
  const std::size_t pool = kPool.size() / 3;
  std::vector<std::string> paras;
  for (int p = 0; p < 10; ++p) {
    std::string s;
    const int chars = 50 + (p * 19) % 40;
    for (int i = 0; i < chars; ++i) {
      s += i % 9 == 8 && i != 23 ? std::string("，") : std::string(kPool.substr(((p * 7 + i * i) % pool) * 3, 3));
    }
    paras.push_back(s + "。");
  }
  std::string want;
  for (const auto& p : paras) want += p + "\r\n";
  for (const std::string indent : {"", "\t"}) {
    for (const std::string line : {"他说明天再来。", "那年他49岁，住在3号楼"}) {
      std::string text;
      for (std::size_t p = 0; p < paras.size(); ++p) {
        const std::size_t chars = paras[p].size() / 3;
        for (std::size_t at = 0; at < chars; at += 24) {
          text += indent + paras[p].substr(at * 3, 24 * 3) + "\n";
          if (p == 3 && at == 0) text += line + "\n";
        }
      }
      TidyParams params;
      params.custom = {G(line)};
      EXPECT_EQ(Tidy(text, TidyOptions::AtStart(), params), want) << line << " indent " << indent.size();
    }
  }
}

TEST(Pipeline, AParagraphOpeningWithAClosingQuoteKeepsItsLine) {
  // A source may let a quote run on past its paragraph, so that the next
  // one opens with ” or ’. Where the layout ends the paragraph before it,
  // it keeps its own line through the advertising stages (which join a
  // break before such a quote, a wrap's mostly); a wrap before one joins.
  constexpr std::string_view kPool = "天地玄黄宇宙洪荒日月盈昃辰宿列张寒来暑往秋收冬藏闰余成岁律吕调阳云腾致雨露结为霜";
  auto story = [&](int chars, int seed) {
    std::string s;
    for (int i = 0; i < chars; ++i) s += i % 9 == 8 ? "，" : kPool.substr(((seed * 7 + i * i) % 40) * 3, 3);
    return s + "。";
  };
  // Lines of `width` characters: `mark` (an indentation, or a blank line
  // as "\n") before each paragraph; the text as tidied.
  auto wrap = [](const std::vector<std::string>& paras, std::size_t width, const std::string& mark) {
    std::pair<std::string, std::string> text_want;
    for (const std::string& p : paras) {
      for (std::size_t at = 0; at < p.size(); at += width * 3) {
        text_want.first += (at == 0 ? mark : "") + p.substr(at, width * 3) + "\n";
      }
      text_want.second += p + "\r\n";
    }
    return text_want;
  };
  const std::vector<std::string> paras = {story(70, 1), "”" + story(50, 2), story(45, 3), "’" + story(61, 4)};
  // A wrap starts the second line of a paragraph with the quote.
  const std::vector<std::string> quoted = {story(70, 1), story(20, 7) + "“好！”" + story(40, 9), story(45, 3)};
  const std::pair<std::string, std::string> cases[] = {
      wrap(paras, 24, "　　"), wrap(paras, 30, "\n"),
      // Lines far longer than any wrap: one paragraph each.
      wrap({story(120, 1), "”" + story(105, 2), story(131, 3), story(112, 5)}, 200, ""), wrap(quoted, 24, "　　")};
  ASSERT_NE(cases[3].first.find("\n”"), std::string::npos);
  for (const auto& [text, want] : cases) {
    const std::string got = Tidy(text, TidyOptions::AtStart());
    EXPECT_TRUE(got == want) << text << "\ngot:\n" << got;
  }
}

class LogSink : public ProgressSink {
 public:
  void SetStatus(std::string_view s) override { statuses.push_back(std::string(s)); }
  void SetPosition(std::int64_t p) override { positions.push_back(p); }
  std::vector<std::string> statuses;
  std::vector<std::int64_t> positions;
};

TEST(Pipeline, StatusTextsAndPositions) {
  LogSink sink;
  TidyParams p;
  p.progress = &sink;
  Tidy("文字。", TidyOptions::AtStart(), p);
  const std::vector<std::string> with_ads = {
      std::string(status::kTidying),       std::string(status::kRestoringAds),
      std::string(status::kClearingAdText), std::string(status::kClearingHtml),
      std::string(status::kPunctuation),   std::string(status::kCustomAds),
      std::string(status::kDeformedAds),   std::string(status::kDuplicateTitles),
      std::string(status::kFormatting),    ""};
  EXPECT_EQ(sink.statuses, with_ads);
  EXPECT_EQ(sink.positions, (std::vector<std::int64_t>{0, 5, 80, 85, 90, 95, 100}));

  LogSink plain;
  p.progress = &plain;
  Tidy("文字。", NoAds(), p);
  EXPECT_EQ(plain.statuses, (std::vector<std::string>{std::string(status::kTidying),
                                                      std::string(status::kRestoringAds),
                                                      std::string(status::kFormatting), ""}));
}

TEST(Pipeline, CancelReturnsNothing) {
  CancelFlag cancel{true};
  TidyParams p;
  p.cancel = &cancel;
  EXPECT_FALSE(TidyText(G("文字。"), TidyOptions::AtStart(), Rules(), p).has_value());
}

class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("folian_tidy_test_" + std::to_string(::getpid()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempDir() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

void WriteBytes(const std::filesystem::path& p, std::string_view bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(TidyFileRun, KeepsEachEncodingAndMark) {
  TempDir dir;
  TidyFileParams params;
  params.read_remove_txt = false;
  TidyOptions o = NoAds();
  // UTF-8 with mark.
  const auto u8 = dir.path() / "u8.txt";
  WriteBytes(u8, "\xEF\xBB\xBF" + std::string("　　第一行\r\n\r\n第二行。"));
  TidyReport r = TidyFile(u8, &o, Rules(), params);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(ReadBytes(u8), "\xEF\xBB\xBF" + std::string("第一行\r\n第二行。\r\n"));
  // UTF-16BE with mark.
  const auto be = dir.path() / "be.txt";
  std::u16string wide = u"甲\r\n乙。";
  std::string bytes = "\xFE\xFF";
  for (char16_t c : wide) {
    bytes.push_back(static_cast<char>(c >> 8));
    bytes.push_back(static_cast<char>(c & 0xFF));
  }
  WriteBytes(be, bytes);
  r = TidyFile(be, &o, Rules(), params);
  ASSERT_TRUE(r.ok) << r.error;
  std::string expected = "\xFE\xFF";
  for (char16_t c : std::u16string(u"甲\r\n乙。\r\n")) {
    expected.push_back(static_cast<char>(c >> 8));
    expected.push_back(static_cast<char>(c & 0xFF));
  }
  EXPECT_EQ(ReadBytes(be), expected);
  // GBK stays GBK; the report carries name, size and a speed.
  const auto gbk = dir.path() / "gbk.txt";
  WriteBytes(gbk, G("年份２０１０\n"));
  r = TidyFile(gbk, &o, Rules(), params);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(ReadBytes(gbk), G("年份2010\r\n"));
  EXPECT_EQ(r.file, "gbk.txt");
  EXPECT_DOUBLE_EQ(r.size_kb, G("年份２０１０\n").size() / 1024.0);
  EXPECT_GT(r.seconds, 0.0);
  EXPECT_DOUBLE_EQ(r.kb_per_sec, r.size_kb / r.seconds);
}

TEST(TidyFileRun, EmptyUtf8ResultIsAPlainEmptyFile) {
  TempDir dir;
  const auto u8 = dir.path() / "empty.txt";
  WriteBytes(u8, "\xEF\xBB\xBF\r\n\r\n");
  TidyOptions o = NoAds();
  TidyFileParams params;
  params.read_remove_txt = false;
  ASSERT_TRUE(TidyFile(u8, &o, Rules(), params).ok);
  EXPECT_EQ(ReadBytes(u8), "");
}

TEST(TidyFileRun, FullStopSplitAppliesToOneRunOnly) {
  TempDir dir;
  const auto f = dir.path() / "a.txt";
  TidyOptions o = NoAds();
  o.split_at_fullstop = true;
  TidyFileParams params;
  params.read_remove_txt = false;
  WriteBytes(f, G("一句。二句。"));
  ASSERT_TRUE(TidyFile(f, &o, Rules(), params).ok);
  EXPECT_EQ(U(ReadBytes(f)), "一句。\r\n二句。\r\n");
  EXPECT_FALSE(o.split_at_fullstop);
  WriteBytes(f, G("一句。二句。"));
  ASSERT_TRUE(TidyFile(f, &o, Rules(), params).ok);
  EXPECT_EQ(U(ReadBytes(f)), "一句。二句。\r\n");
}

TEST(TidyFileRun, FailedWriteIsReportedAndLeavesTheOriginal) {
  TempDir dir;
  const auto f = dir.path() / "a.txt";
  WriteBytes(f, G("　　原文\n"));
  TidyOptions o = NoAds();
  TidyFileParams params;
  params.read_remove_txt = false;
  params.output = dir.path() / "missing-folder" / "out.txt";
  const TidyReport r = TidyFile(f, &o, Rules(), params);
  EXPECT_FALSE(r.ok);
  EXPECT_FALSE(r.error.empty());
  EXPECT_EQ(ReadBytes(f), G("　　原文\n"));
  EXPECT_FALSE(TidyFile(dir.path() / "nope.txt", &o, Rules(), params).ok);
}

TEST(TidyFileRun, RemoveTxtInTheCurrentDirectory) {
  TempDir dir;
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  WriteBytes("remove.txt", G("讨厌的广告") + "\r\n");
  WriteBytes("a.txt", G("正文讨厌的广告。\n"));
  TidyOptions o = TidyOptions::AtStart();
  TidyFileParams params;
  const TidyReport r = TidyFile("a.txt", &o, Rules(), params);
  const std::string result = ReadBytes("a.txt");
  std::filesystem::current_path(old);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(U(result), "正文。\r\n");
}

TEST(TidyFileRun, ReportWording) {
  TidyReport r;
  r.file = "a.txt";
  r.size_kb = 2.5;
  r.seconds = 1.0;
  r.kb_per_sec = 2.5;
  EXPECT_EQ(FormatReport(r),
            "    文件 : a.txt\r\n    大小 :     2.50(Kb)\r\n    耗时 :     1.00(Sec)\r\n"
            "整理速度 :     2.50(Kb/Sec)");
  // A Chinese name as the file system spells it.
  r.file = "巨著-20MB.gbk.txt";
  EXPECT_TRUE(FormatReport(r).starts_with("    文件 : 巨著-20MB.gbk.txt\r\n    大小 : ")) << FormatReport(r);
}

}  // namespace
}  // namespace folian::tidy
