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
// Bytes of a changed stretch lined up a character at a time, at most (its
// tables take some twenty bytes a character).
constexpr std::size_t kMaxStretchBytes = std::size_t{4} << 20;

// A stretch of text cut into characters (GBK: a lead byte and its trail,
// or one byte).
struct Chars {
  Chars() = default;
  explicit Chars(std::string_view t) { Reset(t); }
  void Reset(std::string_view t) {
    text = t;
    // Room for a character a byte, written through a pointer, then cut.
    at.resize(t.size() + 1);
    std::uint32_t* w = at.data();
    for (std::size_t i = 0; i < t.size();) {
      *w++ = static_cast<std::uint32_t>(i);
      i += CharLen(t, i);
    }
    *w++ = static_cast<std::uint32_t>(t.size());
    at.resize(static_cast<std::size_t>(w - at.data()));
  }
  static std::size_t CharLen(std::string_view t, std::size_t i) {
    return static_cast<unsigned char>(t[i]) >= 0x81 && i + 1 < t.size() ? 2 : 1;
  }
  std::size_t size() const { return at.size() - 1; }
  std::string_view Char(std::size_t k) const { return text.substr(at[k], at[k + 1] - at[k]); }
  std::string_view Span(std::size_t a, std::size_t b) const { return text.substr(at[a], at[b] - at[a]); }
  // Char(k) == o.Char(j), for characters of one or two bytes.
  bool Same(std::size_t k, const Chars& o, std::size_t j) const {
    const std::uint32_t a = at[k], len = at[k + 1] - a, b = o.at[j];
    if (len != o.at[j + 1] - b || text[a] != o.text[b]) return false;
    return len == 1 || text[a + 1] == o.text[b + 1];
  }

  std::string_view text;
  std::vector<std::uint32_t> at;
};

// Pairs each character of `r` with one of `t` when `r` is `t` with pieces
// deleted; false when it is not. A character the kept text goes on with may
// stand inside a deleted piece too (现 of 现金 before 现在): where a deletion
// begins, it ends where the longest run of matches follows, not at the first
// match, so that one piece is one deletion rather than two cutting the
// story's character out.
bool EmbedDeletions(const Chars& t, const Chars& r, std::vector<std::pair<std::size_t, std::size_t>>* pairs) {
  // Characters looked ahead for a deletion's end, and compared in all, at most.
  constexpr std::size_t kReach = 4096, kRun = 16;
  constexpr long long kBudget = 1ll << 22;
  const std::size_t n = t.size(), m = r.size();
  pairs->clear();
  if (m > n) return false;
  // latest[i]: the last place in t where r[i..] can still begin.
  std::vector<std::size_t> latest(m + 1);
  latest[m] = n;
  for (std::size_t i = m; i-- > 0;) {
    std::size_t k = latest[i + 1];
    while (k > 0 && !t.Same(k - 1, r, i)) --k;
    if (k == 0) return false;
    latest[i] = k - 1;
  }
  long long budget = kBudget;
  std::size_t ti = 0;
  for (std::size_t ri = 0; ri < m; ++ri, ++ti) {
    if (!t.Same(ti, r, ri)) {
      std::size_t best = latest[ri], best_run = 0;
      const std::size_t last = std::min(latest[ri], ti + kReach);
      for (std::size_t k = ti + 1; k <= last && budget > 0; ++k) {
        if (!t.Same(k, r, ri)) continue;
        std::size_t run = 1;
        while (run < kRun && k + run < n && ri + run < m && t.Same(k + run, r, ri + run)) ++run;
        budget -= static_cast<long long>(run);
        if (run > best_run || (run == best_run && k < best)) {
          best = k;
          best_run = run;
        }
        if (run == kRun) break;
      }
      ti = best;
    }
    pairs->push_back({ti, ri});
  }
  return true;
}

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

// Writes the merge over the rows' own text. Everything written is the
// rows' text (or the text's, where the two agree) at or after where it is
// written, since the result keeps some of the rows' characters in their
// order: nothing not yet read is overwritten.
// Pieces that follow each other where they are read from (the characters
// of a stretch the rows kept, one by one) are moved as one: the move waits
// until the next piece does not go on from it, and nothing is written in
// between.
class InPlace {
 public:
  explicit InPlace(std::string* rows) : buf_(rows) {}
  void Append(std::string_view piece) {
    if (piece.empty()) return;
    if (piece.data() == run_.data() + run_.size()) {
      run_ = std::string_view(run_.data(), run_.size() + piece.size());
      return;
    }
    Flush();
    run_ = piece;
  }
  void Finish() {
    Flush();
    buf_->resize(write_);
  }

