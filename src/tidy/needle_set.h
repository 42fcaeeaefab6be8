// Which of many literal needles occur in a piece of text: a two-byte prefix
// filter (one bit test per byte of text) with bucketed verification. Used to
// learn which rules can fire before running any of them.
#pragma once

#include <cstdint>
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

  // Thread-safe (read-only). Appends to `*found` (ascending, no duplicates) the ids >= `min_id` of the
  // needles that occur in `text`.
  void Collect(std::string_view text, std::uint32_t min_id, std::vector<std::uint32_t>* found) const;

  bool empty() const { return needles_.empty(); }

 private:
  bool Equal(const unsigned char* at, const std::string& needle) const;

  std::vector<std::string> needles_;
  bool fold_ = false;
  std::vector<std::uint64_t> pair_bits_;             // 65536 bits over (b0 << 8 | b1)
  std::vector<std::uint32_t> bucket_start_;          // 65537 offsets into bucket_ids_
  std::vector<std::uint32_t> bucket_ids_;
  std::vector<std::vector<std::uint32_t>> single_;   // 256 lists of one-byte needles
  bool any_single_ = false;
};

}  // namespace folian::tidy
