// The fast advertisement removal. A rule can only fire where its find string
// occurs, so one anchor pass over the text records, line by line, which
// rules' strings and patterns occur there; each stage then runs only those
// rules, only on those lines. After a rule fires in a line, the line is
// searched again for the rules after it, since the replacement may have
// created their find strings. Rules whose strings (or patterns) cannot span
// a line break behave on each line exactly as on the whole text, which is
// what keeps the result byte-identical to the full-pass reference; rules
// with line breaks in them are replaced across the lines where their parts
// stand, and the rare pattern that can span lines runs over the whole text.
#include <algorithm>
#include <cstring>
#include <span>
#include <unordered_set>

#include "tidy/ad_removal.h"
#include "tidy/ad_stages_internal.h"
#include "tidy/anchor_filter.h"
#include "tidy/needle_set.h"
#include "tidy/pattern_chain.h"
#include "tidy/replace_all.h"

namespace folian::tidy {
namespace {

using internal::Stage;

constexpr std::size_t kCancelCheckLines = 4096;

bool HasNewline(std::string_view s) { return s.find('\n') != std::string_view::npos; }

// The working text as lines (split at "\n", each keeping its "\r"), with a
// mask per line of the rule groups whose find strings or patterns occur in
// it. A line can only change through a rule, and every change recomputes its
// mask, so a group only ever needs to look at its lines. Lines are views into
// the text they were split from until a rule rewrites them; rewritten lines
// live in an arena, so no line costs an allocation of its own.
// A line's first bytes (up to two, the first one high) and shape.
struct Head {
  std::uint16_t bytes = 0;
  std::uint8_t size = 0;  // the line's length, capped at 2
  bool ends_cr = false;

  static Head Of(std::string_view line) {
    Head h;
    h.size = static_cast<std::uint8_t>(std::min<std::size_t>(line.size(), 2));
    if (h.size >= 1) h.bytes = static_cast<std::uint16_t>(static_cast<unsigned char>(line[0]) << 8);
    if (h.size == 2) h.bytes |= static_cast<unsigned char>(line[1]);
    h.ends_cr = !line.empty() && line.back() == '\r';
    return h;
  }
  // Whether the line can start with `s` (exact for up to two bytes).
  bool MayStartWith(std::string_view s) const {
    if (s.size() > 2 && size < 2) return false;
    const Head p = Of(s.substr(0, 2));
    if (p.size > size) return false;
    return p.size == 2 ? bytes == p.bytes : p.size == 0 || (bytes >> 8) == (p.bytes >> 8);
  }
};

class Lines {
 public:
  std::vector<std::uint64_t> hot;
  const AnchorFilter* filter = nullptr;

  // Takes `text` as the lines' storage and splits it (masks not computed).
  void Reset(std::string text) {
    base_ = std::move(text);
    arena_.clear();
    refs_.clear();
    Split(base_, &refs_);
  }

  void MarkAll() {
    hot.resize(refs_.size());
    spans_.resize(refs_.size());
    hit_ids_.clear();
    for (std::size_t i = 0; i < refs_.size(); ++i) Mark((*this)[i], &hot[i], &spans_[i]);
  }

  std::size_t size() const { return refs_.size(); }
  std::string_view operator[](std::size_t i) const { return View(refs_[i]); }

  // The first two bytes and the end of line i, kept beside the line so that
  // tests of them need not touch the text.
  Head head(std::size_t i) const { return spans_[i].head; }

  // The filter needles found in line i when its mask was worked out, ascending.
  std::span<const std::uint32_t> Hits(std::size_t i) const {
    return std::span<const std::uint32_t>(hit_ids_).subspan(spans_[i].off, spans_[i].len);
  }

  // Rewrites line i (no "\n" in `s`, which must not point into the lines'
  // storage) and recomputes its mask.
  void Set(std::size_t i, std::string_view s) {
    refs_[i] = Store(s);
    Mark(s, &hot[i], &spans_[i]);
  }

  // A run of lines [from, to) to be replaced by the lines of `text`.
  struct Edit {
    std::size_t from, to;
    std::string text;
  };

  // Applies `edits` (in line order, not overlapping) in one pass; the new
  // lines get their masks.
  void Rebuild(const std::vector<Edit>& edits) {
    if (edits.empty()) return;
    std::vector<Ref> refs;
    std::vector<std::uint64_t> masks;
    std::vector<Span> spans;
    const std::size_t guess = refs_.size() + edits.size();
    refs.reserve(guess);
    masks.reserve(guess);
    spans.reserve(guess);
    std::size_t at = 0;
    auto keep = [&](std::size_t to) {
      const auto from = static_cast<std::ptrdiff_t>(at), end = static_cast<std::ptrdiff_t>(to);
      refs.insert(refs.end(), refs_.begin() + from, refs_.begin() + end);
      masks.insert(masks.end(), hot.begin() + from, hot.begin() + end);
      spans.insert(spans.end(), spans_.begin() + from, spans_.begin() + end);
    };
    for (const Edit& e : edits) {
      keep(e.from);
      const std::string_view t = e.text;
      std::size_t pos = 0;
      for (;;) {
        const std::size_t nl = t.find('\n', pos);
        const std::string_view piece = t.substr(pos, nl == std::string_view::npos ? nl : nl - pos);
        refs.push_back(Store(piece));
        masks.emplace_back();
        spans.emplace_back();
        Mark(piece, &masks.back(), &spans.back());
        if (nl == std::string_view::npos) break;
        pos = nl + 1;
      }
      at = e.to;
    }
    keep(refs_.size());
    refs_.swap(refs);
    hot.swap(masks);
    spans_.swap(spans);
  }

