// The matcher's character starts under WHOLECHARS, asked in any order: a
// window that jumps ahead over text it never reads, and going back, must
// answer as a scan of the whole text from its first byte does.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "regex/compiler.h"
#include "regex/matcher.h"
#include "regex/parser.h"
#include "regex/regex.h"

namespace folian::regex {
namespace {

std::vector<bool> Starts(std::string_view s) {
  std::vector<bool> starts(s.size() + 1, false);
  for (std::size_t i = 0; i < s.size();) {
    starts[i] = true;
    const auto a = static_cast<unsigned char>(s[i]);
    const auto b = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
    i += i + 1 < s.size() && a >= 0x81 && a != 0xFF && b >= 0x40 && b != 0x7F && b != 0xFF ? 2 : 1;
  }
  starts[s.size()] = true;
  return starts;
}

TEST(CharStartsTest, AnyOrderOfQuestionsGetsTheScannedAnswer) {
  Ast ast = Parse("", WHOLECHARS);
  const Program prog = CompileAst(ast, WHOLECHARS);
  std::mt19937 rng(7);
  // Bytes that lead, trail, both or neither, in long runs and short.
  const std::string pool[] = {"\xD5\xC2", "\xB0", "\x81\x40", "a", "\n", "\xFF", "\x81\x7F", "\xFE\xFE\xFE"};
  for (int round = 0; round < 300; ++round) {
    std::string text;
    const int parts = 1 + static_cast<int>(rng() % 200);
    for (int i = 0; i < parts; ++i) text += pool[rng() % std::size(pool)];
    const std::vector<bool> expected = Starts(text);
    std::vector<std::size_t> order(text.size() + 1);
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    if (round % 3 != 0) std::shuffle(order.begin(), order.end(), rng);
    if (round % 3 == 1) std::sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(order.size() / 2));
    Matcher m(prog);
    for (std::size_t pos : order) {
      ASSERT_EQ(m.MatchesAt(text, pos), expected[pos]) << "round " << round << " position " << pos;
    }
  }
}

// A search that finds its first byte far ahead still only matches on starts.
TEST(CharStartsTest, JumpsAheadInALongLine) {
  std::string text(100000, '\xB0');  // 50,000 characters B0B0 ...
  text += "\xB5\xDA\xD5\xC2";        // ... then 第章 at an even offset
  std::string odd = "\xB0" + text;    // the same bytes one place later: B0 B0 ... B5 DA ... straddles
  const Pattern p = Pattern::Compiled("\xB5\xDA", WHOLECHARS);
  MatchResult r;
  ASSERT_TRUE(p.Match(text, &r));
  EXPECT_EQ(r[0].start, 100000);
  // 100,001 B0 bytes: the last B0 pairs with B5, so DA D5 / C2 follow; no 第.
  EXPECT_FALSE(p.Match(odd, &r));
}

}  // namespace
}  // namespace folian::regex
