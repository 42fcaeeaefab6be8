// Visiting matches one at a time agrees with the collected result, stops
// when asked, and honours the options the collected result honours.
#include <gtest/gtest.h>

#include <vector>

#include "regex/regex.h"

namespace folian::regex {
namespace {

MatchResult Visited(const Pattern& p, std::string_view subject, std::size_t* count,
                    std::size_t stop_after = SIZE_MAX, const CancelFlag* cancel = nullptr) {
  MatchResult all;
  *count = p.ForEachMatch(
      subject,
      [&](std::span<const Span> groups) {
        EXPECT_EQ(groups.size(), static_cast<std::size_t>(p.GroupCount()));
        all.insert(all.end(), groups.begin(), groups.end());
        return all.size() / groups.size() < stop_after;
      },
      cancel);
  return all;
}

bool Same(const MatchResult& a, const MatchResult& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].matched != b[i].matched || a[i].start != b[i].start || a[i].length != b[i].length) return false;
  }
  return true;
}

TEST(ForEachMatchTest, AgreesWithTheCollectedResult) {
  const std::string subject = "a1b22 c333x d e4";
  for (const char* pattern : {"([a-z])(\\d+)?", "\\d*", "(x)|(\\d)", "(?=\\d)", "^."}) {
    for (unsigned opts : {ALLMATCHES | KEEPGROUPS, unsigned{NOFLAGS}, ALLMATCHES | KEEPGROUPS | WHOLECHARS}) {
      const Pattern p = Pattern::Compiled(pattern, opts);
      MatchResult collected;
      p.Match(subject, &collected);
      std::size_t n = 0;
      EXPECT_TRUE(Same(Visited(p, subject, &n), collected)) << pattern << " " << opts;
      EXPECT_EQ(n * static_cast<std::size_t>(p.GroupCount()), collected.size()) << pattern;
    }
  }
}

TEST(ForEachMatchTest, StopsWhenTheVisitorSaysSoOrOnCancel) {
  const Pattern p = Pattern::Compiled("\\d", ALLMATCHES | KEEPGROUPS);
  std::size_t n = 0;
  const MatchResult two = Visited(p, "1 2 3 4 5", &n, 2);
  EXPECT_EQ(n, 2u);
  ASSERT_EQ(two.size(), 2u);
  EXPECT_EQ(two[1].start, 2);
  CancelFlag stop{true};
  EXPECT_TRUE(Visited(p, "1 2 3", &n, SIZE_MAX, &stop).empty());
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(Pattern().ForEachMatch("123", [](std::span<const Span>) { return true; }), 0u);
}

}  // namespace
}  // namespace folian::regex
