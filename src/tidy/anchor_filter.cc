#include "tidy/anchor_filter.h"

#include <algorithm>
#include <cstring>

namespace folian::tidy {
namespace {

using u8 = unsigned char;

// Windows further than this into a chain make the confirmation try too many
// starts; such pieces are not used as anchors.
constexpr std::size_t kMaxReach = 96;
constexpr std::size_t kSampleSlices = 128;
constexpr std::size_t kSliceBytes = 4096;

u8 Fold(u8 c) { return (c >= 'A' && c <= 'Z') ? c + 0x20 : c; }
bool IsLetter(u8 c) { return Fold(c) >= 'a' && Fold(c) <= 'z'; }

struct Counts {
  std::vector<std::uint32_t> pair = std::vector<std::uint32_t>(65536, 0);
  std::uint32_t single[256] = {};

  explicit Counts(std::string_view text) {
    const auto* s = reinterpret_cast<const u8*>(text.data());
    const std::size_t n = text.size();
    const std::size_t step = n / kSampleSlices;
    for (std::size_t k = 0; k < kSampleSlices; ++k) {
      const std::size_t from = k * step;
      const std::size_t to = std::min(n, from + kSliceBytes);
      for (std::size_t i = from; i < to; ++i) {
        ++single[s[i]];
        if (i + 1 < n) ++pair[s[i] << 8 | s[i + 1]];
      }
      if (step == 0) break;  // a short text: sampled whole once
    }
  }
};

// Up to four byte values (no allocation: tried for every window of every needle).
struct Values {
  u8 v[4] = {};
  std::size_t n = 0;