  // Takes a new text after a whole-text rule changed it. A whole-text rule
  // touches few lines, so a line equal to one of the next few old lines
  // keeps that line's mask and hits (they depend only on the line) and only
  // the others are scanned.
  void Resplit(std::string s) {
    constexpr std::size_t kLookAhead = 8;
    std::string old_base = std::move(base_), old_arena = std::move(arena_);
    std::vector<Ref> old_refs = std::move(refs_);
    std::vector<std::uint64_t> old_hot = std::move(hot);
    std::vector<Span> old_spans = std::move(spans_);
    std::vector<std::uint32_t> old_ids = std::move(hit_ids_);
    base_ = std::move(s);
    arena_.clear();
    refs_.clear();
    hit_ids_.clear();
    Split(base_, &refs_);
    hot.assign(refs_.size(), 0);
    spans_.assign(refs_.size(), Span{});
    auto old_view = [&](std::size_t k) {
      const Ref& r = old_refs[k];
      return std::string_view((r.off & kInArena) != 0 ? old_arena : old_base)
          .substr(r.off & ~kInArena, r.len);
    };
    std::size_t i = 0;
    for (std::size_t j = 0; j < refs_.size(); ++j) {
      const std::string_view line = (*this)[j];
      const std::size_t end = std::min(old_refs.size(), i + kLookAhead);
      std::size_t k = i;
      while (k < end && old_view(k) != line) ++k;
      if (k < end) {
        hot[j] = old_hot[k];
        const auto from = old_ids.begin() + static_cast<std::ptrdiff_t>(old_spans[k].off);
        spans_[j] = old_spans[k];
        spans_[j].off = hit_ids_.size();
        hit_ids_.insert(hit_ids_.end(), from, from + old_spans[k].len);
        i = k + 1;
      } else {
        Mark(line, &hot[j], &spans_[j]);
      }
    }
  }

  // The joined text, built in the storage the lines were split from when
  // that is safe (no piece written over text still to be read: lines
  // taken from it keep their order, and most rules shrink the text), which
  // spares a second whole-text buffer; the lines are spent either way.
  std::string TakeJoined() {
    if (!JoinsInPlace()) return Join();
    std::size_t w = 0;
    char* out = base_.data();
    for (std::size_t i = 0; i < refs_.size(); ++i) {
      if (i != 0) out[w++] = '\n';
      const Ref& r = refs_[i];
      if (r.len == 0) continue;
      const char* from = (r.off & kInArena) != 0 ? arena_.data() + (r.off & ~kInArena) : out + r.off;
      std::memmove(out + w, from, r.len);
      w += r.len;
    }
    base_.resize(w);
    refs_.clear();
    return std::move(base_);
  }

  std::string Join() const {
    std::size_t total = refs_.empty() ? 0 : refs_.size() - 1;
    for (const Ref& r : refs_) total += r.len;
    std::string out;
    out.resize(total);
    char* w = out.data();
    for (std::size_t i = 0; i < refs_.size(); ++i) {
      if (i != 0) *w++ = '\n';
      const std::string_view l = (*this)[i];
      if (!l.empty()) std::memcpy(w, l.data(), l.size());
      w += l.size();
    }
    return out;
  }

 private:
  static constexpr std::size_t kInArena = std::size_t{1} << (sizeof(std::size_t) * 8 - 1);
  struct Ref {
    std::size_t off;  // kInArena set: into the arena, else into the base
    std::size_t len;
  };
  struct Span {
    std::size_t off = 0;  // into hit_ids_
    std::uint32_t len = 0;
    Head head;
  };

  // Whether TakeJoined can write into base_: before each piece is written,
  // everything from where it goes on is still unread only from the next
  // base line on (a base line itself may move down over its own bytes).
  bool JoinsInPlace() const {
    std::vector<std::size_t> next_base(refs_.size() + 1, base_.size());
    for (std::size_t i = refs_.size(); i-- > 0;) {
      next_base[i] = (refs_[i].off & kInArena) != 0 ? next_base[i + 1] : refs_[i].off;
    }
    std::size_t w = 0;
    for (std::size_t i = 0; i < refs_.size(); ++i) {
      if (i != 0 && ++w > next_base[i]) return false;  // the line break
      const Ref& r = refs_[i];
      if ((r.off & kInArena) == 0 ? w > r.off : w + r.len > next_base[i + 1]) return false;
      w += r.len;
    }
    return true;
  }

