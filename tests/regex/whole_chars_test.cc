// WHOLECHARS: matches start and end only on GBK character starts, while the
// dialect itself stays byte-based ("." is still one byte).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "regex/pattern_set.h"
#include "test_util.h"

namespace folian::regex {
namespace {

using testing::Describe;
using testing::Subst;

#define ZHANG "\xD5\xC2"  // 章
#define DI "\xB5\xDA"     // 第
#define JIE "\xBD\xDA"    // 节
// "\xB0\xD5" ends in 章's lead byte and "\xC2\xB0" begins with its trail byte.
#define ENDS_D5 "\xB0\xD5"
#define STARTS_C2 "\xC2\xB0"

// The character starts of GBK bytes, by the code page's rule.
std::vector<bool> CharStarts(std::string_view s) {
  std::vector<bool> starts(s.size() + 1, false);
  std::size_t i = 0;
  while (i < s.size()) {
    starts[i] = true;
    const auto a = static_cast<unsigned char>(s[i]);
    const bool pair = i + 1 < s.size() && a >= 0x81 && a <= 0xFE &&
                      static_cast<unsigned char>(s[i + 1]) >= 0x40 && static_cast<unsigned char>(s[i + 1]) != 0x7F &&
                      static_cast<unsigned char>(s[i + 1]) != 0xFF;
    i += pair ? 2 : 1;
  }
  starts[s.size()] = true;
  return starts;
}

TEST(WholeChars, NoMatchAcrossTwoCharacters) {
  const std::string text = ENDS_D5 STARTS_C2 ZHANG;
  EXPECT_EQ(Describe(ZHANG, text), "1:2") << "the byte dialect sees the straddling pair";
  EXPECT_EQ(Describe(ZHANG, text, WHOLECHARS), "4:2");
  std::size_t n = 0;
  EXPECT_EQ(Subst(ZHANG, "X", text, ALLMATCHES | WHOLECHARS, &n), ENDS_D5 STARTS_C2 "X");
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(Describe(ZHANG, ENDS_D5 STARTS_C2, WHOLECHARS), "NOMATCH");
}

TEST(WholeChars, EndsInsideACharacterBacktrack) {
  // Greedy ".{1,3}" would end inside 中; it settles on the whole character.
  EXPECT_EQ(Describe(".{1,3}", "\xD6\xD0\xCE\xC4", WHOLECHARS), "0:2");
  EXPECT_EQ(Describe(".{1,3}", "\xD6\xD0" "a", WHOLECHARS), "0:3");
  // A lone "." cannot take a double-byte character at all.
  EXPECT_EQ(Describe(".", "\xD6\xD0", WHOLECHARS), "NOMATCH");
  EXPECT_EQ(Describe("..", "\xD6\xD0", WHOLECHARS), "0:2");
  // The chapter pattern with a gap of odd length picks the even one.
  EXPECT_EQ(Describe(DI ".{1,10}(" ZHANG "|" JIE ")", DI "1" ENDS_D5 STARTS_C2 ZHANG, WHOLECHARS), "0:9 7:2");
}

TEST(WholeChars, StrayLeadBytesAndLineBreaksStartCharacters) {
  // A lead byte before a line break is a character of its own, so the break
  // and what follows it are found.
  EXPECT_EQ(Describe("\nab", "\xD6\nab", WHOLECHARS), "1:3");
  EXPECT_EQ(Describe("^a", "\xD6\na", WHOLECHARS | LINEANCHORS), "2:1");
  // An invalid trail (0x7F) does not pair.
  EXPECT_EQ(Describe("\x7F", "\x81\x7F", WHOLECHARS), "1:1");
  EXPECT_EQ(Describe("", "\xD6\xD0", ALLMATCHES | KEEPGROUPS | WHOLECHARS), "0:0 2:0");
}

TEST(WholeChars, EmptyMatchesStepByCharacters) {
  std::size_t n = 0;
  EXPECT_EQ(Subst("x*", "-", "\xD6\xD0" "a", ALLMATCHES | WHOLECHARS, &n), "-\xD6\xD0-a-");
  EXPECT_EQ(n, 3u);
}

TEST(WholeChars, PatternSetHonoursTheFlag) {
  PatternSet set({Pattern::Compiled(ZHANG, "", ALLMATCHES | WHOLECHARS),
                  Pattern::Compiled("\xC2", "", ALLMATCHES | WHOLECHARS)});
  std::string text = ENDS_D5 STARTS_C2 ZHANG "\xC2";
  EXPECT_EQ(set.SubstituteEach(text), (std::vector<std::size_t>{1, 1}));
  EXPECT_EQ(text, ENDS_D5 STARTS_C2);
}

// Random valid GBK texts and patterns made of their own bytes at any offset:
// with WHOLECHARS every reported span lies on character starts, the matches
// are exactly the byte dialect's matches that do (checked one start at a
// time), and replace-all keeps the text valid GBK.
TEST(WholeChars, RandomReplaceAllKeepsTextDecodable) {
  std::mt19937 rng(20261208);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const std::vector<std::string> pool = {ZHANG, DI, JIE, ENDS_D5, STARTS_C2, "\xA1\xA1", "\xA3\xAC",
                                         "a",   "Z",  "\r\n", "\x81\x40", "\xFE\xFE", "\xC2\xD5"};
  for (int round = 0; round < 400; ++round) {
    std::string text;
    const int chars = 1 + pick(40);
    for (int i = 0; i < chars; ++i) text += pool[static_cast<std::size_t>(pick(static_cast<int>(pool.size())))];
    // A pattern: two to four bytes cut from the text anywhere, or a gap pattern.
    std::string pat;
    if (pick(3) == 0) {
      pat = std::string(DI) + ".{" + std::to_string(pick(3)) + "," + std::to_string(3 + pick(6)) + "}(" ZHANG "|" JIE ")";
    } else {
      const std::size_t at = static_cast<std::size_t>(pick(static_cast<int>(text.size())));
      pat = text.substr(at, 2 + static_cast<std::size_t>(pick(3)));
      std::string escaped;
      for (char c : pat) {
        if (std::string_view("\\.^$|()[]{}*+?").find(c) != std::string_view::npos) escaped += '\\';
        escaped += c;
      }
      pat = escaped;
    }
    const std::vector<bool> starts = CharStarts(text);
    Pattern whole = Pattern::Compiled(pat, ALLMATCHES | KEEPGROUPS | WHOLECHARS);
    MatchResult r;
    whole.Match(text, &r);
    const std::size_t stride = static_cast<std::size_t>(whole.GroupCount());
    for (std::size_t k = 0; k < r.size(); k += stride) {
      const auto b = static_cast<std::size_t>(r[k].start);
      ASSERT_TRUE(starts[b] && starts[b + r[k].length]) << "pattern " << pat << " round " << round;
    }
    // The first match agrees with trying the byte dialect at each character start.
    std::ptrdiff_t expect = -1;
    for (std::size_t b = 0; b <= text.size() && expect < 0; ++b) {
      if (!starts[b]) continue;
      for (std::size_t e = text.size() + 1; e-- > b;) {
        if (!starts[e]) continue;
        Pattern exact = Pattern::Compiled("^(?:" + pat + ")$", NOFLAGS);
        if (exact.Match(std::string_view(text).substr(b, e - b))) {
          expect = static_cast<std::ptrdiff_t>(b);
          break;
        }
      }
    }
    MatchResult first;
    Pattern::Compiled(pat, WHOLECHARS).Match(text, &first);
    EXPECT_EQ(first.empty() ? -1 : first[0].start, expect) << "pattern " << pat << " round " << round;

    std::string replaced = text;
    Pattern::Compiled(pat, "\xA1\xBE" ZHANG "\xA1\xBF", ALLMATCHES | WHOLECHARS).Substitute(replaced);
    const std::vector<bool> after = CharStarts(replaced);
    std::size_t stray = 0;
    for (std::size_t i = 0; i < replaced.size(); ++i) {
      if (after[i] && static_cast<unsigned char>(replaced[i]) >= 0x81 && after[i + 1]) ++stray;
    }
    EXPECT_EQ(stray, 0u) << "a lead byte left alone after replacing " << pat << " in round " << round;
  }
}

}  // namespace
}  // namespace folian::regex
