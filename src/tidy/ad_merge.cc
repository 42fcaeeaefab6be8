#include "tidy/ad_merge.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace folian::tidy {
namespace {

// How far apart, in lines, the next line the two texts share may stand for
// the lines between to be lined up as one stretch.
constexpr std::size_t kSyncReach = 32;
// Edits beyond this in one stretch: the rows rewrote it, not cut pieces
// out of it, and it is kept as they left it.
constexpr int kMaxEdits = 2048;

// A text cut into characters (GBK: a lead byte and its trail, or one byte).
struct Chars {
  explicit Chars(std::string_view t) : text(t) {
    at.reserve(t.size() + 1);
    for (std::size_t i = 0; i < t.size();) {
      at.push_back(static_cast<std::uint32_t>(i));
      i += static_cast<unsigned char>(t[i]) >= 0x81 && i + 1 < t.size() ? 2 : 1;
    }
    at.push_back(static_cast<std::uint32_t>(t.size()));
    for (std::size_t k = 0; k + 1 < at.size(); ++k) {
      if (t[at[k]] == '\n') line_end.push_back(k + 1);
    }
    if (line_end.empty() || line_end.back() != size()) line_end.push_back(size());
  }
  std::size_t size() const { return at.size() - 1; }
  std::string_view Char(std::size_t k) const { return text.substr(at[k], at[k + 1] - at[k]); }
  std::string_view Span(std::size_t a, std::size_t b) const { return text.substr(at[a], at[b] - at[a]); }
  bool Same(std::size_t k, const Chars& o, std::size_t j) const { return Char(k) == o.Char(j); }

  std::string_view text;
  std::vector<std::uint32_t> at;
  std::vector<std::size_t> line_end;  // one past each line's last character (its LF)
};

// Which characters of `text` the detector removed: `detected` is `text`
// with some characters deleted, lined up from the front.
bool Removed(const Chars& text, const Chars& detected, std::vector<char>* gone) {
  gone->assign(text.size(), 1);
  std::size_t j = 0;
  for (std::size_t i = 0; i < text.size() && j < detected.size(); ++i) {
    if (text.Same(i, detected, j)) {
      (*gone)[i] = 0;
      ++j;
    }
  }
  return j == detected.size();
}

// The shortest edit script between a[a0, a1) and b[b0, b1) (Myers): the
// pairs of equal characters, in order. False when it needs more than
// kMaxEdits edits.
bool LineUp(const Chars& a, std::size_t a0, std::size_t a1, const Chars& b, std::size_t b0, std::size_t b1,
            std::vector<std::pair<std::size_t, std::size_t>>* pairs) {
  const int n = static_cast<int>(a1 - a0), m = static_cast<int>(b1 - b0);
  const int most = std::min(n + m, kMaxEdits);
  const int off = most + 1;
  std::vector<int> v(2 * static_cast<std::size_t>(most) + 3, 0);
  std::vector<std::vector<int>> trace;
  int found = -1;
  for (int d = 0; d <= most && found < 0; ++d) {
    trace.emplace_back(v.begin() + (off - d), v.begin() + (off + d + 1));
    for (int k = -d; k <= d; k += 2) {
      int x = (k == -d || (k != d && v[off + k - 1] < v[off + k + 1])) ? v[off + k + 1] : v[off + k - 1] + 1;
      int y = x - k;
      while (x < n && y < m && a.Same(a0 + x, b, b0 + y)) ++x, ++y;
      v[off + k] = x;
      if (x >= n && y >= m) {
        found = d;
        break;
      }
    }
  }
  if (found < 0) return false;
  // Walk back through the furthest points of each step.
  pairs->clear();
  int x = n, y = m;
  for (int d = found; d > 0; --d) {
    const std::vector<int>& prev = trace[static_cast<std::size_t>(d)];  // v before step d, window [-d, d]
    auto at = [&](int k) { return prev[static_cast<std::size_t>(k + d)]; };
    const int k = x - y;
    const bool down = k == -d || (k != d && at(k - 1) < at(k + 1));
    const int pk = down ? k + 1 : k - 1;
    const int px = at(pk), py = px - pk;
    while (x > px + (down ? 0 : 1) && y > py + (down ? 1 : 0)) {
      --x, --y;
      pairs->push_back({a0 + x, b0 + y});
    }
    x = px;
    y = py;
  }
  while (x > 0 && y > 0) {
    --x, --y;
    pairs->push_back({a0 + x, b0 + y});
  }
  std::reverse(pairs->begin(), pairs->end());
  return true;
}

class Merger {
 public:
  Merger(const Chars& text, const Chars& rows, const std::vector<char>& gone, std::string* out)
      : t_(text), r_(rows), gone_(gone), out_(out) {}

  // Characters t[a, b) that the rows kept unchanged.
  void KeepText(std::size_t a, std::size_t b) {
    for (std::size_t k = a; k < b; ++k) {
      if (!gone_[k]) out_->append(t_.Char(k));
    }
  }