 private:
  void Flush() {
    if (run_.empty()) return;
    char* to = buf_->data() + write_;
    if (to != run_.data()) std::memmove(to, run_.data(), run_.size());
    write_ += run_.size();
    run_ = {};
  }

  std::string* buf_;
  std::size_t write_ = 0;
  std::string_view run_;
};

// The removed ranges read along the text, a piece at a time (pieces come
// in order: each starts where the last one ended or later).
class Removed {
 public:
  explicit Removed(const Ranges& ranges) : ranges_(ranges) {}

  // Marks which characters of `piece`, at byte `base` of the text, went.
  void Mark(const Chars& piece, std::size_t base, std::vector<char>* gone) {
    gone->assign(piece.size(), 0);
    Skip(base);
    std::size_t k = next_;
    for (std::size_t c = 0; c < piece.size() && k < ranges_.size(); ++c) {
      const std::size_t at = base + piece.at[c];
      while (k < ranges_.size() && ranges_[k].second <= at) ++k;
      if (k < ranges_.size() && ranges_[k].first <= at) (*gone)[c] = 1;
    }
  }
  // Whether a range reaches into text bytes [a, b) (pieces in order, as above).
  bool Touches(std::size_t a, std::size_t b) {
    Skip(a);
    return next_ < ranges_.size() && ranges_[next_].first < b;
  }
  // Appends what is left of `piece`, at byte `base` of the text.
  void Copy(std::string_view piece, std::size_t base, InPlace* out) {
    Skip(base);
    std::size_t from = base;
    const std::size_t end = base + piece.size();
    for (std::size_t k = next_; k < ranges_.size() && ranges_[k].first < end; ++k) {
      const std::size_t a = std::max(ranges_[k].first, from);
      if (a > from) out->Append(piece.substr(from - base, a - from));
      from = std::max(from, std::min(ranges_[k].second, end));
    }
    if (end > from) out->Append(piece.substr(from - base, end - from));
  }

 private:
  void Skip(std::size_t base) {
    while (next_ < ranges_.size() && ranges_[next_].second <= base) ++next_;
  }
  const Ranges& ranges_;
  std::size_t next_ = 0;
};

// Whether `part` is `whole` with bytes left out (a subsequence).
bool Within(std::string_view part, std::string_view whole) {
  if (part.size() > whole.size()) return false;
  std::size_t j = 0;
  for (std::size_t i = 0; i < whole.size() && j < part.size(); ++i) j += whole[i] == part[j];
  return j == part.size();
}

