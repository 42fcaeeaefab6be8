// Which of many literal needles occur in a piece of text: a two-byte prefix
// filter (one bit test per byte of text) with bucketed verification. Used to
// learn which rules can fire before running any of them.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace folian::tidy {

class NeedleSet {
 public:
  NeedleSet() = default;
  // needles[i] is needle i; empty needles never match. With `fold_case`,
  // ASCII letters match in either case.
  explicit NeedleSet(const std::vector<std::string>& needles, bool fold_case = false);
  // The same with a fold choice per needle.
  NeedleSet(const std::vector<std::string>& needles, const std::vector<bool>& fold_case);

  // Thread-safe (read-only). Appends to `*found` (ascending, no duplicates) the ids >= `min_id` of the
  // needles that occur in `text`.
  void Collect(std::string_view text, std::uint32_t min_id, std::vector<std::uint32_t>* found) const;

  // Calls `hit(id, pos)` for every occurrence in `text`, one-byte needles
  // first; stops early when `hit` returns true.
  template <typename Hit>
  void ForEachHit(std::string_view text, Hit&& hit) const;

  bool empty() const { return needles_.empty(); }

 private:
  bool Equal(const unsigned char* at, std::uint32_t id) const;

  // A bucket entry: the needle and a quick test of its first four bytes.
  struct Entry {
    std::uint32_t id;
    std::uint32_t mask;
    std::uint32_t value;
  };

  std::vector<std::string> needles_;
  std::vector<bool> fold_;
  std::vector<std::uint64_t> pair_bits_;             // 65536 bits over (b0 << 8 | b1)
  std::vector<std::uint32_t> bucket_start_;          // 65537 offsets into bucket_ids_
  std::vector<Entry> bucket_entries_;
  std::vector<std::vector<std::uint32_t>> single_;   // 256 lists of one-byte needles
  bool any_single_ = false;
};

template <typename Hit>
void NeedleSet::ForEachHit(std::string_view text, Hit&& hit) const {
  if (needles_.empty()) return;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  if (any_single_) {
    for (std::size_t i = 0; i < n; ++i) {
      for (std::uint32_t id : single_[s[i]]) {
        if (hit(id, i)) return;
      }
    }
  }
  if (n < 2) return;
  const std::uint64_t* bits = pair_bits_.data();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const unsigned key = s[i] << 8 | s[i + 1];
    if (!(bits[key >> 6] >> (key & 63) & 1)) continue;
    const bool four = i + 4 <= n;
    std::uint32_t word = 0;
    if (four) std::memcpy(&word, s + i, 4);
    for (std::uint32_t k = bucket_start_[key]; k < bucket_start_[key + 1]; ++k) {
      const Entry& e = bucket_entries_[k];
      if (four && (word & e.mask) != e.value) continue;
      if (needles_[e.id].size() <= n - i && Equal(s + i, e.id) && hit(e.id, i)) return;
    }
  }
}

}  // namespace folian::tidy
