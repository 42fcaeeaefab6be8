// The advertising words of the detector (data/ads/words.tsv): generic words
// download sites and reader apps put into novels, each with a weight, found
// in a line's folded characters greedily, longest word first.
//
// Tested by tests/tidy/ad_detector_test.cc.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tidy/ad_glyphs.h"

namespace folian::tidy::detector {

struct Hit {
  std::uint32_t begin = 0, end = 0;  // unit indices
  std::uint8_t weight = 0;
};

class Vocabulary {
 public:
  struct Word {
    std::vector<std::uint16_t> units;  // folded
    std::uint8_t weight = 0;
    std::string gbk;
  };

  // Parses "word<TAB>weight" lines (UTF-8; '#' comments, empty lines);
  // false with "line N: ..." in *error for a malformed line, a word GBK
  // cannot hold, a weight outside 1..4 or a word listed twice.
  static bool Parse(std::string_view tsv, Vocabulary* out, std::string* error);
  // The built-in list, parsed once.
  static const Vocabulary& Builtin();

  // Hits in units [from, to): at each position the longest word that
  // starts there; after a hit the search goes on behind it.
  void FindHits(std::span<const Unit> units, std::size_t from, std::size_t to,
                std::vector<Hit>* out) const;

  // FindHits over a whole line, trying only the `candidates` SplitUnits
  // found with starts(): the same hits.
  void FindHitsAt(std::span<const Unit> units, std::span<const std::uint32_t> candidates,
                  std::vector<Hit>* out) const;
  // The longest word at position `at` of a sequence of `size` folded units
  // that `fold_at(k)` gives: its length (0 when none) and *weight.
  template <typename FoldAt>
  std::size_t MatchAt(FoldAt fold_at, std::size_t at, std::size_t size, std::uint8_t* weight) const {
    const std::uint32_t slot = first_[fold_at(at)];
    for (std::uint32_t k = slot >> 16, e = (slot >> 16) + (slot & 0xFFFF); k < e; ++k) {
      const Word& w = words_[k];
      const std::size_t n = w.units.size();
      if (n > size - at) continue;
      std::size_t m = 1;
      while (m < n && fold_at(at + m) == w.units[m]) ++m;
      if (m == n) {
        *weight = w.weight;
        return n;
      }
    }
    return 0;
  }

  // A bit per folded code: some word starts with it.
  const std::uint64_t* starts() const { return starts_.data(); }
  // Per GBK character, indexed by its two bytes read as one native 16-bit
  // number: 2 for a Han character, 1 for story punctuation that neither
  // opens a bracket nor is a colon, when no word starts with it; 3 for a
  // Han character that starts words, none of them of one unit (it is as
  // good as 2 where the next unit can continue none: MayContinue); 0 for
  // anything else. Lines are mostly such characters, and one load tells
  // them apart.
  const std::uint8_t* quiet() const { return quiet_.data(); }
  // False when no word starts with the folded units `first`, `second`
  // (true may be wrong: a bit per hash of the pair).
  bool MayContinue(std::uint16_t first, std::uint16_t second) const {
    const unsigned h = PairHash(first, second);
    return (pairs_[h >> 6] >> (h & 63) & 1) != 0;
  }

  // Whether a word of the list occurs in `folded` (units as they fold).
  bool AnyIn(std::span<const std::uint16_t> folded) const;

  const std::vector<Word>& words() const { return words_; }
  // The word a hit stands for.
  const Word& WordOf(std::span<const Unit> units, const Hit& hit) const;

 private:
  std::vector<Word> words_;            // sorted by first unit, then longest first
  std::vector<std::uint32_t> first_;   // 65536 entries: start << 16 | count
  std::vector<std::uint64_t> starts_;  // bit per unit: some word starts with it
  std::vector<std::uint8_t> quiet_;    // 65536 entries, see quiet()
  std::vector<std::uint64_t> pairs_;   // 65536 bits, see MayContinue()
  static unsigned PairHash(std::uint16_t first, std::uint16_t second) {
    return (first * 0x9E37u ^ second) & 0xFFFFu;
  }
};

}  // namespace folian::tidy::detector