// Walks two texts line by line: `same(a, b)` for a line of `text` (bytes
// [a, b)) that `other` has unchanged, `changed(a, b, c, d)` for a stretch of
// `text` that became other[c, d). The nearest line both still share closes
// a changed stretch.
// With `deletions_only` (`other` is `text` with pieces deleted), the lines
// are paired greedily instead, each of the other's lines with the first of
// the text's it can be what is left of: a paragraph the file repeats would
// otherwise sync with the copy beside the one the detector cut down.
template <typename Same, typename Changed>
void Walk(std::string_view text, std::string_view other, Same same, Changed changed, bool deletions_only = false) {
  const std::vector<std::size_t> tl = LineEnds(text), ol = LineEnds(other);
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
  const std::size_t nt = tl.size(), no = ol.size();
  std::size_t ti = 0, oi = 0;
  while (ti < nt || oi < no) {
    if (ti < nt && oi < no && line(text, tl, ti) == line(other, ol, oi)) {
      same(start(tl, ti), tl[ti]);
      ++ti, ++oi;
      continue;
    }
    if (deletions_only && ti < nt) {
      // Greedily, line by line: the other's line is what is left of this
      // line, or of it and the next (their break taken), or this line went.
      const std::string_view o = oi < no ? line(other, ol, oi) : std::string_view();
      std::size_t take = 0;
      if (oi < no && Within(o, line(text, tl, ti))) {
        take = 1;
      } else if (oi < no && ti + 1 < nt && Within(o, text.substr(start(tl, ti), tl[ti + 1] - start(tl, ti)))) {
        take = 2;
      }
      if (take == 0) {
        changed(start(tl, ti), tl[ti], start(ol, oi), start(ol, oi));
        ++ti;
      } else {
        changed(start(tl, ti), tl[ti + take - 1], start(ol, oi), ol[oi]);
        ti += take;
        ++oi;
      }
      continue;
    }
    // Other's lines oi..oi+a-1 came from the text's lines ti..ti+b-1.
    std::size_t a = 0, b = 0;
    bool synced = false;
    for (std::size_t dist = 1; dist <= 2 * kSyncReach && !synced; ++dist) {
      for (std::size_t k = dist > kSyncReach ? dist - kSyncReach : 0; k <= dist && k <= kSyncReach; ++k) {
        if (oi + k >= no || ti + dist - k >= nt) continue;
        const std::string_view l = line(other, ol, oi + k);
        if (!anchor(l) || l != line(text, tl, ti + dist - k)) continue;
        a = k;
        b = dist - k;
        synced = true;
        break;
      }
    }
    if (!synced) {
      if ((no - oi <= kSyncReach && nt - ti <= kSyncReach) || ti >= nt || oi >= no) {
        a = no - oi;
        b = nt - ti;
      } else {
        a = std::min(kSyncReach, no - oi);
        b = std::min(kSyncReach, nt - ti);
      }
    }
    changed(start(tl, ti), start(tl, ti + b), start(ol, oi), start(ol, oi + a));
    ti += b;
    oi += a;
  }
}

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
  Stretch(const Chars& t, const Chars& r, std::vector<char>& gone, InPlace* out)
      : t_(t), r_(r), gone_(gone), out_(out) {}

  void Merge() {
    // The detector kept all of it: the rows' writing stands.
    if (std::none_of(gone_.begin(), gone_.end(), [](char g) { return g != 0; })) {
      out_->Append(r_.text);
      return;
    }
    if (!Align()) {
      out_->Append(r_.text);
      return;
    }
    std::size_t ti = 0, ri = 0;
    for (const auto& [tp, rp] : pairs_) {
      Rewritten(ti, tp, ri, rp);
      if (!gone_[tp]) out_->Append(r_.Char(rp));
      ti = tp + 1;
      ri = rp + 1;
    }
    Rewritten(ti, t_.size(), ri, r_.size());
  }

 private:
  // Pairs each character the rows kept with its place in the text. Rows
  // that only deleted (the common case) line up from the front; others
  // by the shortest edit script. False when they cannot be lined up.
  bool Align() {
    if (EmbedDeletions(t_, r_, &pairs_)) return true;
    pairs_.clear();
    std::size_t ta = 0, ra = 0, tb = t_.size(), rb = r_.size();
    while (ta < tb && ra < rb && t_.Same(ta, r_, ra)) pairs_.push_back({ta++, ra++});
    std::size_t te = tb, re = rb;
    while (te > ta && re > ra && t_.Same(te - 1, r_, re - 1)) --te, --re;
    if (!LineUp(t_, ta, te, r_, ra, re, &middle_)) return false;
    pairs_.insert(pairs_.end(), middle_.begin(), middle_.end());
    for (; te < tb; ++te, ++re) pairs_.push_back({te, re});
    return true;
  }

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
    if (!removed) out_->Append(r_.Span(ra, rb));
  }

  const Chars& t_;
  const Chars& r_;
  std::vector<char>& gone_;
  InPlace* out_;
  std::vector<std::pair<std::size_t, std::size_t>> pairs_, middle_;
};

}  // namespace