  static void Split(std::string_view s, std::vector<Ref>* refs) {
    std::size_t pos = 0;
    for (;;) {
      const char* nl = static_cast<const char*>(std::memchr(s.data() + pos, '\n', s.size() - pos));
      if (nl == nullptr) break;
      const std::size_t end = static_cast<std::size_t>(nl - s.data());
      refs->push_back({pos, end - pos});
      pos = end + 1;
    }
    refs->push_back({pos, s.size() - pos});
  }

  void Mark(std::string_view line, std::uint64_t* mask, Span* span) {
    const std::size_t from = hit_ids_.size();
    *mask = filter->Groups(line, &hit_ids_);
    *span = {from, static_cast<std::uint32_t>(hit_ids_.size() - from), Head::Of(line)};
  }

  std::string_view View(const Ref& r) const {
    return std::string_view((r.off & kInArena) != 0 ? arena_ : base_).substr(r.off & ~kInArena, r.len);
  }

  Ref Store(std::string_view s) {
    const Ref r{arena_.size() | kInArena, s.size()};
    arena_.append(s);
    return r;
  }

  std::string base_, arena_;
  std::vector<Ref> refs_;
  std::vector<Span> spans_;
  std::vector<std::uint32_t> hit_ids_;
};

constexpr std::uint32_t kNotInFilter = static_cast<std::uint32_t>(-1);

// The local ids (global id - `first`) of the hits in [first, first + count),
// merged with `always` (local ids to try on every line; ascending).
void HitsInRange(std::span<const std::uint32_t> hits, std::uint32_t first, std::size_t count,
                 const std::vector<std::uint32_t>& always, std::vector<std::uint32_t>* out) {
  out->clear();
  auto it = std::lower_bound(hits.begin(), hits.end(), first);
  for (; it != hits.end() && *it - first < count; ++it) out->push_back(*it - first);
  if (always.empty()) return;
  const std::size_t mid = out->size();
  out->insert(out->end(), always.begin(), always.end());
  std::inplace_merge(out->begin(), out->begin() + static_cast<std::ptrdiff_t>(mid), out->end());
  out->erase(std::unique(out->begin(), out->end()), out->end());
}

// The candidates after rule `id` changed a line to `cur`: the rules after it
// whose needles the filter finds in `cur` (searching only their group).
void HitsAfter(const AnchorFilter& filter, std::string_view cur, unsigned group, std::uint32_t first,
               std::size_t count, const std::vector<std::uint32_t>& always, std::uint32_t id,
               std::vector<std::uint32_t>* scratch, std::vector<std::uint32_t>* out) {
  scratch->clear();
  filter.Hits(cur, group, scratch);
  HitsInRange(*scratch, first, count, always, out);
  out->erase(out->begin(), std::upper_bound(out->begin(), out->end(), id));
}

// Local ids in [0, count) whose needles the filter cannot list, with `extra`.
std::vector<std::uint32_t> Unlisted(const AnchorFilter& filter, std::uint32_t first, std::size_t count,
                                    const std::vector<std::uint32_t>& extra) {
  std::vector<std::uint32_t> out = extra;
  for (std::uint32_t id = 0; id < count; ++id) {
    if (!filter.Listed(first + id)) out.push_back(id);
  }
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

struct LiteralOp {
  std::string find, replace;
  bool repeat = false;
  std::size_t Apply(std::string& s) const {
    return repeat ? ReplaceAllRepeat(s, find, replace) : ReplaceAll(s, find, replace);
  }
};

// Consecutive literal rules none of whose strings contain a line break.
class LiteralLines {
 public:
  explicit LiteralLines(std::vector<LiteralOp> ops) : ops_(std::move(ops)) {
    std::vector<std::string> finds;
    finds.reserve(ops_.size());
    for (const LiteralOp& op : ops_) finds.push_back(op.find);
    filter_ = NeedleSet(finds);
  }

  // Applies the rules to the lines whose mask has `bit` (every line when
  // `bit` is 0); a changed line gets its mask recomputed. The rules' find
  // strings are the filter's needles from `first_needle` on, in `group`, so
  // a line's hits name the rules to try; kNotInFilter: the line is searched
  // with the rules' own needle set instead.
  bool Apply(Lines& lines, std::uint64_t bit, unsigned group, std::uint32_t first_needle,
             const CancelFlag* cancel) const {
    std::vector<std::uint32_t> cands, scratch;
    std::string cur;
    const std::vector<std::uint32_t> always =
        first_needle == kNotInFilter ? std::vector<std::uint32_t>{}
                                     : Unlisted(*lines.filter, first_needle, ops_.size(), {});
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (bit != 0 && !(lines.hot[i] & bit)) continue;
      if (i % kCancelCheckLines == 0 && Cancelled(cancel)) return false;
      if (first_needle == kNotInFilter) {
        cands.clear();
        filter_.Collect(lines[i], 0, &cands);
      } else {
        HitsInRange(lines.Hits(i), first_needle, ops_.size(), always, &cands);
      }
      if (cands.empty()) continue;
      cur.assign(lines[i]);
      bool changed = false;
      for (std::size_t k = 0; k < cands.size();) {
        const std::uint32_t id = cands[k++];
        if (ops_[id].Apply(cur) == 0) continue;
        changed = true;
        if (first_needle == kNotInFilter) {
          cands.clear();
          filter_.Collect(cur, id + 1, &cands);
        } else {
          HitsAfter(*lines.filter, cur, group, first_needle, ops_.size(), always, id, &scratch, &cands);
        }
        k = 0;
      }
      if (changed) lines.Set(i, cur);
    }
    return true;
  }

  const std::vector<LiteralOp>& ops() const { return ops_; }

 private:
  std::vector<LiteralOp> ops_;
  NeedleSet filter_;
};

// Whether a pattern's matches are confined to one line and depend on nothing
// outside it: "." never matches a newline, so only constructs that can match
// one, anchors, boundaries and inline options make a pattern non-local.
bool PatternIsLineLocal(std::string_view p) {
  if (HasNewline(p)) return false;
  static constexpr std::string_view kNonLocal[] = {
      "^", "$", "(?", "[^", "[:", "\\s", "\\D", "\\W", "\\n", "\\x", "\\c",
      "\\b", "\\B", "\\A", "\\Z", "\\z", "\\Q", "\\v", "\\f", "\\r"};
  for (std::string_view bad : kNonLocal) {
    if (p.find(bad) != std::string_view::npos) return false;
  }
  return true;
}

bool IsMeta(char c) { return std::string_view("\\.[]()|*+?{}^$").find(c) != std::string_view::npos; }
bool IsQuantifier(char c) { return c == '*' || c == '+' || c == '?' || c == '{'; }
bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z');
}

// A byte string every match of the pattern starts with (letters in either
// case); empty when none can be read off safely.
std::string RequiredPrefix(std::string_view p) {
  if (p.find('|') != std::string_view::npos) return {};
  std::string lit;
  std::size_t i = 0;
  while (i < p.size()) {
    char c = p[i];
    std::size_t width = 1;
    if (c == '\\') {
      if (i + 1 >= p.size() || IsAsciiAlnum(p[i + 1])) break;
      c = p[i + 1];
      width = 2;
    } else if (IsMeta(c)) {
      break;
    }
    if (i + width < p.size() && IsQuantifier(p[i + width])) break;
    lit.push_back(c);
    i += width;
  }
  if (!lit.empty()) return lit;
  // A leading class of one letter in its two cases, such as "[Ww]".
  if (p.size() >= 4 && p[0] == '[' && p[3] == ']' && (p[1] | 0x20) == (p[2] | 0x20) &&
      (p[1] | 0x20) >= 'a' && (p[1] | 0x20) <= 'z' && !(p.size() > 4 && IsQuantifier(p[4]))) {
    return std::string(1, static_cast<char>(p[1] | 0x20));
  }
  return {};
}

// A pattern of a line-local group with its quick line test.
struct LinePattern {
  regex::Pattern pattern;
  std::optional<PatternChain> chain;  // exact "can match here" test, when readable
  std::string prefix;                 // bytes every match starts with (may be empty)
};

// Consecutive line-local patterns, each run only on lines where it can match.
class PatternLines {
 public:
  explicit PatternLines(std::vector<LinePattern> pats) : pats_(std::move(pats)) {
    std::vector<std::string> prefixes;
    for (std::uint32_t id = 0; id < pats_.size(); ++id) {
      prefixes.push_back(pats_[id].prefix);
      if (pats_[id].prefix.empty()) always_.push_back(id);
    }
    filter_ = NeedleSet(prefixes, /*fold_case=*/true);
  }

