#include "regex/pattern_set.h"

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_map>

#include "regex/matcher.h"
#include "regex/program.h"
#include "regex/substitute.h"

namespace folian::regex {

namespace {

constexpr std::size_t kWideFirstSet = 8;  // more first bytes than this: not worth keying

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

// How the one-pass scan finds where a pattern could start.
struct Plan {
  enum Kind { kAlways, kPair, kBytes } kind = kAlways;
  std::uint16_t pair = 0;            // folded first two bytes
  std::vector<unsigned char> bytes;  // folded first bytes
};

Plan MakePlan(const Program& p) {
  Plan plan;
  // A pattern whose match depends on its surroundings, or whose matches
  // have no length bound, is simply run.
  if (p.looks_around || p.max_length < 0 || p.nullable) return plan;
  if (p.required.size() >= 2 && p.required_offset_max == 0) {
    plan.kind = Plan::kPair;
    plan.pair = static_cast<std::uint16_t>(Fold(static_cast<unsigned char>(p.required[0])) << 8 |
                                           Fold(static_cast<unsigned char>(p.required[1])));
    return plan;
  }
  if (static_cast<std::size_t>(p.first_count) <= kWideFirstSet) {
    plan.kind = Plan::kBytes;
    for (unsigned c = 0; c < 256; ++c) {
      if (!p.first_table[c]) continue;
      const unsigned char f = Fold(static_cast<unsigned char>(c));
      bool seen = false;
      for (unsigned char b : plan.bytes) seen |= b == f;
      if (!seen) plan.bytes.push_back(f);
    }
  }
  return plan;
}

}  // namespace

std::vector<std::size_t> PatternSet::SubstituteEach(std::string& text, const CancelFlag* cancel) const {
  const std::size_t n = patterns_.size();
  std::vector<std::size_t> counts(n, 0);
  std::vector<const Program*> progs(n);
  std::vector<std::unique_ptr<Matcher>> matchers(n);
  std::vector<Plan> plans(n);
  std::vector<char> may_match(n, 0);
  // Scan lists: which patterns to try where a byte pair or a byte occurs.
  std::unordered_map<std::uint16_t, std::vector<std::uint32_t>> by_pair;
  std::vector<std::vector<std::uint32_t>> by_byte(256);
  std::vector<std::uint64_t> pair_keyed(1024, 0);
  std::array<char, 256> byte_keyed{};
  for (std::size_t k = 0; k < n; ++k) {
    progs[k] = patterns_[k].program_.get();
    if (!progs[k]) continue;
    matchers[k] = std::make_unique<Matcher>(*progs[k]);
    plans[k] = MakePlan(*progs[k]);
    switch (plans[k].kind) {
      case Plan::kAlways:
        may_match[k] = 1;
        break;
      case Plan::kPair:
        by_pair[plans[k].pair].push_back(static_cast<std::uint32_t>(k));
        pair_keyed[plans[k].pair >> 6] |= std::uint64_t{1} << (plans[k].pair & 63);
        break;
      case Plan::kBytes:
        for (unsigned char b : plans[k].bytes) {
          by_byte[b].push_back(static_cast<std::uint32_t>(k));
          byte_keyed[b] = 1;
        }
        break;
    }
  }
  // One pass: a keyed pattern may match only if it matches somewhere its
  // first bytes occur.
  {
    const std::string_view s(text);
    const auto* d = reinterpret_cast<const unsigned char*>(s.data());
    std::array<unsigned char, 256> fold{};
    for (unsigned c = 0; c < 256; ++c) fold[c] = Fold(static_cast<unsigned char>(c));
    auto try_list = [&](const std::vector<std::uint32_t>& list, std::size_t at) {
      for (std::uint32_t k : list)
        if (!may_match[k] && matchers[k]->MatchesAt(s, at, cancel)) may_match[k] = 1;
    };
    const std::size_t len = s.size();
    for (std::size_t i = 0; i < len; ++i) {
      const unsigned b0 = fold[d[i]];
      if (byte_keyed[b0]) try_list(by_byte[b0], i);
      if (i + 1 < len) {
        const unsigned key = b0 << 8 | fold[d[i + 1]];
        if ((pair_keyed[key >> 6] >> (key & 63)) & 1) try_list(by_pair[static_cast<std::uint16_t>(key)], i);
      }
      if ((i & 0xFFFFF) == 0 && Cancelled(cancel)) return counts;
    }
  }
  std::vector<std::pair<std::size_t, std::size_t>> inserted;
  std::string scratch;
  for (std::size_t k = 0; k < n; ++k) {
    if (Cancelled(cancel)) break;
    if (!progs[k] || !may_match[k]) continue;
    counts[k] = SubstituteRange(*progs[k], text, 0, text.size(), cancel, &inserted, &scratch);
    if (inserted.empty()) continue;
    // A later pattern can newly match only across a replacement (its
    // matches do not look outside themselves and have a bounded length).
    for (std::size_t j = k + 1; j < n; ++j) {
      if (may_match[j] || !progs[j]) continue;
      const auto reach = static_cast<std::size_t>(progs[j]->max_length);
      for (const auto& [b, e] : inserted) {
        for (std::size_t st = b > reach ? b - reach : 0; st <= e && !may_match[j]; ++st)
          if (matchers[j]->MatchesAt(text, st, cancel)) may_match[j] = 1;
        if (may_match[j]) break;
      }
    }
  }
  return counts;
}

}  // namespace folian::regex