  // Text characters [ta, tb) became rows characters [ra, rb).
  void Stretch(std::size_t ta, std::size_t tb, std::size_t ra, std::size_t rb) {
    while (ta < tb && ra < rb && t_.Same(ta, r_, ra)) {
      if (!gone_[ta]) out_->append(r_.Char(ra));
      ++ta, ++ra;
    }
    std::size_t te = tb, re = rb;
    while (te > ta && re > ra && t_.Same(te - 1, r_, re - 1)) --te, --re;
    if (!LineUp(t_, ta, te, r_, ra, re, &pairs_)) {
      out_->append(r_.Span(ra, re));
    } else {
      std::size_t ti = ta, ri = ra;
      for (const auto& [tp, rp] : pairs_) {
        Rewritten(ti, tp, ri, rp);
        if (!gone_[tp]) out_->append(r_.Char(rp));
        ti = tp + 1;
        ri = rp + 1;
      }
      Rewritten(ti, te, ri, re);
    }
    for (; te < tb; ++te, ++re) {
      if (!gone_[te]) out_->append(r_.Char(re));
    }
  }

 private:
  // The rows put r[ra, rb) where t[ta, tb) stood (either may be empty):
  // kept unless the detector removed all it replaced, or, put between two
  // characters, both of them.
  void Rewritten(std::size_t ta, std::size_t tb, std::size_t ra, std::size_t rb) {
    if (ra == rb) return;
    bool removed;
    if (ta < tb) {
      removed = std::all_of(gone_.begin() + static_cast<std::ptrdiff_t>(ta),
                            gone_.begin() + static_cast<std::ptrdiff_t>(tb), [](char g) { return g != 0; });
    } else {
      removed = ta > 0 && ta < t_.size() && gone_[ta - 1] && gone_[ta];
    }
    if (!removed) out_->append(r_.Span(ra, rb));
  }

  const Chars& t_;
  const Chars& r_;
  const std::vector<char>& gone_;
  std::string* out_;
  std::vector<std::pair<std::size_t, std::size_t>> pairs_;
};

}  // namespace

std::string MergeRemovals(std::string_view text, std::string_view rows, std::string_view detected) {
  if (detected == text) return std::string(rows);
  if (rows == text) return std::string(detected);
  const Chars t(text), r(rows), d(detected);
  std::vector<char> gone;
  // Not a deletion of the text: nothing to line up, the rows' text stands.
  if (!Removed(t, d, &gone)) return std::string(rows);

  std::string out;
  out.reserve(rows.size());
  Merger merge(t, r, gone, &out);
  // Where line k begins; past the last line, the end.
  auto start = [](const Chars& c, std::size_t k) {
    return k == 0 ? std::size_t{0} : c.line_end[std::min(k, c.line_end.size()) - 1];
  };
  auto line = [&](const Chars& c, std::size_t k) { return std::make_pair(start(c, k), c.line_end[k]); };
  auto text_of = [&](const Chars& c, std::size_t k) {
    const auto [a, b] = line(c, k);
    return c.Span(a, b);
  };
  auto anchor = [](std::string_view l) {
    while (!l.empty() && (l.back() == '\n' || l.back() == '\r' || l.back() == ' ')) l.remove_suffix(1);
    return !l.empty();
  };
  const std::size_t nt = t.line_end.size(), nr = r.line_end.size();
  std::size_t ti = 0, ri = 0;
  while (ti < nt || ri < nr) {
    if (ti < nt && ri < nr && text_of(t, ti) == text_of(r, ri)) {
      const auto [a, b] = line(t, ti);
      merge.KeepText(a, b);
      ++ti, ++ri;
      continue;
    }
    // The nearest line both still share closes the changed stretch: rows
    // lines ri..ri+a-1 came from text lines ti..ti+b-1.
    std::size_t a = 0, b = 0;
    bool synced = false;
    for (std::size_t dist = 1; dist <= 2 * kSyncReach && !synced; ++dist) {
      for (std::size_t k = dist > kSyncReach ? dist - kSyncReach : 0; k <= dist && k <= kSyncReach; ++k) {
        if (ri + k >= nr || ti + dist - k >= nt) continue;
        const std::string_view l = text_of(r, ri + k);
        if (!anchor(l) || l != text_of(t, ti + dist - k)) continue;
        a = k;
        b = dist - k;
        synced = true;
        break;
      }
    }
    if (!synced) {
      if ((nr - ri <= kSyncReach && nt - ti <= kSyncReach) || ti >= nt || ri >= nr) {
        a = nr - ri;
        b = nt - ti;
      } else {
        a = std::min(kSyncReach, nr - ri);
        b = std::min(kSyncReach, nt - ti);
      }
    }
    merge.Stretch(start(t, ti), start(t, ti + b), start(r, ri), start(r, ri + a));
    ti += b;
    ri += a;
  }
  return out;
}

}  // namespace folian::tidy