  Values() = default;
  // Empty when the set has too many values to be an anchor.
  explicit Values(const std::bitset<256>& set) {
    if (set.count() > 4) return;
    for (std::size_t b = set._Find_first(); b < 256; b = set._Find_next(b)) v[n++] = static_cast<u8>(b);
  }
  bool empty() const { return n == 0; }
  std::size_t size() const { return n; }
  const u8* begin() const { return v; }
  const u8* end() const { return v + n; }
};

// One way of spotting a needle: the byte values each window position takes.
struct Window {
  Values first, second;  // second empty for a one-byte window
  std::size_t back_min = 0, back_max = 0;
  std::size_t piece = 0, within = 0;  // chains: the piece, and where in it
  std::uint64_t score = ~std::uint64_t{0};
};

// The values of a literal byte, as Values of its set would list them (ascending).
Values LiteralValues(u8 c, bool fold) {
  Values v;
  if (fold && IsLetter(c)) {
    v.v[0] = static_cast<u8>(std::min(c, static_cast<u8>(c ^ 0x20)));
    v.v[1] = static_cast<u8>(std::max(c, static_cast<u8>(c ^ 0x20)));
    v.n = 2;
  } else {
    v.v[0] = c;
    v.n = 1;
  }
  return v;
}

// Values are made once per byte position by the callers: a window is tried
// at every position of every needle.
void Consider(const Counts& counts, const Values& a, const Values* b, std::size_t back_min,
              std::size_t back_max, Window* best, std::size_t piece = 0, std::size_t within = 0) {
  Window w;
  w.first = a;
  if (b != nullptr) w.second = *b;
  const std::size_t variants = w.first.size() * (b != nullptr ? w.second.size() : 1);
  if (variants == 0 || variants > 4) return;  // also an over-wide set, read as empty
  std::uint64_t score = 0;
  for (u8 x : w.first) {
    if (b == nullptr) {
      score += counts.single[x];
    } else {
      for (u8 y : w.second) score += counts.pair[x << 8 | y];
    }
  }
  // Each extra start a chain window must try costs about one more hit.
  score = score * (back_max - back_min + 1);
  if (score < best->score) {
    w.back_min = back_min;
    w.back_max = back_max;
    w.piece = piece;
    w.within = within;
    w.score = score;
    *best = w;
  }
}

}  // namespace

// A chain's window hit is only worth confirming when the piece after the
// window's piece (or else the one before) can stand next to it: a byte
// check that spares touching the chain for nearly every common window.
void AnchorFilter::SetNear(const std::vector<PatternChain::Piece>& pieces, Entry* e) {
  constexpr std::size_t kMaxGap = 64;
  const std::size_t k = e->piece;
  const auto within = static_cast<std::int64_t>(e->within);
  const auto len = static_cast<std::int64_t>(pieces[k].bytes->size());
  auto take = [e](const std::bitset<256>& set, std::int64_t lo, std::int64_t hi) {
    const Values v(set);
    if (v.empty() || v.size() > 2) return false;
    e->near_lo = static_cast<std::int32_t>(lo);
    e->near_hi = static_cast<std::int32_t>(hi);
    e->near_count = static_cast<std::uint8_t>(v.size());
    for (std::size_t j = 0; j < v.size(); ++j) e->near[j] = v.v[j];
    return true;
  };
  if (k + 1 < pieces.size() && pieces[k].gap_max <= kMaxGap &&
      take(pieces[k + 1].bytes->front(), len - within + static_cast<std::int64_t>(pieces[k].gap_min),
           len - within + static_cast<std::int64_t>(pieces[k].gap_max))) {
    return;
  }
  if (k > 0 && pieces[k - 1].gap_max <= kMaxGap) {
    take(pieces[k - 1].bytes->back(), -within - static_cast<std::int64_t>(pieces[k - 1].gap_max) - 1,
         -within - static_cast<std::int64_t>(pieces[k - 1].gap_min) - 1);
  }
}

AnchorFilter::AnchorFilter(const std::vector<Needle>& needles, std::string_view sample)
    : needles_(&needles) {
  const Counts counts(sample);
  // (key, entry) in needle order; bucketed by a counting sort below.
  std::vector<std::pair<std::uint32_t, Entry>> pairs, singles;
  listed_.assign(needles.size(), false);
  std::vector<Values> values;  // of a chain piece's positions
  for (std::uint32_t id = 0; id < needles.size(); ++id) {
    const Needle& nd = needles[id];
    const std::uint32_t bit = std::min(nd.group, kMaxGroup);
    if (nd.where != Where::kAnywhere && nd.chain == nullptr) {
      edges_.push_back({nd.bytes, nd.where, bit});
      continue;
    }
    Window best;
    if (nd.chain != nullptr) {
      const auto pieces = nd.chain->Pieces();
      for (std::size_t k = 0; k < pieces.size(); ++k) {
        const PatternChain::Piece& p = pieces[k];
        if (p.max_offset > kMaxReach) break;
        const auto& bytes = *p.bytes;
        values.clear();
        for (const std::bitset<256>& set : bytes) values.emplace_back(set);
        if (bytes.size() == 1) {
          Consider(counts, values[0], nullptr, p.min_offset, p.max_offset, &best, k, 0);
        }
        for (std::size_t w = 0; w + 1 < bytes.size(); ++w) {
          Consider(counts, values[w], &values[w + 1], p.min_offset + w, p.max_offset + w, &best, k, w);
        }
      }
    } else if (nd.bytes.size() == 1) {
      Consider(counts, LiteralValues(static_cast<u8>(nd.bytes[0]), nd.fold), nullptr, 0, 0, &best);
    } else {
      Values b = LiteralValues(static_cast<u8>(nd.bytes[0]), nd.fold);
      for (std::size_t w = 0; w + 1 < nd.bytes.size(); ++w) {
        const Values a = b;
        b = LiteralValues(static_cast<u8>(nd.bytes[w + 1]), nd.fold);
        Consider(counts, a, &b, w, w, &best);
      }
    }
    if (best.first.empty()) {
      always_ |= std::uint64_t{1} << bit;
      continue;
    }
    listed_[id] = true;
    Entry e{id, bit, static_cast<std::uint32_t>(best.back_min),
            static_cast<std::uint32_t>(best.back_max)};
    e.piece = static_cast<std::uint32_t>(best.piece);
    e.within = static_cast<std::uint32_t>(best.within);
    if (nd.chain != nullptr) SetNear(nd.chain->Pieces(), &e);
    if (nd.chain == nullptr) {
      u8 mask[4] = {}, value[4] = {};
      for (std::size_t k = 0; k < 4 && k < nd.bytes.size(); ++k) {
        const u8 c = static_cast<u8>(nd.bytes[k]);
        mask[k] = (nd.fold && IsLetter(c)) ? 0xDF : 0xFF;
        value[k] = c & mask[k];
      }
      std::memcpy(&e.head_mask, mask, 4);
      std::memcpy(&e.head_value, value, 4);
    }
    for (u8 x : best.first) {
      if (best.second.empty()) {
        singles.emplace_back(x, e);
        single_[x] = true;
      } else {
        for (u8 y : best.second) pairs.emplace_back(x << 8 | y, e);
      }
    }
  }
  pair_any_.assign(65536, 0);
  // Buckets in key order, each keeping needle order.
  auto flatten = [](const std::vector<std::pair<std::uint32_t, Entry>>& keyed, std::size_t keys,
                    std::vector<std::uint32_t>* start, std::vector<Entry>* entries) {
    start->assign(keys + 1, 0);
    for (const auto& ke : keyed) ++(*start)[ke.first + 1];
    for (std::size_t k = 0; k < keys; ++k) (*start)[k + 1] += (*start)[k];
    entries->resize(keyed.size());
    std::vector<std::uint32_t> fill(start->begin(), start->end() - 1);
    for (const auto& ke : keyed) (*entries)[fill[ke.first]++] = ke.second;
  };
  flatten(pairs, 65536, &pair_start_, &pair_entries_);
  flatten(singles, 256, &single_start_, &single_entries_);
  for (unsigned key = 0; key < 65536; ++key) {
    if (pair_start_[key] != pair_start_[key + 1] || single_[key >> 8]) {
      const u8 bytes[2] = {static_cast<u8>(key >> 8), static_cast<u8>(key)};
      std::uint16_t native;
      std::memcpy(&native, bytes, 2);
      pair_any_[native] = 1;
    }
  }
}

bool AnchorFilter::Confirm(const Entry& e, const u8* s, std::size_t n, std::size_t pos) const {
  const Needle& nd = (*needles_)[e.needle];
  if (pos < e.back_min) return false;
  if (nd.chain == nullptr) {
    const std::size_t start = pos - e.back_min;
    const std::size_t len = nd.bytes.size();
    if (len > n - start) return false;
    const auto* w = reinterpret_cast<const u8*>(nd.bytes.data());
    if (!nd.fold) return std::memcmp(s + start, w, len) == 0;
    for (std::size_t k = 0; k < len; ++k) {
      if (Fold(s[start + k]) != Fold(w[k])) return false;
    }
    return true;
  }
  // Out from the window's piece rather than from every start it allows.
  const std::string_view line(reinterpret_cast<const char*>(s), n);
  return nd.chain->MatchesAround(line, e.piece, pos - e.within);
}

std::uint64_t AnchorFilter::Groups(std::string_view line) const { return Scan<false>(line, nullptr, kAllGroups); }

void AnchorFilter::Hits(std::string_view line, unsigned group, std::vector<std::uint32_t>* hits) const {
  const std::size_t first = hits->size();
  Scan<true>(line, hits, std::min(group, kMaxGroup));
  std::sort(hits->begin() + static_cast<std::ptrdiff_t>(first), hits->end());
}

std::uint64_t AnchorFilter::Groups(std::string_view line, std::vector<std::uint32_t>* hits) const {
  const std::size_t first = hits->size();
  const std::uint64_t mask = Scan<true>(line, hits, kAllGroups);
  std::sort(hits->begin() + static_cast<std::ptrdiff_t>(first), hits->end());
  return mask;
}

template <bool kRecord>
std::uint64_t AnchorFilter::Scan(std::string_view line, std::vector<std::uint32_t>* hits,
                                 std::uint32_t only) const {
  std::uint64_t mask = always_;
  for (const Edge& e : edges_) {
    if (mask >> e.group_bit & 1) continue;
    // Every line is tested against every placed needle: the byte next to
    // the place (at the end, the one before the usual "\r") turns nearly
    // all of them away without a call.
    const std::size_t len = e.bytes.size();
    if (len > line.size() || (e.where == Where::kWhole && len != line.size())) continue;
    const std::size_t at = e.where == Where::kEnd ? line.size() - len : 0;
    if (len != 0) {
      const std::size_t probe = e.where == Where::kEnd && len >= 2 ? len - 2 : 0;
      if (line[at + probe] != e.bytes[probe]) continue;
    }
    if (line.compare(at, len, e.bytes) == 0) mask |= std::uint64_t{1} << e.group_bit;
  }
  if (needles_ == nullptr || line.empty()) return mask;
  const auto* s = reinterpret_cast<const u8*>(line.data());
  const std::size_t n = line.size();
  // Most window hits are turned away by the needle's first four bytes, or
  // a chain's by the bytes next to the window.
  auto head_ok = [s, n](const Entry& e, std::size_t i) {
    if (e.near_count != 0) {
      const auto pos = static_cast<std::int64_t>(i);
      const std::int64_t lo = std::max<std::int64_t>(pos + e.near_lo, 0);
      const std::int64_t hi = std::min<std::int64_t>(pos + e.near_hi, static_cast<std::int64_t>(n) - 1);
      for (std::int64_t j = lo; j <= hi; ++j) {
        if (s[j] == e.near[0] || (e.near_count == 2 && s[j] == e.near[1])) return true;
      }
      return false;
    }
    if (e.head_mask == 0 || i < e.back_min || i - e.back_min + 4 > n) return true;
    std::uint32_t w;
    std::memcpy(&w, s + i - e.back_min, 4);
    return (w & e.head_mask) == e.head_value;
  };
  // Recording, every needle is confirmed once; otherwise a group once.
  const std::size_t first = kRecord ? hits->size() : 0;
  auto try_entry = [&](const Entry& e, std::size_t i) {
    if constexpr (kRecord) {
      if (only != kAllGroups && e.group_bit != only) return;
      if (std::find(hits->begin() + static_cast<std::ptrdiff_t>(first), hits->end(), e.needle) != hits->end()) {
        return;
      }
    } else {
      if (mask >> e.group_bit & 1) return;
    }
    if (head_ok(e, i) && Confirm(e, s, n, i)) {
      mask |= std::uint64_t{1} << e.group_bit;
      if constexpr (kRecord) hits->push_back(e.needle);
    }
  };
  auto singles = [&](std::size_t i) {
    const u8 c = s[i];
    for (std::uint32_t k = single_start_[c]; k < single_start_[c + 1]; ++k) try_entry(single_entries_[k], i);
  };
  const std::uint8_t* any = pair_any_.data();
  // Rare windows make a hit the exception: keep the common path short.
  // A one-byte window marks every pair it starts.
  auto visit = [&](std::size_t i) {
    if (single_[s[i]]) singles(i);
    const unsigned key = s[i] << 8 | s[i + 1];
    for (std::uint32_t k = pair_start_[key]; k < pair_start_[key + 1]; ++k) try_entry(pair_entries_[k], i);
  };
  auto at = [s, any](std::size_t i) -> unsigned {
    std::uint16_t w;
    std::memcpy(&w, s + i, 2);
    return any[w];
  };
  // Window hits are gathered a block at a time without a branch per
  // position, then visited: the scan itself never mispredicts.
  constexpr std::size_t kBlock = 1024;
  std::uint32_t found[kBlock];
  for (std::size_t from = 0; from + 1 < n; from += kBlock) {
    const std::size_t to = std::min(n - 1, from + kBlock);
    std::size_t m = 0, i = from;
    // Eight positions a round, their lookups (0 or 1) gathered into a byte:
    // most rounds find none and take one well-predicted branch.
    for (; i + 8 <= to; i += 8) {
      unsigned bits = at(i) | at(i + 1) << 1 | at(i + 2) << 2 | at(i + 3) << 3 | at(i + 4) << 4 |
                      at(i + 5) << 5 | at(i + 6) << 6 | at(i + 7) << 7;
      const auto k = static_cast<std::uint32_t>(i - from);
      for (; bits != 0; bits &= bits - 1) found[m++] = k + static_cast<std::uint32_t>(__builtin_ctz(bits));
    }
    for (; i < to; ++i) {
      found[m] = static_cast<std::uint32_t>(i - from);
      m += at(i) != 0;
    }
    for (std::size_t k = 0; k < m; ++k) visit(from + found[k]);
  }
  if (single_[s[n - 1]]) singles(n - 1);
  return mask;
}

}  // namespace folian::tidy
