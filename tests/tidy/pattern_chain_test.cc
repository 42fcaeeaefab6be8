#include "tidy/pattern_chain.h"

#include <gtest/gtest.h>

#include <random>

#include "regex/regex.h"
#include "test_support.h"

namespace folian::tidy {
namespace {

using testing::G;

// The chain must say "a match starts here" exactly where the engine can
// match: it decides which lines the engine is asked about at all.
TEST(PatternChain, AgreesWithTheEngineOnWhetherALineMatches) {
  const std::vector<std::string> patterns = {
      G("笔.{0,2}趣.{0,2}阁"), G("文.{0,1}学.{0,1}网"), "[Ww].{0,1}[Ww].{0,1}[Ww]",
      "[Cc].{0,1}[Oo0].{0,1}[Mm]", G(" 字数:[0-9]\\d*"), G("一秒记住.{0,40}免费阅读"),
      "t.{0,2}x.{0,2}t", "a.b", "a.?b", "a..b", "x\\.y"};
  const std::vector<std::string> alphabet = {"w", "W", "c", "O", "0", "m", "M", "t", "x", ".", "a",
                                             "b", "y", " ", "1", ":", G("笔"), G("趣"), G("阁"),
                                             G("文"), G("学"), G("网"), G("字"), G("数"),
                                             G("一秒记住"), G("免费阅读"), G("的"), "\xD7", G(" 字数:")};
  std::mt19937 rng(7);
  for (const std::string& p : patterns) {
    const auto chain = PatternChain::Parse(p, /*ignore_case=*/true);
    ASSERT_TRUE(chain.has_value()) << p;
    const auto engine = regex::Pattern::Compiled(p, regex::IGNORECASE);
    int matched = 0;
    for (int round = 0; round < 6000; ++round) {
      std::string line;
      const int n = std::uniform_int_distribution<int>(0, 12)(rng);
      for (int k = 0; k < n; ++k) {
        line += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
      }
      bool any = false;
      for (std::size_t pos = 0; pos <= line.size() && !any; ++pos) any = chain->MatchesAt(line, pos);
      ASSERT_EQ(any, engine.Match(line)) << p << " on " << line;
      matched += any;
      // Matching outwards from any one piece finds the same lines, and only
      // where that piece itself stands.
      const auto pieces = chain->Pieces();
      for (std::size_t k = 0; k < pieces.size(); ++k) {
        bool around = false;
        for (std::size_t pos = 0; pos <= line.size(); ++pos) {
          if (!chain->MatchesAround(line, k, pos)) continue;
          around = true;
          const auto& bytes = *pieces[k].bytes;
          ASSERT_LE(pos + bytes.size(), line.size()) << p << " on " << line;
          for (std::size_t b = 0; b < bytes.size(); ++b) {
            ASSERT_TRUE(bytes[b].test(static_cast<unsigned char>(line[pos + b]))) << p << " on " << line;
          }
        }
        ASSERT_EQ(around, any) << p << " piece " << k << " on " << line;
      }
    }
    EXPECT_GT(matched, 0) << p;
  }
}

TEST(PatternChain, MatchesAroundAPieceNeedsBothSides) {
  const auto chain = PatternChain::Parse("a.{0,1}b.{1,2}c", true);
  ASSERT_TRUE(chain);
  EXPECT_TRUE(chain->MatchesAround("axb_c", 1, 2));
  EXPECT_FALSE(chain->MatchesAround("x_ab_c", 1, 1));   // "a" would have to come before it
  EXPECT_TRUE(chain->MatchesAround("x_ab_c", 1, 3));
  EXPECT_FALSE(chain->MatchesAround("axbc", 1, 2));     // "c" too close after "b"
  EXPECT_TRUE(chain->MatchesAround("axb__c", 2, 5));
  EXPECT_FALSE(chain->MatchesAround("ab___c", 2, 5));   // too far after "b"
  EXPECT_FALSE(chain->MatchesAround("ab_c", 3, 0));     // no such piece
}

TEST(PatternChain, PrefixAndUnreadableShapes) {
  EXPECT_EQ(PatternChain::Parse("[Ww].{0,1}x", true)->prefix(), "w");
  EXPECT_EQ(PatternChain::Parse(G("更.{0,2}新"), true)->prefix(), G("更"));
  EXPECT_EQ(PatternChain::Parse("ab.{0,2}c", true)->prefix(), "ab");
  EXPECT_EQ(PatternChain::Parse("[Oo0]m", true)->prefix(), "");
  for (const char* bad : {"a|b", "(ab)", "^a", "a$", ".{0,2}a", "a.{0,2}", "a+b", "[^a]b", "a{2}"}) {
    EXPECT_FALSE(PatternChain::Parse(bad, true).has_value()) << bad;
  }
}

}  // namespace
}  // namespace folian::tidy
