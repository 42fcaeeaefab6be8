// Which of many literal needles occur in a piece of text. Needles of four
// bytes or more are found through a hashed filter over each position's next
// four bytes, shorter ones through a filter over the next two; candidates are
// then confirmed byte by byte. Used to learn which rules can fire before
// running any of them.
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

  // Thread-safe (read-only). Appends to `*found` (ascending, no duplicates)
  // the ids >= `min_id` of the needles that occur in `text`.
  void Collect(std::string_view text, std::uint32_t min_id, std::vector<std::uint32_t>* found) const;

  // Calls `hit(id, pos)` for occurrences in `text` (one-byte needles first);
  // stops early when `hit` returns true.
  template <typename Hit>
  void ForEachHit(std::string_view text, Hit&& hit) const;

  bool empty() const { return needles_.empty(); }

 private:
  // A bucket entry: the needle and a quick test of its first four bytes.
  struct Entry {
    std::uint32_t id;
    std::uint32_t mask;
    std::uint32_t value;
  };
  static constexpr unsigned kQuadBits = 20;

  static std::uint32_t QuadHash(std::uint32_t w) { return (w * 0x9E3779B1u) >> (32 - kQuadBits); }
  bool Equal(const unsigned char* at, std::uint32_t id) const;
  Entry MakeEntry(std::uint32_t id) const;

  std::vector<std::string> needles_;
  std::vector<bool> fold_;
  std::vector<std::uint64_t> pair_bits_;     // 65536 bits over (b0 << 8 | b1), short needles
  std::vector<std::uint32_t> pair_start_;    // 65537 offsets into pair_entries_
  std::vector<Entry> pair_entries_;
  std::vector<std::uint64_t> quad_bits_;     // 2^kQuadBits bits over hashed first four bytes
  std::vector<std::uint32_t> quad_start_;    // 65537 offsets (by hash >> 4) into quad_entries_
  std::vector<Entry> quad_entries_;
  std::vector<std::vector<std::uint32_t>> single_;  // 256 lists of one-byte needles
  bool any_single_ = false, any_pair_ = false, any_quad_ = false;
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
  const std::uint64_t* pbits = pair_bits_.data();
  const std::uint64_t* qbits = quad_bits_.data();
  for (std::size_t i = 0; i + 1 < n; ++i) {
    const bool four = i + 4 <= n;
    std::uint32_t word = 0;
    if (four) std::memcpy(&word, s + i, 4);
    if (any_pair_) {
      const unsigned key = s[i] << 8 | s[i + 1];
      if (pbits[key >> 6] >> (key & 63) & 1) {
        for (std::uint32_t k = pair_start_[key]; k < pair_start_[key + 1]; ++k) {
          const Entry& e = pair_entries_[k];
          if (four && (word & e.mask) != e.value) continue;
          if (needles_[e.id].size() <= n - i && Equal(s + i, e.id) && hit(e.id, i)) return;
        }
      }
    }
    if (any_quad_ && four) {
      const std::uint32_t h = QuadHash(word);
      if (qbits[h >> 6] >> (h & 63) & 1) {
        for (std::uint32_t k = quad_start_[h >> 4]; k < quad_start_[(h >> 4) + 1]; ++k) {
          const Entry& e = quad_entries_[k];
          if ((word & e.mask) != e.value) continue;
          if (needles_[e.id].size() <= n - i && Equal(s + i, e.id) && hit(e.id, i)) return;
        }
      }
    }
  }
}

}  // namespace folian::tidy