// Line by line, and inside a changed stretch a character at a time: the
// detector only deletes. What is no deletion is read from the front, and
// reported.
namespace {

bool ReadRemoved(std::string_view text, std::string_view detected, Ranges* out, bool deletions_only) {
  out->clear();
  bool ok = true;
  Chars tc, dc;
  std::vector<std::pair<std::size_t, std::size_t>> pairs;
  auto add = [&](std::size_t a, std::size_t b) {
    if (!out->empty() && out->back().second == a) {
      out->back().second = b;
    } else {
      out->push_back({a, b});
    }
  };
  Walk(
      text, detected, [](std::size_t, std::size_t) {},
      [&](std::size_t t0, std::size_t t1, std::size_t d0, std::size_t d1) {
        const std::string_view t = text.substr(t0, t1 - t0), d = detected.substr(d0, d1 - d0);
        // One piece taken (a line, or a piece of one: the common case): the
        // text is the detector's with one stretch put in, found from both ends.
        if (d.size() < t.size()) {
          std::size_t pre = 0;
          while (pre < d.size() && t[pre] == d[pre]) ++pre;
          std::size_t suf = 0;
          while (suf < d.size() - pre && t[t.size() - 1 - suf] == d[d.size() - 1 - suf]) ++suf;
          if (pre + suf == d.size()) {
            // The cut starts on a character of the text, at or before where
            // the bytes part.
            std::size_t cut = 0;
            while (cut < pre && cut + Chars::CharLen(t, cut) <= pre) cut += Chars::CharLen(t, cut);
            const std::size_t cut_end = cut + (t.size() - d.size());
            std::size_t at = cut;
            while (at < cut_end) at += Chars::CharLen(t, at);
            if (at == cut_end && t.substr(cut_end) == d.substr(cut)) {
              add(t0 + cut, t0 + cut_end);
              return;
            }
          }
        }
        tc.Reset(t);
        dc.Reset(d);
        if (EmbedDeletions(tc, dc, &pairs)) {
          std::size_t from = 0;
          for (const auto& [tk, dk] : pairs) {
            if (tk > from) add(t0 + tc.at[from], t0 + tc.at[tk]);
            from = tk + 1;
          }
          if (tc.size() > from) add(t0 + tc.at[from], t0 + tc.at[tc.size()]);
          return;
        }
        std::size_t j = 0;
        for (std::size_t i = 0; i < t.size();) {
          const std::size_t len = Chars::CharLen(t, i);
          // d.substr(j, len) == t.substr(i, len), for one or two bytes.
          if (j + len <= d.size() && d[j] == t[i] && (len == 1 || d[j + 1] == t[i + 1])) {
            j += len;
          } else {
            add(t0 + i, t0 + i + len);
          }
          i += len;
        }
        ok &= j == d.size();
      },
      deletions_only);
  return ok;
}

}  // namespace

bool DetectorRemoved(std::string_view text, std::string_view detected, Ranges* out) {
  // The lines first lined up as any two texts are; where that fails (a
  // paragraph the file repeats beside one the detector cut down), once more
  // with each cut line taken for the text's line at its place.
  return ReadRemoved(text, detected, out, false) || ReadRemoved(text, detected, out, true);
}


void MergeRemovals(std::string_view text, std::string* rows_text, const Ranges& ranges) {
  if (ranges.empty()) return;
  const std::string_view rows(*rows_text);
  InPlace out(rows_text);
  Removed removed(ranges);
  std::vector<char> gone;
  Chars t, r;
  auto merge = [&](std::size_t t0, std::size_t t1, std::size_t r0, std::size_t r1) {
    // A stretch of megabytes (a text of one endless line) is not lined up
    // a character at a time: the rows' text stands there.
    if (t1 - t0 > kMaxStretchBytes || r1 - r0 > kMaxStretchBytes) {
      out.Append(rows.substr(r0, r1 - r0));
      return;
    }
    // Nothing the detector removed lies here (the common case): the rows'
    // writing stands, without cutting either side into characters.
    if (!removed.Touches(t0, t1)) {
      out.Append(rows.substr(r0, r1 - r0));
      return;
    }
    t.Reset(text.substr(t0, t1 - t0));
    r.Reset(rows.substr(r0, r1 - r0));
    removed.Mark(t, t0, &gone);
    Stretch(t, r, gone, &out).Merge();
  };
  Walk(
      text, rows, [&](std::size_t a, std::size_t b) { removed.Copy(text.substr(a, b - a), a, &out); },
      [&](std::size_t t0, std::size_t t1, std::size_t r0, std::size_t r1) {
        // As many lines on both sides: each became the other's line.
        const std::vector<std::size_t> te = LineEnds(text.substr(t0, t1 - t0));
        const std::vector<std::size_t> re = LineEnds(rows.substr(r0, r1 - r0));
        if (t1 > t0 && r1 > r0 && te.size() == re.size()) {
          for (std::size_t k = 0; k < te.size(); ++k) {
            merge(t0 + (k == 0 ? 0 : te[k - 1]), t0 + te[k], r0 + (k == 0 ? 0 : re[k - 1]), r0 + re[k]);
          }
        } else {
          merge(t0, t1, r0, r1);
        }
      });
  out.Finish();
}

}  // namespace folian::tidy
