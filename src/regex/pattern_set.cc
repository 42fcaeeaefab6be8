#include "regex/pattern_set.h"

#include <array>
#include <cstdint>

#include "regex/program.h"
#include "regex/substitute.h"

namespace folian::regex {

namespace {

// Which byte pairs and bytes occur in a text, ASCII letters folded. It only
// ever grows: a replacement can create pairs but the old ones are kept, so
// it always covers the current text.
class Digest {
 public:
  Digest() {
    for (unsigned c = 0; c < 256; ++c) fold_[c] = static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
  }

  // Notes the pairs and bytes of s[from, to).
  void Add(std::string_view s, std::size_t from, std::size_t to) {
    if (to > s.size()) to = s.size();
    if (from >= to) return;
    const auto* d = reinterpret_cast<const unsigned char*>(s.data());
    unsigned prev = fold_[d[from]];
    bytes_.Add(static_cast<unsigned char>(prev));
    for (std::size_t i = from + 1; i < to; ++i) {
      const unsigned cur = fold_[d[i]];
      const unsigned key = prev << 8 | cur;
      pairs_[key >> 6] |= std::uint64_t{1} << (key & 63);
      prev = cur;
    }
    // Every other byte is the second half of a pair.
    if (to - from > 4096) {
      for (unsigned w = 0; w < 1024; ++w)
        for (std::uint64_t bits = pairs_[w]; bits != 0; bits &= bits - 1)
          bytes_.Add(static_cast<unsigned char>((w * 64 + static_cast<unsigned>(__builtin_ctzll(bits))) & 0xFF));
    } else {
      for (std::size_t i = from + 1; i < to; ++i) bytes_.Add(fold_[d[i]]);
    }
  }

  bool MayMatch(const Program& p) const {
    for (std::uint16_t key : p.need_pairs)
      if (!((pairs_[key >> 6] >> (key & 63)) & 1)) return false;
    for (const ByteSet& s : p.need_bytes) {
      bool any = false;
      for (int i = 0; i < 4 && !any; ++i) any = (s.bits[static_cast<std::size_t>(i)] & bytes_.bits[static_cast<std::size_t>(i)]) != 0;
      if (!any) return false;
    }
    return true;
  }

 private:
  std::array<unsigned char, 256> fold_{};
  std::array<std::uint64_t, 1024> pairs_{};
  ByteSet bytes_;
};

}  // namespace

std::vector<std::size_t> PatternSet::SubstituteEach(std::string& text, const CancelFlag* cancel) const {
  std::vector<std::size_t> counts(patterns_.size(), 0);
  Digest digest;
  digest.Add(text, 0, text.size());
  std::vector<std::pair<std::size_t, std::size_t>> inserted;
  for (std::size_t k = 0; k < patterns_.size(); ++k) {
    if (Cancelled(cancel)) break;
    const Program* prog = patterns_[k].program_.get();
    if (!prog || !digest.MayMatch(*prog)) continue;
    counts[k] = SubstituteRange(*prog, text, 0, text.size(), cancel, &inserted);
    // New neighbours meet at every replacement's edges.
    for (const auto& [b, e] : inserted) digest.Add(text, b > 0 ? b - 1 : 0, e + 1);
  }
  return counts;
}

}  // namespace folian::regex