  // As LiteralLines::Apply; a pattern's hit is its chain matching or its
  // prefix occurring, and patterns with neither are tried on every line.
  bool Apply(Lines& lines, std::uint64_t bit, unsigned group, std::uint32_t first_needle,
             const CancelFlag* cancel) const {
    std::vector<std::uint32_t> cands, scratch;
    std::string cur;
    const std::vector<std::uint32_t> always =
        first_needle == kNotInFilter ? std::vector<std::uint32_t>{}
                                     : Unlisted(*lines.filter, first_needle, pats_.size(), {});
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (bit != 0 && !(lines.hot[i] & bit)) continue;
      if (i % kCancelCheckLines == 0 && Cancelled(cancel)) return false;
      if (first_needle == kNotInFilter) {
        Candidates(lines[i], 0, &cands);
      } else {
        HitsInRange(lines.Hits(i), first_needle, pats_.size(), always, &cands);
      }
      if (cands.empty()) continue;
      cur.assign(lines[i]);
      bool changed = false;
      for (std::size_t k = 0; k < cands.size();) {
        const std::uint32_t id = cands[k++];
        const std::size_t before = cur.size();
        if (pats_[id].pattern.Substitute(cur) == 0 || cur.size() == before) continue;
        changed = true;
        if (first_needle == kNotInFilter) {
          Candidates(cur, id + 1, &cands);
        } else {
          HitsAfter(*lines.filter, cur, group, first_needle, pats_.size(), always, id, &scratch, &cands);
        }
        k = 0;
      }
      if (changed) lines.Set(i, cur);
    }
    return true;
  }

