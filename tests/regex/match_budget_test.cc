// The match budget, held when the caller asks for it: a pattern that
// backtracks catastrophically stops with over_budget set (nothing matched
// or replaced) in every entry point; patterns that end (linear ones over
// long subjects, nested quantifiers the matcher's memory tames) never see it.
#include <gtest/gtest.h>

#include <string>

#include "regex/regex.h"

namespace folian::regex {
namespace {

// Catastrophic on a run of 'a' without the 'b' it needs.
const std::string kRun = std::string(16 << 10, 'a') + "c";

TEST(MatchBudget, CatastrophicPatternsStopInEveryEntryPoint) {
  const std::string xs(16 << 10, 'x');
  for (const auto& [p, subject] : {std::pair<const char*, const std::string&>{"(a*)*b", kRun},
                                   {"^(a+)+$", kRun}, {"(x+x+)+y", xs}}) {
    SCOPED_TRACE(p);
    bool over = false;
    MatchResult result{Span{true, 0, 1}};
    EXPECT_FALSE(Pattern::Compiled(p).Match(subject, &result, nullptr, &over));
    EXPECT_TRUE(over);
    EXPECT_TRUE(result.empty());
  }
  const Pattern pattern = Pattern::Compiled("(a*)*b", "x", ALLMATCHES);
  bool over = false;
  std::size_t visits = 0;
  EXPECT_EQ(pattern.ForEachMatch(kRun, [&](auto) { return ++visits, true; }, nullptr, &over), 0u);
  EXPECT_TRUE(over);
  over = false;
  std::string subject = kRun;
  EXPECT_EQ(pattern.Substitute(subject, 0, std::string::npos, nullptr, &over), 0u);
  EXPECT_TRUE(over);
  EXPECT_EQ(subject, kRun);
}

TEST(MatchBudget, PatternsThatEndAreNotStopped) {
  bool over = true;
  MatchResult r;
  EXPECT_TRUE(Pattern::Compiled("(a*)*b").Match("aaaaab", &r, nullptr, &over));
  EXPECT_FALSE(over);
  EXPECT_EQ(r[0].length, 6u);
  // Nested quantifiers that end through the matcher's memory of failures.
  const std::string fives(5000, 'a');
  for (const char* p : {"(a+)+[bc]", "^(a|aa)*$", "(?>a|aa)*(a+)+[bc]", "^(\\w+\\s?)*$"}) {
    SCOPED_TRACE(p);
    over = true;
    EXPECT_FALSE(Pattern::Compiled(p).Match(fives + "!", nullptr, nullptr, &over));
    EXPECT_FALSE(over);
  }
  // Many steps a byte over 16 MB, every match replaced or kept.
  std::string s;
  while (s.size() < (std::size_t{16} << 20)) s += "ab ab  abab\n";
  std::string copy = s;
  over = true;
  const std::size_t n =
      Pattern::Compiled("(?:a|b)+\\s*", "-", ALLMATCHES).Substitute(copy, 0, std::string::npos, nullptr, &over);
  EXPECT_FALSE(over);
  EXPECT_GT(n, s.size() / 8);
  for (const char* p : {"(?:a|b| |\\n)*$", "(a|b)*", "(.)*X"}) {
    SCOPED_TRACE(p);
    over = true;
    Pattern::Compiled(p).Match(s, &r, nullptr, &over);
    EXPECT_FALSE(over);
  }
  over = true;
  EXPECT_GT(Pattern::Compiled("\\w+", ALLMATCHES | KEEPGROUPS).ForEachMatch(s, [](auto) { return true; }, nullptr, &over),
            s.size() / 8);
  EXPECT_FALSE(over);
  // A lazy dot to the line's end (the chapter pattern's tail) on every line:
  // its work is the line's, not the rest of the subject's.
  over = true;
  EXPECT_EQ(Pattern::Compiled("ab.*?\\n", ALLMATCHES | KEEPGROUPS).ForEachMatch(s, [](auto) { return true; }, nullptr, &over),
            s.size() / 12);
  EXPECT_FALSE(over);
  // Each call starts its own budget.
  const Pattern p = Pattern::Compiled("(a*)*b");
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(p.Match("aab", nullptr, nullptr, &over));
    EXPECT_FALSE(over);
  }
}

}  // namespace
}  // namespace folian::regex
