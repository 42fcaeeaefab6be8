// Which groups of needles and patterns occur in a line, in one pass over it.
// Each needle is looked for through a single window of one or two bytes, the
// one rarest in a sample of the text at hand, so needles starting with common
// characters (一, 小, 书) do not stop the scan at every such character. A
// window hit is confirmed against the whole needle (or pattern chain) before
// its group counts, so a reported group really occurs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tidy/pattern_chain.h"

namespace folian::tidy {

class AnchorFilter {
 public:
  static constexpr unsigned kMaxGroup = 63;  // groups beyond share this bit

  // Where in the line a literal needle must sit to count.
  enum class Where { kAnywhere, kStart, kEnd, kWhole };

  struct Needle {
    std::string bytes;                   // literal bytes (unused with a chain)
    bool fold = false;                   // ASCII letters in either case
    const PatternChain* chain = nullptr; // stands for the chain's matches
    unsigned group = 0;
    // Other than kAnywhere: compared at that place of the line only (no
    // chain, no folding), at a cost per line rather than per byte.
    Where where = Where::kAnywhere;
  };

  AnchorFilter() = default;
  // A needle with neither bytes nor chain could occur anywhere: its group is
  // always reported. `sample` only steers the choice of windows; `needles`
  // (and their chains) must outlive the filter.
  AnchorFilter(const std::vector<Needle>& needles, std::string_view sample);

  // Bit g (g capped at kMaxGroup) is set when a needle of group g occurs.
  std::uint64_t Groups(std::string_view line) const;
  // The same, and appends to `*hits` the ids (indexes into `needles`) of
  // the needles that occur, ascending, once each; needles without bytes or
  // chain and placed needles are not listed.
  std::uint64_t Groups(std::string_view line, std::vector<std::uint32_t>* hits) const;
  // Only the hits, and only of needles in `group` (or groups sharing its
  // bit): the cheap way to search one group's needles again.
  void Hits(std::string_view line, unsigned group, std::vector<std::uint32_t>* hits) const;
  // True for a needle that can be in `hits` (one with a window to look for).
  bool Listed(std::uint32_t id) const { return id < listed_.size() && listed_[id]; }

 private:
  struct Entry {
    std::uint32_t needle;
    std::uint32_t group_bit;        // index of the bit
    std::uint32_t back_min, back_max;  // the needle starts this far before the window
    // A literal needle's first four bytes (masked past its end and at folded
    // letters' case bit), to turn most window hits away cheaply; 0/0 for chains.
    std::uint32_t head_mask = 0, head_value = 0;
    // A chain's window: its piece, and the window's offset in that piece.
    std::uint32_t piece = 0, within = 0;
    // A chain's neighbouring piece as a quick test: one of `near` (up to
    // two values; none: no test) must stand at some pos + [near_lo, near_hi].
    std::int32_t near_lo = 0, near_hi = -1;
    std::uint8_t near[2] = {};
    std::uint8_t near_count = 0;
  };
  struct Edge {
    std::string_view bytes;
    Where where;
    std::uint32_t group_bit;
  };
  static void SetNear(const std::vector<PatternChain::Piece>& pieces, Entry* e);
  static constexpr std::uint32_t kAllGroups = static_cast<std::uint32_t>(-1);
  template <bool kRecord>
  std::uint64_t Scan(std::string_view line, std::vector<std::uint32_t>* hits, std::uint32_t only) const;
  bool Confirm(const Entry& e, const unsigned char* s, std::size_t n, std::size_t pos) const;

  const std::vector<Needle>* needles_ = nullptr;
  std::uint64_t always_ = 0;
  bool single_[256] = {};  // a one-byte window is this byte
  // Nonzero at a window's two bytes read as one native 16-bit number, so
  // the scan looks each position up with one load.
  std::vector<std::uint8_t> pair_any_;
  std::vector<std::uint32_t> pair_start_, single_start_;
  std::vector<Entry> pair_entries_, single_entries_;
  std::vector<Edge> edges_;
  std::vector<bool> listed_;
};

}  // namespace folian::tidy