  const std::vector<LinePattern>& patterns() const { return pats_; }

 private:
  void Candidates(std::string_view line, std::uint32_t min_id,
                  std::vector<std::uint32_t>* out) const {
    out->clear();
    filter_.ForEachHit(line, [&](std::uint32_t id, std::size_t pos) {
      if (id >= min_id && (!pats_[id].chain || pats_[id].chain->MatchesAt(line, pos))) {
        out->push_back(id);
      }
      return false;
    });
    for (std::uint32_t id : always_) {
      if (id >= min_id) out->push_back(id);
    }
    std::sort(out->begin(), out->end());
    out->erase(std::unique(out->begin(), out->end()), out->end());
  }

  std::vector<LinePattern> pats_;
  NeedleSet filter_;
  std::vector<std::uint32_t> always_;
};

struct Segment {
  enum class Kind { kLiteralLines, kLiteralWhole, kPatternLines, kPatternWhole };
  Kind kind = Kind::kLiteralLines;
  unsigned group = 0;  // line-local segments of the table: their mask bit
  std::uint32_t first_needle = kNotInFilter;  // their rules' first needle in the filter
  std::unique_ptr<LiteralLines> literal_lines;
  LiteralOp literal;
  // kLiteralWhole: the find string split at its line breaks, and the part
  // chosen as the needle that marks the lines where an occurrence can lie.
  std::vector<std::string> parts;
  std::size_t anchor = 0;
  std::unique_ptr<PatternLines> pattern_lines;
  regex::Pattern pattern;
};

std::vector<Segment> BuildSegments(const std::vector<Rule>& rows) {
  std::vector<Segment> segs;
  std::vector<LiteralOp> lits;
  std::vector<LinePattern> pats;
  auto flush = [&] {
    if (!lits.empty()) {
      Segment s;
      s.kind = Segment::Kind::kLiteralLines;
      s.literal_lines = std::make_unique<LiteralLines>(std::move(lits));
      segs.push_back(std::move(s));
      lits.clear();
    }
    if (!pats.empty()) {
      Segment s;
      s.kind = Segment::Kind::kPatternLines;
      s.pattern_lines = std::make_unique<PatternLines>(std::move(pats));
      segs.push_back(std::move(s));
      pats.clear();
    }
  };
  for (const Rule& rule : rows) {
    if (rule.kind == RuleKind::kPatternDelete) {
      regex::Pattern p = regex::Pattern::Compiled(rule.find, "", internal::kAdPatternFlags);
      if (!lits.empty()) flush();
      if (PatternIsLineLocal(rule.find)) {
        LinePattern lp{std::move(p), PatternChain::Parse(rule.find, /*ignore_case=*/true), {}};
        lp.prefix = lp.chain ? lp.chain->prefix() : RequiredPrefix(rule.find);
        pats.push_back(std::move(lp));
      } else {
        flush();
        Segment s;
        s.kind = Segment::Kind::kPatternWhole;
        s.pattern = std::move(p);
        segs.push_back(std::move(s));
      }
      continue;
    }
    if (rule.find.empty()) continue;  // finds nothing
    LiteralOp op{rule.find, rule.replace, rule.kind == RuleKind::kReplaceRepeat};
    if (!pats.empty()) flush();
    if (!HasNewline(op.find) && !HasNewline(op.replace)) {
      lits.push_back(std::move(op));
    } else {
      flush();
      Segment s;
      s.kind = Segment::Kind::kLiteralWhole;
      s.literal = std::move(op);
      std::size_t from = 0;
      for (std::size_t at; (at = s.literal.find.find('\n', from)) != std::string::npos; from = at + 1) {
        s.parts.push_back(s.literal.find.substr(from, at - from));
      }
      s.parts.push_back(s.literal.find.substr(from));
      // The longest part is the rarest one as a rule (a lone "\r" is in every line).
      for (std::size_t k = 1; k < s.parts.size(); ++k) {
        if (s.parts[k].size() > s.parts[s.anchor].size()) s.anchor = k;
      }
      segs.push_back(std::move(s));
    }
  }
  flush();
  return segs;
}

