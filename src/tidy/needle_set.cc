#include "tidy/needle_set.h"

#include <algorithm>

namespace folian::tidy {
namespace {

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 0x20 : c; }
bool IsLetter(unsigned char c) { return Fold(c) >= 'a' && Fold(c) <= 'z'; }

// The byte values that match `c` (one, or two for a letter when folding).
int Variants(unsigned char c, bool fold, unsigned char out[2]) {
  out[0] = c;
  if (!fold || !IsLetter(c)) return 1;
  out[0] = Fold(c);
  out[1] = static_cast<unsigned char>(out[0] - 0x20);
  return 2;
}

}  // namespace

NeedleSet::NeedleSet(const std::vector<std::string>& needles, bool fold_case)
    : NeedleSet(needles, std::vector<bool>(needles.size(), fold_case)) {}

NeedleSet::Entry NeedleSet::MakeEntry(std::uint32_t id) const {
  // Bytes beyond the needle are masked out; a folded letter ignores its case bit.
  unsigned char mask[4] = {}, value[4] = {};
  const std::string& n = needles_[id];
  for (std::size_t k = 0; k < 4 && k < n.size(); ++k) {
    const unsigned char c = static_cast<unsigned char>(n[k]);
    mask[k] = (fold_[id] && IsLetter(c)) ? 0xDF : 0xFF;
    value[k] = c & mask[k];
  }
  Entry e{id, 0, 0};
  std::memcpy(&e.mask, mask, 4);
  std::memcpy(&e.value, value, 4);
  return e;
}

NeedleSet::NeedleSet(const std::vector<std::string>& needles, const std::vector<bool>& fold_case)
    : needles_(needles), fold_(fold_case) {
  pair_bits_.assign(65536 / 64, 0);
  quad_bits_.assign((std::size_t{1} << kQuadBits) / 64, 0);
  single_.resize(256);
  // (bucket, needle) in needle order, bucketed by a counting sort below:
  // a table of 65536 lists per set cost more to build than the set's scans.
  std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs, quads;
  for (std::uint32_t id = 0; id < needles_.size(); ++id) {
    const std::string& n = needles_[id];
    if (n.empty()) continue;
    const bool fold = fold_[id];
    unsigned char v[4][2];
    int c[4] = {0, 0, 0, 0};
    for (std::size_t k = 0; k < 4 && k < n.size(); ++k) {
      c[k] = Variants(static_cast<unsigned char>(n[k]), fold, v[k]);
    }
    if (n.size() == 1) {
      for (int a = 0; a < c[0]; ++a) {
        single_[v[0][a]].push_back(id);
        single_bits_[v[0][a]] = true;
      }
      any_single_ = true;
    } else if (n.size() < 4) {
      for (int a = 0; a < c[0]; ++a) {
        for (int b = 0; b < c[1]; ++b) {
          const unsigned key = v[0][a] << 8 | v[1][b];
          pair_bits_[key >> 6] |= std::uint64_t{1} << (key & 63);
          pairs.emplace_back(key, id);
        }
      }
      any_pair_ = true;
    } else {
      std::vector<std::uint32_t> hashes;
      for (int a = 0; a < c[0]; ++a)
        for (int b = 0; b < c[1]; ++b)
          for (int d = 0; d < c[2]; ++d)
            for (int e = 0; e < c[3]; ++e) {
              const unsigned char bytes[4] = {v[0][a], v[1][b], v[2][d], v[3][e]};
              std::uint32_t w;
              std::memcpy(&w, bytes, 4);
              hashes.push_back(QuadHash(w));
            }
      std::sort(hashes.begin(), hashes.end());
      hashes.erase(std::unique(hashes.begin(), hashes.end()), hashes.end());
      // Sorted hashes: the needle's buckets (hash >> 4) come in order, so
      // it enters each once by skipping repeats.
      for (std::uint32_t h : hashes) {
        quad_bits_[h >> 6] |= std::uint64_t{1} << (h & 63);
        if (quads.empty() || quads.back() != std::pair<std::uint32_t, std::uint32_t>(h >> 4, id)) {
          quads.emplace_back(h >> 4, id);
        }
      }
      any_quad_ = true;
    }
  }
  // Buckets in key order, each keeping needle order.
  auto flatten = [&](const std::vector<std::pair<std::uint32_t, std::uint32_t>>& keyed,
                     std::vector<std::uint32_t>* start, std::vector<Entry>* entries) {
    start->assign(65537, 0);
    for (const auto& [key, id] : keyed) ++(*start)[key + 1];
    for (unsigned key = 0; key < 65536; ++key) (*start)[key + 1] += (*start)[key];
    entries->resize(keyed.size());
    std::vector<std::uint32_t> fill(start->begin(), start->end() - 1);
    for (const auto& [key, id] : keyed) (*entries)[fill[key]++] = MakeEntry(id);
  };
  flatten(pairs, &pair_start_, &pair_entries_);
  flatten(quads, &quad_start_, &quad_entries_);
}

bool NeedleSet::Equal(const unsigned char* at, std::uint32_t id) const {
  const std::string& needle = needles_[id];
  if (!fold_[id]) return std::memcmp(at, needle.data(), needle.size()) == 0;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    if (Fold(at[i]) != Fold(static_cast<unsigned char>(needle[i]))) return false;
  }
  return true;
}

void NeedleSet::Collect(std::string_view text, std::uint32_t min_id,
                        std::vector<std::uint32_t>* found) const {
  const std::size_t first = found->size();
  ForEachHit(text, [&](std::uint32_t id, std::size_t) {
    if (id >= min_id) found->push_back(id);
    return false;
  });
  const auto begin = found->begin() + static_cast<std::ptrdiff_t>(first);
  std::sort(begin, found->end());
  found->erase(std::unique(begin, found->end()), found->end());
}

}  // namespace folian::tidy
