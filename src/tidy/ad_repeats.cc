#include "tidy/ad_repeats.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>

namespace folian::tidy::detector {
namespace {

// The first byte in memory as the lowest eight bits, whatever the machine.
std::uint64_t ToLittle(std::uint64_t x) {
  if constexpr (std::endian::native == std::endian::big) return __builtin_bswap64(x);
  return x;
}

std::uint64_t KeyOf(std::string_view window, bool left_side) {
  const std::uint64_t h = std::hash<std::string_view>{}(window);
  // The two sides of one word must not meet in one group.
  return left_side ? h * 0x9E3779B97F4A7C15ull + 1 : h;
}

// How many bytes a and b agree on, up to `limit`, eight at a time.
std::size_t CommonPrefix(const char* a, const char* b, std::size_t limit) {
  std::size_t k = 0;
  for (; k + 8 <= limit; k += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a + k, 8);
    std::memcpy(&y, b + k, 8);
    if (x != y) return k + static_cast<std::size_t>(std::countr_zero(ToLittle(x ^ y))) / 8;
  }
  while (k < limit && a[k] == b[k]) ++k;
  return k;
}

// How many bytes the text before a and before b agree on, up to `limit`.
std::size_t CommonSuffix(const char* a, const char* b, std::size_t limit) {
  std::size_t k = 0;
  for (; k + 8 <= limit; k += 8) {
    std::uint64_t x, y;
    std::memcpy(&x, a - k - 8, 8);
    std::memcpy(&y, b - k - 8, 8);
    if (x != y) return k + static_cast<std::size_t>(std::countl_zero(ToLittle(x ^ y))) / 8;
  }
  while (k < limit && a[-1 - static_cast<std::ptrdiff_t>(k)] == b[-1 - static_cast<std::ptrdiff_t>(k)]) ++k;
  return k;
}

}  // namespace

void RepeatFinder::Find(std::string_view text, const std::vector<Anchor>& anchors,
                        std::vector<Repeat>* out) {
  out->clear();
  keys_.clear();
  for (std::uint32_t i = 0; i < anchors.size(); ++i) {
    const Anchor& a = anchors[i];
    if (a.at + a.len + kWindowBytes <= a.line_end) {
      keys_.push_back({KeyOf(text.substr(a.at, a.len + kWindowBytes), false), i});
    }
    if (a.at >= a.line_begin + kWindowBytes) {
      keys_.push_back({KeyOf(text.substr(a.at - kWindowBytes, a.len + kWindowBytes), true), i});
    }
  }
  std::sort(keys_.begin(), keys_.end(), [](const Keyed& x, const Keyed& y) {
    return x.key != y.key ? x.key < y.key : x.anchor < y.anchor;
  });
  const auto* s = text.data();
  // How far copies m and p agree around their words: [left, right) of m.
  // Each side stops at either line's edge or one byte past kMaxBytes (a
  // longer agreement is story).
  auto agree = [&](const Anchor& m, const Anchor& p, std::size_t* left, std::size_t* right) {
    const std::size_t back = std::min<std::size_t>({m.at - m.line_begin, p.at - p.line_begin, kMaxBytes + 1});
    *left = m.at - CommonSuffix(s + m.at, s + p.at, back);
    const std::size_t ahead = std::min<std::size_t>({m.line_end - m.at, p.line_end - p.at, kMaxBytes + 1});
    *right = m.at + CommonPrefix(s + m.at, s + p.at, ahead);
  };
  for (std::size_t r0 = 0; r0 < keys_.size();) {
    std::size_t r1 = r0 + 1;
    while (r1 < keys_.size() && keys_[r1].key == keys_[r0].key) ++r1;
    const std::size_t n = r1 - r0;
    for (std::size_t k = r0; n >= 2 && k < r1; ++k) {
      const Anchor& m = anchors[keys_[k].anchor];
      std::size_t left = m.line_begin, right = m.line_end;
      bool story = false, compared = false;
      // Its neighbours in the group; the stretch all of them share is the
      // passage (two copies may agree on a character of story by chance).
      for (std::size_t p : {k - 1, k + 1}) {
        if (p < r0 || p >= r1) continue;
        const Anchor& other = anchors[keys_[p].anchor];
        if (other.at == m.at) continue;
        std::size_t l, r;
        agree(m, other, &l, &r);
        // Copies that overlap (a run of one word repeated) share nothing pasted.
        if (other.at < r && l < other.at + other.len && other.line_begin == m.line_begin) {
          story = true;
          break;
        }
        if (r - l > kMaxBytes) story = true;
        compared = true;
        left = std::max(left, l);
        right = std::min(right, r);
      }
      // (Two words at one place, a hit and a run of letters, are one copy.)
      if (story || !compared || right <= left) continue;
      // The copies may agree on the last byte of differing characters before
      // the passage and the first byte of those after it. The anchor starts
      // a character: read from the left edge, the characters must meet it,
      // else the edge is such a last byte; read on from the anchor, a
      // character the right edge cuts through is left out.
      auto step = [&](std::size_t k) {
        return static_cast<unsigned char>(s[k]) >= 0x81 && k + 1 < m.line_end ? 2 : 1;
      };
      std::size_t k2 = left;
      while (k2 < m.at) k2 += step(k2);
      if (k2 != m.at) ++left;
      k2 = m.at;
      while (k2 < right && k2 + step(k2) <= right) k2 += step(k2);
      right = k2;
      if (right > left) out->push_back({left, right, m.line_begin, static_cast<std::uint32_t>(n)});
    }
    r0 = r1;
  }
  std::sort(out->begin(), out->end(), [](const Repeat& x, const Repeat& y) {
    return x.begin != y.begin ? x.begin < y.begin : x.end > y.end;
  });
  out->erase(std::unique(out->begin(), out->end(),
                         [](const Repeat& x, const Repeat& y) { return x.begin == y.begin && x.end == y.end; }),
             out->end());
}

}  // namespace folian::tidy::detector