// Titles X for which X + "\r\n" + X occurs in the text: only their doubled-title
// replacements can fire. A title holding a line break is always listed.
std::unordered_set<std::string_view> DoubledTitles(std::string_view text,
                                                   const std::vector<std::string>& titles) {
  std::unordered_set<std::string_view> result;
  std::unordered_set<std::string_view> plain;
  std::vector<std::size_t> lengths;
  std::vector<std::uint64_t> first_pair(65536 / 64, 0);
  bool has_one_byte = false;
  for (const std::string& t : titles) {
    if (t.find('\r') != std::string::npos || t.find('\n') != std::string::npos) {
      result.insert(t);
      continue;
    }
    if (t.empty()) continue;
    if (plain.insert(t).second) lengths.push_back(t.size());
    if (t.size() == 1) {
      has_one_byte = true;
    } else {
      const unsigned key = static_cast<unsigned char>(t[0]) << 8 | static_cast<unsigned char>(t[1]);
      first_pair[key >> 6] |= std::uint64_t{1} << (key & 63);
    }
  }
  std::sort(lengths.begin(), lengths.end());
  lengths.erase(std::unique(lengths.begin(), lengths.end()), lengths.end());
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  for (std::size_t nl = text.find('\n'); nl != std::string_view::npos; nl = text.find('\n', nl + 1)) {
    if (nl == 0 || s[nl - 1] != '\r' || nl + 1 >= n) continue;
    const std::size_t after = nl + 1;
    const bool pair_ok =
        after + 1 < n && (first_pair[(s[after] << 8 | s[after + 1]) >> 6] >>
                              ((s[after] << 8 | s[after + 1]) & 63) & 1);
    if (!pair_ok && !has_one_byte) continue;
    const std::size_t cr = nl - 1;  // the title's copy before must end here
    for (std::size_t len : lengths) {
      if (len > cr || after + len > n) break;
      if (std::memcmp(s + cr - len, s + after, len) != 0) continue;
      const std::string_view x(text.data() + after, len);
      if (plain.count(x) != 0) result.insert(x);
    }
  }
  // Keys must outlive `text` edits: copy them into owned storage by the caller.
  return result;
}

bool CollapseTitles(std::string& text, const std::vector<std::string>& t, const CancelFlag* cancel) {
  auto compute = [&] {
    std::unordered_set<std::string> owned;
    for (std::string_view x : DoubledTitles(text, t)) owned.emplace(x);
    return owned;
  };
  std::unordered_set<std::string> doubled = compute();
  for (std::size_t i = 0; i + 1 < t.size() && !doubled.empty(); ++i) {
    if (Cancelled(cancel)) return false;
    if (doubled.count(t[i]) != 0 &&
        ReplaceAll(text, "\r\n" + t[i] + "\r\n" + t[i], "\r\n" + t[i] + "\r\n") > 0) {
      doubled = compute();
    }
    if (!t[i].empty() && doubled.count(t[i + 1]) != 0 &&
        ReplaceAll(text, t[i + 1] + "\r\n" + t[i + 1], t[i + 1] + "\r\n") > 0) {
      doubled = compute();
    }
  }
  return true;
}

}  // namespace

struct AdRemover::Impl {
  std::array<std::vector<Segment>, kStageCount> stages;
  // Every find string of the line-local rules and every pattern, each in
  // its segment's group, for the per-line masks.
  std::vector<AnchorFilter::Needle> needles;
};

namespace {

// Replace-all of a literal rule whose strings hold line breaks, done on the
// lines. An occurrence of a find string with m breaks must end line i with
// the part before the first break, fill the next lines with the middle parts
// and start line i+m with the last part, so each line can start at most one
// occurrence; taking them in line order, each after the previous one's end,
// is the left-to-right replace-all. Line i+anchor holds the anchor part, so
// only lines whose mask has `bit` (every line when 0) are tried. A find
// string without a break (only the replacement has one) is replaced within
// each line. Returns the count.
template <typename Marked>
std::size_t ReplaceAcrossLines(Lines& lines, const LiteralOp& op, const std::vector<std::string>& parts,
                               std::size_t anchor, Marked marked) {
  const std::size_t m = parts.size() - 1;
  const std::size_t n = lines.size();
  std::vector<Lines::Edit> edits;
  std::size_t count = 0;
  if (m == 0) {
    for (std::size_t j = 0; j < n; ++j) {
      if (!marked(j) || FindBytes(lines[j], op.find) == std::string_view::npos) continue;
      std::string line(lines[j]);
      count += op.Apply(line);
      edits.push_back({j, j + 1, std::move(line)});
    }
    lines.Rebuild(edits);
    return count;
  }
  // Where an occurrence would start in line i (not before `min_start`), or npos.
  const std::string_view first = parts[0], last = parts[m];
  auto occurrence = [&](std::size_t i, std::size_t min_start) -> std::size_t {
    if (i + m >= n) return std::string::npos;
    const std::string_view l = lines[i];
    if (l.size() < first.size() || l.size() - first.size() < min_start || !l.ends_with(first)) {
      return std::string::npos;
    }
    for (std::size_t k = 1; k < m; ++k) {
      if (lines[i + k] != parts[k]) return std::string::npos;
    }
    if (!lines[i + m].starts_with(last)) return std::string::npos;
    return l.size() - first.size();
  };
  std::size_t next_start = 0;  // lines before it are spoken for
  for (std::size_t j = anchor; j < n; ++j) {
    if (!marked(j)) continue;
    const std::size_t i = j - anchor;
    if (i < next_start) continue;
    const std::size_t start = occurrence(i, 0);
    if (start == std::string::npos) continue;
    // A chain of occurrences, each starting in the line the previous one ended in.
    std::string merged(lines[i].substr(0, start));
    std::size_t cur = i;
    for (;;) {
      ++count;
      merged += op.replace;
      const std::size_t tail = cur + m;
      const std::size_t resume = last.size();
      const std::size_t next = occurrence(tail, resume);
      if (next == std::string::npos) {
        merged += lines[tail].substr(resume);
        next_start = tail + 1;
        break;
      }
      merged += lines[tail].substr(resume, next - resume);
      cur = tail;
    }
    edits.push_back({i, next_start, std::move(merged)});
  }
  lines.Rebuild(edits);
  return count;
}

// The duplicated-title stage on the lines. Both of its replacements need
// some title X with X + "\r\n" + X in the text, that is a line ending in
// X + "\r" followed by a line starting with X; only titles found so run, and
// the set is worked out again after each replacement that fired.
class TitleCollapse {
 public:
  // False when a title holds a line break: those are left to the whole-text run.
  bool Init(const std::vector<std::string>& titles) {
    for (const std::string& t : titles) {
      if (t.find('\r') != std::string::npos || t.find('\n') != std::string::npos) return false;
      if (t.empty() || !plain_.insert(t).second) continue;
      lengths_.push_back(t.size());
      if (t.size() == 1) {
        has_one_byte_ = true;
        one_byte_[static_cast<unsigned char>(t[0])] = true;
      } else {
        const unsigned key = Key(t.data());
        first_pair_[key >> 6] |= std::uint64_t{1} << (key & 63);
      }
    }
    std::sort(lengths_.begin(), lengths_.end());
    lengths_.erase(std::unique(lengths_.begin(), lengths_.end()), lengths_.end());
    return true;
  }

