#include "tidy/ad_repeats.h"

#include <algorithm>
#include <functional>

namespace folian::tidy::detector {
namespace {

std::uint64_t KeyOf(std::string_view window, bool left_side) {
  const std::uint64_t h = std::hash<std::string_view>{}(window);
  // The two sides of one word must not meet in one group.
  return left_side ? h * 0x9E3779B97F4A7C15ull + 1 : h;
}

bool Leads(char c) { return static_cast<unsigned char>(c) >= 0x81; }

}  // namespace

std::size_t CharStartAtOrAfter(std::string_view line, std::size_t at) {
  std::size_t k = 0;
  while (k < at && k < line.size()) k += Leads(line[k]) && k + 1 < line.size() ? 2 : 1;
  return std::min(k, line.size());
}

std::size_t CharStartAtOrBefore(std::string_view line, std::size_t at) {
  std::size_t k = 0;
  while (k < line.size()) {
    const std::size_t next = k + (Leads(line[k]) && k + 1 < line.size() ? 2 : 1);
    if (next > at) break;
    k = next;
  }
  return std::min(k, line.size());
}

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
  auto agree = [&](const Anchor& m, const Anchor& p, std::size_t* left, std::size_t* right) {
    std::size_t i = m.at, j = p.at;
    while (i > m.line_begin && j > p.line_begin && s[i - 1] == s[j - 1] && m.at - i <= kMaxBytes) --i, --j;
    *left = i;
    i = m.at;
    j = p.at;
    while (i < m.line_end && j < p.line_end && s[i] == s[j] && i - m.at <= kMaxBytes) ++i, ++j;
    *right = i;
  };
  for (std::size_t r0 = 0; r0 < keys_.size();) {
    std::size_t r1 = r0 + 1;
    while (r1 < keys_.size() && keys_[r1].key == keys_[r0].key) ++r1;
    const std::size_t n = r1 - r0;
    for (std::size_t k = r0; n >= 2 && k < r1; ++k) {
      const Anchor& m = anchors[keys_[k].anchor];
      std::size_t left = 0, right = text.size();
      bool story = false;
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
        left = std::max(left, l);
        right = std::min(right, r);
      }
      if (story || right <= left) continue;
      const std::string_view line = text.substr(m.line_begin, m.line_end - m.line_begin);
      const std::size_t b = m.line_begin + CharStartAtOrAfter(line, left - m.line_begin);
      const std::size_t e = m.line_begin + CharStartAtOrBefore(line, right - m.line_begin);
      if (e > b) out->push_back({b, e, m.line_begin, static_cast<std::uint32_t>(n)});
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
