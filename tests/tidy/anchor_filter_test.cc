#include "tidy/anchor_filter.h"

#include <gtest/gtest.h>

#include <random>

#include "test_support.h"

namespace folian::tidy {
namespace {

using testing::G;

unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 0x20 : c; }

bool OccursFolded(const std::string& line, const std::string& needle, bool fold) {
  if (needle.size() > line.size()) return false;
  for (std::size_t i = 0; i + needle.size() <= line.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() &&
           (fold ? Lower(static_cast<unsigned char>(line[i + k])) == Lower(static_cast<unsigned char>(needle[k]))
                 : line[i + k] == needle[k])) {
      ++k;
    }
    if (k == needle.size()) return true;
  }
  return false;
}

// The groups by brute force: every needle tried at every position; with
// `ids`, the needles that occur.
std::uint64_t Expected(const std::vector<AnchorFilter::Needle>& needles, const std::string& line,
                       std::vector<std::uint32_t>* ids = nullptr) {
  std::uint64_t mask = 0;
  for (std::uint32_t id = 0; id < needles.size(); ++id) {
    const auto& nd = needles[id];
    bool hit;
    if (nd.chain != nullptr) {
      hit = false;
      for (std::size_t pos = 0; pos <= line.size() && !hit; ++pos) hit = nd.chain->MatchesAt(line, pos);
    } else if (nd.where == AnchorFilter::Where::kStart) {
      hit = line.substr(0, nd.bytes.size()) == nd.bytes;
    } else if (nd.where == AnchorFilter::Where::kEnd) {
      hit = line.size() >= nd.bytes.size() && line.substr(line.size() - nd.bytes.size()) == nd.bytes;
    } else if (nd.where == AnchorFilter::Where::kWhole) {
      hit = line == nd.bytes;
    } else {
      hit = nd.bytes.empty() || OccursFolded(line, nd.bytes, nd.fold);
    }
    if (hit) mask |= std::uint64_t{1} << std::min(nd.group, AnchorFilter::kMaxGroup);
    if (hit && ids != nullptr) ids->push_back(id);
  }
  return mask;
}

std::string RandomText(std::mt19937& rng, const std::vector<std::string>& alphabet, int max_pieces) {
  std::string s;
  const int n = std::uniform_int_distribution<int>(0, max_pieces)(rng);
  for (int k = 0; k < n; ++k) {
    s += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(rng)];
  }
  return s;
}