  bool Run(Lines& lines, const std::vector<std::string>& t, const CancelFlag* cancel) const {
    std::unordered_set<std::string_view> doubled = Doubled(lines);
    for (std::size_t i = 0; i + 1 < t.size() && !doubled.empty(); ++i) {
      if (Cancelled(cancel)) return false;
      if (doubled.count(t[i]) != 0) {
        const LiteralOp op{"\r\n" + t[i] + "\r\n" + t[i], "\r\n" + t[i] + "\r\n", false};
        auto starts = [&lines, &x = t[i]](std::size_t j) { return lines.head(j).MayStartWith(x); };
        if (ReplaceAcrossLines(lines, op, {"\r", t[i] + "\r", t[i]}, 2, starts) > 0) doubled = Doubled(lines);
      }
      if (!t[i].empty() && doubled.count(t[i + 1]) != 0) {
        const std::string& x = t[i + 1];
        const LiteralOp op{x + "\r\n" + x, x + "\r\n", false};
        auto starts = [&lines, &x](std::size_t j) { return lines.head(j).MayStartWith(x); };
        if (ReplaceAcrossLines(lines, op, {x + "\r", x}, 1, starts) > 0) doubled = Doubled(lines);
      }
    }
    return true;
  }

 private:
  static unsigned Key(const char* p) {
    return static_cast<unsigned char>(p[0]) << 8 | static_cast<unsigned char>(p[1]);
  }

  // The titles X (views of the titles themselves) doubled across two lines.
  std::unordered_set<std::string_view> Doubled(const Lines& lines) const {
    std::unordered_set<std::string_view> result;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
      const Head ha = lines.head(i), hb = lines.head(i + 1);
      if (!ha.ends_cr || hb.size == 0) continue;
      const bool pair = hb.size == 2 && (first_pair_[hb.bytes >> 6] >> (hb.bytes & 63) & 1);
      if (!pair && !(has_one_byte_ && one_byte_[hb.bytes >> 8])) continue;
      const std::string_view a = lines[i], b = lines[i + 1];
      const std::size_t cr = a.size() - 1;
      for (std::size_t len : lengths_) {
        if (len > cr || len > b.size()) break;
        if (std::memcmp(a.data() + cr - len, b.data(), len) != 0) continue;
        const auto it = plain_.find(b.substr(0, len));
        if (it != plain_.end()) result.insert(*it);
      }
    }
    return result;
  }

  std::unordered_set<std::string_view> plain_;
  std::vector<std::size_t> lengths_;
  std::vector<std::uint64_t> first_pair_ = std::vector<std::uint64_t>(65536 / 64, 0);
  bool has_one_byte_ = false;
  bool one_byte_[256] = {};
};

std::uint64_t GroupBit(unsigned group) {
  return std::uint64_t{1} << std::min(group, AnchorFilter::kMaxGroup);
}

