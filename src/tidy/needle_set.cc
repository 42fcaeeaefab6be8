#include "tidy/needle_set.h"

#include <algorithm>
#include <cstring>

namespace folian::tidy {
namespace {

unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 0x20 : c; }

// The byte values that match `c` (one, or two for a letter when folding).
int Variants(unsigned char c, bool fold, unsigned char out[2]) {
  out[0] = c;
  if (!fold) return 1;
  const unsigned char f = Fold(c);
  if (f >= 'a' && f <= 'z') {
    out[0] = f;
    out[1] = static_cast<unsigned char>(f - 0x20);
    return 2;
  }
  return 1;
}

}  // namespace

NeedleSet::NeedleSet(const std::vector<std::string>& needles, bool fold_case)
    : needles_(needles), fold_(fold_case) {
  pair_bits_.assign(65536 / 64, 0);
  single_.resize(256);
  std::vector<std::vector<std::uint32_t>> buckets(65536);
  for (std::uint32_t id = 0; id < needles_.size(); ++id) {
    const std::string& n = needles_[id];
    if (n.empty()) continue;
    unsigned char v0[2], v1[2];
    const int c0 = Variants(static_cast<unsigned char>(n[0]), fold_, v0);
    if (n.size() == 1) {
      for (int a = 0; a < c0; ++a) single_[v0[a]].push_back(id);
      any_single_ = true;
      continue;
    }
    const int c1 = Variants(static_cast<unsigned char>(n[1]), fold_, v1);
    for (int a = 0; a < c0; ++a) {
      for (int b = 0; b < c1; ++b) {
        const unsigned key = v0[a] << 8 | v1[b];
        pair_bits_[key >> 6] |= std::uint64_t{1} << (key & 63);
        buckets[key].push_back(id);
      }
    }
  }
  bucket_start_.resize(65537);
  std::uint32_t total = 0;
  for (unsigned key = 0; key < 65536; ++key) {
    bucket_start_[key] = total;
    total += static_cast<std::uint32_t>(buckets[key].size());
  }
  bucket_start_[65536] = total;
  bucket_ids_.reserve(total);
  for (auto& b : buckets) bucket_ids_.insert(bucket_ids_.end(), b.begin(), b.end());
}

bool NeedleSet::Equal(const unsigned char* at, const std::string& needle) const {
  if (!fold_) return std::memcmp(at, needle.data(), needle.size()) == 0;
  for (std::size_t i = 0; i < needle.size(); ++i) {
    if (Fold(at[i]) != Fold(static_cast<unsigned char>(needle[i]))) return false;
  }
  return true;
}

void NeedleSet::Collect(std::string_view text, std::uint32_t min_id,
                        std::vector<std::uint32_t>* found) const {
  if (needles_.empty()) return;
  const std::size_t first = found->size();
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  auto take = [&](std::uint32_t id) {
    if (id >= min_id) found->push_back(id);
  };
  if (any_single_) {
    bool seen[256] = {};
    for (std::size_t i = 0; i < n; ++i) {
      if (seen[s[i]]) continue;
      seen[s[i]] = true;
      for (std::uint32_t id : single_[s[i]]) take(id);
    }
  }
  if (n >= 2) {
    const std::uint64_t* bits = pair_bits_.data();
    for (std::size_t i = 0; i + 1 < n; ++i) {
      const unsigned key = s[i] << 8 | s[i + 1];
      if (!(bits[key >> 6] >> (key & 63) & 1)) continue;
      for (std::uint32_t k = bucket_start_[key]; k < bucket_start_[key + 1]; ++k) {
        const std::uint32_t id = bucket_ids_[k];
        const std::string& needle = needles_[id];
        if (id >= min_id && needle.size() <= n - i &&
            Equal(s + i, needle)) {
          take(id);
        }
      }
    }
  }
  const auto begin = found->begin() + static_cast<std::ptrdiff_t>(first);
  std::sort(begin, found->end());
  found->erase(std::unique(begin, found->end()), found->end());
}

}  // namespace folian::tidy
