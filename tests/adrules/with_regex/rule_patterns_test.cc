// The stage-6 patterns against the pattern engine: each compiles with the
// flags the stage uses, catches the shapes it is there for, and none matches
// anywhere in the clean novels.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "regex/regex.h"
#include "tidy/rule_table.h"

namespace folian::tidy {
namespace {

constexpr unsigned kStageFlags = regex::IGNORECASE | regex::ALLMATCHES;

// Whether the built-in stage holds this pattern (UTF-8) as one of its rows.
bool Listed(const char* pattern) {
  const std::string gbk = charset::Utf8ToGbk(pattern);
  for (const Rule& r : BuiltinRules().stages[5]) {
    if (r.find == gbk) return true;
  }
  return false;
}

TEST(BuiltinPatterns, AllCompile) {
  for (const Rule& r : BuiltinRules().stages[5]) {
    regex::Pattern p;
    EXPECT_NO_THROW(p.Compile(r.find, "", kStageFlags)) << charset::GbkToUtf8(r.find);
  }
}

TEST(BuiltinPatterns, CatchTheirShapes) {
  // One deformed sample per shape the stage is there for.
  const std::vector<std::pair<const char*, const char*>> samples = {
      {"笔.{0,2}趣.{0,2}阁", "看书上笔-趣~阁！"},
      {"[Ww].{0,1}[Ww].{0,1}[Ww]", "W.w#W"},
      {"[Cc].{0,1}[Oo0].{0,1}[Mm]", "c0M"},
      {" 字数:[0-9]\\d*", "第一章 字数:3210"},
  };
  for (const auto& [pattern, sample] : samples) {
    ASSERT_TRUE(Listed(pattern)) << pattern;
    regex::Pattern p = regex::Pattern::Compiled(charset::Utf8ToGbk(pattern), "", kStageFlags);
    std::string text = charset::Utf8ToGbk(sample);
    EXPECT_GE(p.Substitute(text), 1u) << pattern;
  }
}

// The fixed-gap rows and the wide-gap txt小说天堂 row are there to take a
// whole slogan out, not a piece of it: nothing of the sample may be left.
TEST(BuiltinPatterns, TakeWholeSlogans) {
  const std::vector<std::pair<const char*, const char*>> samples = {
      {"总是一个人静悄悄地.{0,60}畅所欲言",
       "总是一个人静悄悄地看小说，没有人一起讨论很无趣？快来.起.点.读书，和书友们一起畅所欲言"},
      {"领取红包.{0,40}最新内容。", "领取红包，请下载爱阅app免费看最新内容。"},
      {"t.{0,4}x.{0,4}t.{0,4}小.{0,4}说.{0,4}天.{0,4}堂", "t××xt×小×说××天×堂"},
      {"t.{0,4}x.{0,4}t.{0,4}小.{0,4}说.{0,4}天.{0,4}堂", "t／／xt｜小／／说／//天//堂"},
  };
  for (const auto& [pattern, sample] : samples) {
    ASSERT_TRUE(Listed(pattern)) << pattern;
    regex::Pattern p = regex::Pattern::Compiled(charset::Utf8ToGbk(pattern), "", kStageFlags);
    std::string text = charset::Utf8ToGbk(sample);
    EXPECT_EQ(p.Substitute(text), 1u) << pattern;
    EXPECT_EQ(charset::GbkToUtf8(text), "") << pattern;
  }
}

// A fixed gap only fires while both of its phrases reach stage 6 intact: a
// literal row of an earlier stage that deletes or rewrites a piece of either
// phrase leaves the pattern dead.
TEST(BuiltinPatterns, FixedGapPhrasesReachTheStage) {
  int gaps = 0;
  for (const Rule& r : BuiltinRules().stages[5]) {
    for (const std::string gap : {".{0,40}", ".{0,60}"}) {
      std::size_t at = r.find.find(gap);
      if (at == std::string::npos) continue;
      ++gaps;
      const std::string phrases[] = {r.find.substr(0, at), r.find.substr(at + gap.size())};
      for (const std::string& phrase : phrases) {
        ASSERT_FALSE(phrase.empty()) << charset::GbkToUtf8(r.find);
        for (int s = 0; s < 4; ++s)
          for (const Rule& earlier : BuiltinRules().stages[s])
            EXPECT_EQ(phrase.find(earlier.find), std::string::npos)
                << "stage " << s + 1 << " row \"" << charset::GbkToUtf8(earlier.find) << "\" breaks \""
                << charset::GbkToUtf8(r.find) << "\"";
      }
    }
  }
  EXPECT_EQ(gaps, 2);
}

TEST(BuiltinPatterns, NoneMatchesCleanNovels) {
  const std::filesystem::path dir = std::filesystem::path(FOLIAN_SHARED_DIR) / "text" / "clean";
  std::vector<std::pair<std::string, std::string>> novels;
  if (std::filesystem::is_directory(dir))
    for (const auto& e : std::filesystem::directory_iterator(dir))
      if (e.path().string().ends_with(".gbk.txt")) {
        std::ifstream in(e.path(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        novels.emplace_back(e.path().filename().string(), s.str());
      }
  if (novels.empty()) GTEST_SKIP() << "no clean GBK novels in " << dir;
  for (const Rule& r : BuiltinRules().stages[5]) {
    regex::Pattern p = regex::Pattern::Compiled(r.find, "", kStageFlags);
    for (const auto& [name, text] : novels) {
      regex::MatchResult m;
      bool hit = p.Match(text, &m);
      EXPECT_FALSE(hit) << "\"" << charset::GbkToUtf8(r.find) << "\" matches in " << name << " at "
                        << (m.empty() ? -1 : m[0].start);
    }
  }
}

}  // namespace
}  // namespace folian::tidy