// A missed group would leave an advertisement in place, a spurious one only
// costs time; the filter promises neither: exactly the groups that occur,
// whatever sample steered its windows. Needles share bytes and overlap (a
// window may sit anywhere in a needle), letters fold, chains have gaps,
// one-byte needles sit at line ends, and groups past the last bit share it.
TEST(AnchorFilter, ReportsExactlyTheGroupsThatOccur) {
  const auto chain_a = PatternChain::Parse(G("笔.{0,2}趣.{0,2}阁"), true);
  const auto chain_b = PatternChain::Parse("[Ww].{0,1}[Ww].{0,1}[Ww]", true);
  const auto chain_c = PatternChain::Parse(G("一秒记住.{0,40}免费阅读"), true);
  const auto chain_d = PatternChain::Parse(G("小.{0,2}说.{0,2}天.{0,2}堂"), true);
  ASSERT_TRUE(chain_a && chain_b && chain_c && chain_d);
  const std::vector<AnchorFilter::Needle> needles = {
      {G("一二三"), false, nullptr, 0},
      {G("小说"), false, nullptr, 1},
      {"se", false, nullptr, 2},
      {"^", false, nullptr, 3},
      {"COM", true, nullptr, 4},
      {G("说天"), false, nullptr, 5},
      {"", false, &*chain_a, 6},
      {"", false, &*chain_b, 7},
      {"", false, &*chain_c, 8},
      {"", false, &*chain_d, 9},
      {G("免费"), false, nullptr, 70},  // shares the last bit with group 80
      {"x\r", false, nullptr, 80},
      {G("一"), false, nullptr, 10},
      // Placed needles count only at their place in the line.
      {G("说") + "\r", false, nullptr, 11, AnchorFilter::Where::kEnd},
      {G("天"), false, nullptr, 12, AnchorFilter::Where::kStart},
      {"x\r", false, nullptr, 13, AnchorFilter::Where::kWhole},
      {"", false, nullptr, 14, AnchorFilter::Where::kWhole},
      {"COM", false, nullptr, 15},  // exact case, beside the folded one
  };
  const std::vector<std::string> alphabet = {
      G("一"), G("二"), G("三"), G("小"), G("说"), G("天"), G("堂"), G("笔"), G("趣"), G("阁"),
      G("一秒记住"), G("免费阅读"), G("的"), "s", "e", "S", "^", "c", "o", "m", "C", "O", "M", "w",
      "W", "x", "\r", " ", "\xB5", "\xC4"};
  std::mt19937 rng(11);
  // Samples that favour different windows: none, the needles' own bytes, random text.
  const std::vector<std::string> samples = {"", G("一一一小小小说说说天天") + "wwwcom", RandomText(rng, alphabet, 4000)};
  for (const std::string& sample : samples) {
    const AnchorFilter filter(needles, sample);
    for (int round = 0; round < 4000; ++round) {
      const std::string line = RandomText(rng, alphabet, 24);
      std::vector<std::uint32_t> occurring;
      const std::uint64_t expected = Expected(needles, line, &occurring);
      ASSERT_EQ(filter.Groups(line), expected) << "line: " << line;
      // The listed needles that occur, each once, after anything already there.
      std::vector<std::uint32_t> hits = {999}, listed = {999};
      ASSERT_EQ(filter.Groups(line, &hits), expected) << "line: " << line;
      for (std::uint32_t id : occurring) {
        if (filter.Listed(id)) listed.push_back(id);
      }
      ASSERT_EQ(hits, listed) << "line: " << line;
      // One group's hits alone (group 80 shares the last bit with group 70).
      const unsigned group = std::vector<unsigned>{1, 6, 9, 80}[static_cast<std::size_t>(round % 4)];
      std::vector<std::uint32_t> group_hits, group_listed;
      filter.Hits(line, group, &group_hits);
      for (std::uint32_t id : occurring) {
        if (filter.Listed(id) &&
            std::min(needles[id].group, AnchorFilter::kMaxGroup) == std::min(group, AnchorFilter::kMaxGroup)) {
          group_listed.push_back(id);
        }
      }
      ASSERT_EQ(group_hits, group_listed) << "group " << group << ", line: " << line;
    }
  }
}

TEST(AnchorFilter, NeedlesWithoutAWindowAreNotListed) {
  const auto digits = PatternChain::Parse("[0-9][0-9]", true);  // ten values a byte: no window
  ASSERT_TRUE(digits);
  const std::vector<AnchorFilter::Needle> needles = {
      {"", false, &*digits, 1}, {"", false, nullptr, 2}, {"ab", false, nullptr, 3},
      {"x", false, nullptr, 4, AnchorFilter::Where::kEnd}};
  const AnchorFilter filter(needles, "");
  EXPECT_FALSE(filter.Listed(0));
  EXPECT_FALSE(filter.Listed(1));
  EXPECT_TRUE(filter.Listed(2));
  EXPECT_FALSE(filter.Listed(3));
  std::vector<std::uint32_t> hits;
  // Unlisted needles still set their groups (always, for want of a window).
  EXPECT_EQ(filter.Groups("12abx", &hits), 0b11110u);
  EXPECT_EQ(hits, std::vector<std::uint32_t>{2});
}

TEST(AnchorFilter, NeedleWithoutBytesOrChainIsEverywhere) {
  const std::vector<AnchorFilter::Needle> needles = {{"", true, nullptr, 3}, {"ab", false, nullptr, 1}};
  const AnchorFilter filter(needles, "ab ab");
  EXPECT_EQ(filter.Groups(""), std::uint64_t{1} << 3);
  EXPECT_EQ(filter.Groups("xab"), (std::uint64_t{1} << 3) | 2u);
  EXPECT_EQ(AnchorFilter().Groups("ab"), 0u);  // an empty filter finds nothing
}

}  // namespace
}  // namespace folian::tidy
