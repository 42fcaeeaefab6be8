// The stage-6 patterns against the pattern engine: each compiles with the
// flags the stage uses, and none matches anywhere in the clean novels.
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
    std::string gbk_pattern = charset::Utf8ToGbk(pattern);
    bool listed = false;
    for (const Rule& r : BuiltinRules().stages[5]) listed = listed || r.find == gbk_pattern;
    ASSERT_TRUE(listed) << pattern;
    regex::Pattern p = regex::Pattern::Compiled(gbk_pattern, "", kStageFlags);
    std::string text = charset::Utf8ToGbk(sample);
    EXPECT_GE(p.Substitute(text), 1u) << pattern;
  }
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
