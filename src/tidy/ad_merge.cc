#include "tidy/ad_merge.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace folian::tidy {
namespace {

// How far apart, in lines, the next line the two texts share may stand for
// the lines between to be lined up as one stretch.
constexpr std::size_t kSyncReach = 32;
// Edits beyond this in one stretch: the rows rewrote it, not cut pieces
// out of it, and it is kept as they left it.
constexpr int kMaxEdits = 2048;
// Characters compared in all, at most, to line up one stretch.
constexpr long long kStepBudget = 1ll << 26;

// A stretch of text cut into characters (GBK: a lead byte and its trail,
// or one byte).
struct Chars {
  Chars() = default;
  explicit Chars(std::string_view t) { Reset(t); }
  void Reset(std::string_view t) {
    text = t;
    at.clear();
    for (std::size_t i = 0; i < t.size();) {
      at.push_back(static_cast<std::uint32_t>(i));
      i += CharLen(t, i);
    }
    at.push_back(static_cast<std::uint32_t>(t.size()));
  }
  static std::size_t CharLen(std::string_view t, std::size_t i) {
    return static_cast<unsigned char>(t[i]) >= 0x81 && i + 1 < t.size() ? 2 : 1;
  }
  std::size_t size() const { return at.size() - 1; }
  std::string_view Char(std::size_t k) const { return text.substr(at[k], at[k + 1] - at[k]); }
  std::string_view Span(std::size_t a, std::size_t b) const { return text.substr(at[a], at[b] - at[a]); }
  bool Same(std::size_t k, const Chars& o, std::size_t j) const { return Char(k) == o.Char(j); }

  std::string_view text;
  std::vector<std::uint32_t> at;
};

// Where each line of a text ends (one past its LF; the last line may have
// none).
std::vector<std::size_t> LineEnds(std::string_view t) {
  std::vector<std::size_t> ends;
  for (std::size_t from = 0; from < t.size();) {
    const void* lf = std::memchr(t.data() + from, '\n', t.size() - from);
    if (lf == nullptr) break;
    from = static_cast<std::size_t>(static_cast<const char*>(lf) - t.data()) + 1;
    ends.push_back(from);
  }
  if (ends.empty() || ends.back() != t.size()) ends.push_back(t.size());
  return ends;
}

// The detector's text walked along the text it was made from. It only
// deletes, so the two line up from the front, a character at a time.
class Kept {
 public:
  explicit Kept(std::string_view detected) : d_(detected) {}

  // Marks which characters of `piece` (the text's next ones) the detector
  // removed.
  void Mark(const Chars& piece, std::vector<char>* gone) {
    if (d_.substr(j_, piece.text.size()) == piece.text) {
      j_ += piece.text.size();
      gone->assign(piece.size(), 0);
      return;
    }
    gone->assign(piece.size(), 1);
    for (std::size_t k = 0; k < piece.size(); ++k) {
      const std::string_view c = piece.Char(k);
      if (d_.substr(j_, c.size()) == c) {
        (*gone)[k] = 0;
        j_ += c.size();
      }
    }
  }
  // Appends the characters of `piece` (the text's next ones, which the rows
  // left as they were) that the detector kept.
  void Copy(std::string_view piece, std::string* out) {
    if (d_.substr(j_, piece.size()) == piece) {
      out->append(piece);
      j_ += piece.size();
      return;
    }
    for (std::size_t i = 0; i < piece.size();) {
      const std::size_t len = Chars::CharLen(piece, i);
      const std::string_view c = piece.substr(i, len);
      if (d_.substr(j_, len) == c) {
        out->append(c);
        j_ += len;
      }
      i += len;
    }
  }
  // Whether all of the detector's text was lined up: it was a deletion of
  // the text.
  bool Whole() const { return j_ == d_.size(); }