// Runs one stage's segments (on every line when `all_lines`: segments
// outside the table have no mask bit). A whole-text pattern that changed the
// text rebuilds the lines and their masks.
bool ApplySegments(const std::vector<Segment>& segs, Lines& lines, bool all_lines,
                   const CancelFlag* cancel) {
  for (const Segment& s : segs) {
    if (Cancelled(cancel)) return false;
    const std::uint64_t bit = all_lines ? 0 : GroupBit(s.group);
    switch (s.kind) {
      case Segment::Kind::kLiteralLines:
        if (!s.literal_lines->Apply(lines, bit, s.group, all_lines ? kNotInFilter : s.first_needle, cancel)) {
          return false;
        }
        break;
      case Segment::Kind::kPatternLines:
        if (!s.pattern_lines->Apply(lines, bit, s.group, all_lines ? kNotInFilter : s.first_needle, cancel)) {
          return false;
        }
        break;
      case Segment::Kind::kLiteralWhole: {
        const bool once = s.literal.replace.find(s.literal.find) != std::string::npos;
        auto marked = [&lines, bit](std::size_t j) { return bit == 0 || (lines.hot[j] & bit) != 0; };
        while (ReplaceAcrossLines(lines, s.literal, s.parts, s.anchor, marked) > 0 && s.literal.repeat &&
               !once) {
          if (Cancelled(cancel)) return false;
        }
        break;
      }
      case Segment::Kind::kPatternWhole: {
        std::string text = lines.Join();
        const std::size_t before = text.size();
        if (s.pattern.Substitute(text, 0, std::string::npos, cancel) == 0 || text.size() == before) break;
        lines.Resplit(std::move(text));
        break;
      }
    }
  }
  return true;
}

}  // namespace

AdRemover::AdRemover(const RuleTable& rules) {
  auto impl = std::make_unique<Impl>();
  for (int st = 0; st < kStageCount; ++st) {
    impl->stages[st] = BuildSegments(rules.stages[st]);
  }
  unsigned group = 0;
  for (auto& stage : impl->stages) {
    for (Segment& s : stage) {
      switch (s.kind) {
        case Segment::Kind::kLiteralLines:
          s.group = group++;
          s.first_needle = static_cast<std::uint32_t>(impl->needles.size());
          for (const LiteralOp& op : s.literal_lines->ops()) {
            impl->needles.push_back({op.find, false, nullptr, s.group});
          }
          break;
        case Segment::Kind::kPatternLines:
          s.group = group++;
          s.first_needle = static_cast<std::uint32_t>(impl->needles.size());
          for (const LinePattern& p : s.pattern_lines->patterns()) {
            // Without a chain the prefix is only a necessary start (empty: anywhere).
            impl->needles.push_back({p.chain ? std::string() : p.prefix, true,
                                     p.chain ? &*p.chain : nullptr, s.group});
          }
          break;
        case Segment::Kind::kLiteralWhole:
          s.group = group++;
          {
            // Where the anchor part must sit in its line for an occurrence.
            using W = AnchorFilter::Where;
            const std::size_t last = s.parts.size() - 1;
            const W where = last == 0              ? W::kAnywhere
                            : s.anchor == 0        ? W::kEnd
                            : s.anchor == last     ? W::kStart
                                                   : W::kWhole;
            impl->needles.push_back({s.parts[s.anchor], false, nullptr, s.group, where});
          }
          break;
        case Segment::Kind::kPatternWhole:
          break;
      }
    }
  }
  impl_ = std::move(impl);
}

AdRemover::~AdRemover() = default;
AdRemover::AdRemover(AdRemover&&) noexcept = default;
AdRemover& AdRemover::operator=(AdRemover&&) noexcept = default;

bool AdRemover::Run(std::string& text, const AdRunInput& in) const {
  const Impl& impl = *impl_;
  const AnchorFilter filter(impl.needles, text);
  Lines lines;
  lines.filter = &filter;
  lines.Reset(std::move(text));
  lines.MarkAll();
  const bool ok = internal::DriveStages(in, [&](Stage stage) {
    switch (stage) {
      case Stage::kCustom: {
        if (in.custom == nullptr || in.custom->empty()) return true;
        std::vector<Rule> rows;
        for (const std::string& line : *in.custom) rows.push_back({RuleKind::kReplace, line, ""});
        // Custom strings are not among the hot needles: every line is looked at.
        return ApplySegments(BuildSegments(rows), lines, /*all_lines=*/true, in.cancel);
      }
      case Stage::kDuplicateTitles: {
        if (in.titles == nullptr || in.titles->size() < 2) return true;
        if (TitleCollapse collapse; collapse.Init(*in.titles)) {
          return collapse.Run(lines, *in.titles, in.cancel);
        }
        std::string joined = lines.Join();
        const std::size_t before = joined.size();
        if (!CollapseTitles(joined, *in.titles, in.cancel)) return false;
        if (joined.size() != before) lines.Resplit(std::move(joined));
        return true;
      }
      default:
        return ApplySegments(impl.stages[static_cast<int>(stage)], lines, /*all_lines=*/false,
                             in.cancel);
    }
  });
  text = lines.TakeJoined();
  return ok;
}

}  // namespace folian::tidy