 private:
  std::string_view d_;
  std::size_t j_ = 0;
};

// The shortest edit script between a[a0, a1) and b[b0, b1) (Myers): the
// pairs of equal characters, in order. False when it needs more than
// kMaxEdits edits.
bool LineUp(const Chars& a, std::size_t a0, std::size_t a1, const Chars& b, std::size_t b0, std::size_t b1,
            std::vector<std::pair<std::size_t, std::size_t>>* pairs) {
  const int n = static_cast<int>(a1 - a0), m = static_cast<int>(b1 - b0);
  // Each edit step may follow the whole stretch: a long stretch gets fewer.
  const int most = static_cast<int>(
      std::min<long long>({n + m, kMaxEdits, kStepBudget / std::max<long long>(1, n + m)}));
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


// Text characters t became rows characters r: the rows' writing, without
// what the detector removed.
class Stretch {
 public:
  Stretch(const Chars& t, const Chars& r, const std::vector<char>& gone, std::string* out)
      : t_(t), r_(r), gone_(gone), out_(out) {}

  void Merge() {
    // The detector kept all of it: the rows' writing stands.
    if (std::none_of(gone_.begin(), gone_.end(), [](char g) { return g != 0; })) {
      out_->append(r_.text);
      return;
    }
    // The rows only deleted (the common case): their text lines up with
    // the text from the front.
    if (Deleted()) return;
    std::size_t ta = 0, ra = 0, tb = t_.size(), rb = r_.size();
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

  // Lines the rows' characters up with the text's, each with the first
  // one left that is equal; writes what both kept. False, writing nothing,
  // when the rows' text is no deletion of the text.
  bool Deleted() {
    std::vector<std::pair<std::size_t, std::size_t>>& pairs = pairs_;
    pairs.clear();
    std::size_t ti = 0;
    for (std::size_t ri = 0; ri < r_.size(); ++ri, ++ti) {
      while (ti < t_.size() && !t_.Same(ti, r_, ri)) ++ti;
      if (ti >= t_.size()) return false;
      pairs.push_back({ti, ri});
    }
    for (const auto& [tp, rp] : pairs) {
      if (!gone_[tp]) out_->append(r_.Char(rp));
    }
    return true;
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
  const std::vector<std::size_t> tl = LineEnds(text), rl = LineEnds(rows);
  auto start = [](const std::vector<std::size_t>& ends, std::size_t k) {
    return k == 0 ? std::size_t{0} : ends[std::min(k, ends.size()) - 1];
  };
  auto line = [&](std::string_view s, const std::vector<std::size_t>& ends, std::size_t k) {
    return s.substr(start(ends, k), ends[k] - start(ends, k));
  };
  // Lines to sync on hold more than their break and blanks (blank lines
  // are everywhere and would pair the wrong stretches).
  auto anchor = [](std::string_view l) {
    while (!l.empty() && (l.back() == '\n' || l.back() == '\r' || l.back() == ' ')) l.remove_suffix(1);
    return !l.empty();
  };

  std::string out;
  out.reserve(rows.size());
  Kept kept(detected);
  std::vector<char> gone;
  Chars t, r;
  const std::size_t nt = tl.size(), nr = rl.size();
  std::size_t ti = 0, ri = 0;
  while (ti < nt || ri < nr) {
    if (ti < nt && ri < nr && line(text, tl, ti) == line(rows, rl, ri)) {
      kept.Copy(line(text, tl, ti), &out);
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
        const std::string_view l = line(rows, rl, ri + k);
        if (!anchor(l) || l != line(text, tl, ti + dist - k)) continue;
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
    t.Reset(text.substr(start(tl, ti), start(tl, ti + b) - start(tl, ti)));
    r.Reset(rows.substr(start(rl, ri), start(rl, ri + a) - start(rl, ri)));
    kept.Mark(t, &gone);
    Stretch(t, r, gone, &out).Merge();
    ti += b;
    ri += a;
  }
  // Not a deletion of the text after all: the rows' text stands.
  if (!kept.Whole()) return std::string(rows);
  return out;
}

}  // namespace folian::tidy
