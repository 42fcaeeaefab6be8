// The fast advertisement removal. A rule can only fire where its find string
// occurs, so each stage first asks a needle filter which rules occur in a
// line and runs only those there; after a rule fires in a line, the line is
// filtered again for the rules after it, since the replacement may have
// created their find strings. Rules whose strings (or patterns) cannot span a
// line break behave on each line exactly as on the whole text, which is what
// keeps the result byte-identical to the full-pass reference; the few that
// can span lines run over the whole text.
#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "tidy/ad_removal.h"
#include "tidy/ad_stages_internal.h"
#include "tidy/needle_set.h"
#include "tidy/replace_all.h"

namespace folian::tidy {
namespace {

using internal::Stage;

constexpr std::size_t kCancelCheckLines = 4096;

bool HasNewline(std::string_view s) { return s.find('\n') != std::string_view::npos; }

// Calls `fn(line)` for every line of `text` without its "\n"; `fn` returns the
// replacement line or nullptr when unchanged. Rebuilds the text only once a
// line changed. False when cancelled.
template <typename Fn>
bool ForEachLine(std::string& text, const CancelFlag* cancel, Fn&& fn) {
  std::string out;
  bool dirty = false;
  std::size_t pos = 0, lines = 0;
  const std::size_t n = text.size();
  while (pos < n) {
    if (++lines % kCancelCheckLines == 0 && Cancelled(cancel)) return false;
    const char* nl = static_cast<const char*>(std::memchr(text.data() + pos, '\n', n - pos));
    const std::size_t end = nl != nullptr ? static_cast<std::size_t>(nl - text.data()) : n;
    const std::string* changed = fn(std::string_view(text.data() + pos, end - pos));
    if (changed != nullptr && !dirty) {
      dirty = true;
      out.reserve(n + n / 16);
      out.append(text, 0, pos);
    }
    if (dirty) {
      if (changed != nullptr) {
        out.append(*changed);
      } else {
        out.append(text, pos, end - pos);
      }
      if (nl != nullptr) out.push_back('\n');
    }
    pos = nl != nullptr ? end + 1 : n;
  }
  if (dirty) text.swap(out);
  return true;
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

  bool Apply(std::string& text, const CancelFlag* cancel) const {
    std::vector<std::uint32_t> cands;
    std::string cur;
    return ForEachLine(text, cancel, [&](std::string_view line) -> const std::string* {
      cands.clear();
      filter_.Collect(line, 0, &cands);
      if (cands.empty()) return nullptr;
      cur.assign(line);
      bool changed = false;
      for (std::size_t k = 0; k < cands.size();) {
        const std::uint32_t id = cands[k++];
        if (ops_[id].Apply(cur) == 0) continue;
        changed = true;
        cands.clear();
        filter_.Collect(cur, id + 1, &cands);
        k = 0;
      }
      return changed ? &cur : nullptr;
    });
  }

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

// Consecutive line-local patterns, each run on the lines holding its prefix.
class PatternLines {
 public:
  PatternLines(std::vector<regex::Pattern> patterns, const std::vector<std::string>& prefixes)
      : patterns_(std::move(patterns)), filter_(prefixes, /*fold_case=*/true) {
    for (std::uint32_t id = 0; id < prefixes.size(); ++id) {
      if (prefixes[id].empty()) always_.push_back(id);
    }
  }

  bool Apply(std::string& text, const CancelFlag* cancel) const {
    std::vector<std::uint32_t> cands;
    std::string cur;
    return ForEachLine(text, cancel, [&](std::string_view line) -> const std::string* {
      Candidates(line, 0, &cands);
      if (cands.empty()) return nullptr;
      cur.assign(line);
      bool changed = false;
      for (std::size_t k = 0; k < cands.size();) {
        const std::uint32_t id = cands[k++];
        const std::size_t before = cur.size();
        if (patterns_[id].Substitute(cur) == 0 || cur.size() == before) continue;
        changed = true;
        Candidates(cur, id + 1, &cands);
        k = 0;
      }
      return changed ? &cur : nullptr;
    });
  }

 private:
  void Candidates(std::string_view line, std::uint32_t min_id,
                  std::vector<std::uint32_t>* out) const {
    out->clear();
    filter_.Collect(line, min_id, out);
    if (always_.empty()) return;
    const std::size_t mid = out->size();
    for (std::uint32_t id : always_) {
      if (id >= min_id) out->push_back(id);
    }
    std::inplace_merge(out->begin(), out->begin() + static_cast<std::ptrdiff_t>(mid), out->end());
  }

  std::vector<regex::Pattern> patterns_;
  NeedleSet filter_;
  std::vector<std::uint32_t> always_;
};

struct Segment {
  enum class Kind { kLiteralLines, kLiteralWhole, kPatternLines, kPatternWhole };
  Kind kind = Kind::kLiteralLines;
  std::unique_ptr<LiteralLines> literal_lines;
  LiteralOp literal;
  std::unique_ptr<PatternLines> pattern_lines;
  regex::Pattern pattern;

  bool Apply(std::string& text, const CancelFlag* cancel) const {
    switch (kind) {
      case Kind::kLiteralLines:
        return literal_lines->Apply(text, cancel);
      case Kind::kLiteralWhole:
        literal.Apply(text);
        return true;
      case Kind::kPatternLines:
        return pattern_lines->Apply(text, cancel);
      case Kind::kPatternWhole:
        pattern.Substitute(text, 0, std::string::npos, cancel);
        return true;
    }
    return true;
  }
};

std::vector<Segment> BuildSegments(const std::vector<Rule>& rows) {
  std::vector<Segment> segs;
  std::vector<LiteralOp> lits;
  std::vector<regex::Pattern> pats;
  std::vector<std::string> prefixes;
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
      s.pattern_lines = std::make_unique<PatternLines>(std::move(pats), prefixes);
      segs.push_back(std::move(s));
      pats.clear();
      prefixes.clear();
    }
  };
  for (const Rule& rule : rows) {
    if (rule.kind == RuleKind::kPatternDelete) {
      regex::Pattern p = regex::Pattern::Compiled(rule.find, "", internal::kAdPatternFlags);
      if (!lits.empty()) flush();
      if (PatternIsLineLocal(rule.find)) {
        pats.push_back(std::move(p));
        prefixes.push_back(RequiredPrefix(rule.find));
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
      segs.push_back(std::move(s));
    }
  }
  flush();
  return segs;
}

bool ApplySegments(const std::vector<Segment>& segs, std::string& text, const CancelFlag* cancel) {
  for (const Segment& s : segs) {
    if (Cancelled(cancel) || !s.Apply(text, cancel)) return false;
  }
  return true;
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
};

AdRemover::AdRemover(const RuleTable& rules) {
  auto impl = std::make_unique<Impl>();
  for (int s = 0; s < kStageCount; ++s) impl->stages[s] = BuildSegments(rules.stages[s]);
  impl_ = std::move(impl);
}

AdRemover::~AdRemover() = default;
AdRemover::AdRemover(AdRemover&&) noexcept = default;
AdRemover& AdRemover::operator=(AdRemover&&) noexcept = default;

bool AdRemover::Run(std::string& text, const AdRunInput& in) const {
  return internal::DriveStages(in, [&](Stage stage) {
    switch (stage) {
      case Stage::kCustom: {
        if (in.custom == nullptr || in.custom->empty()) return true;
        std::vector<Rule> rows;
        for (const std::string& line : *in.custom) rows.push_back({RuleKind::kReplace, line, ""});
        return ApplySegments(BuildSegments(rows), text, in.cancel);
      }
      case Stage::kDuplicateTitles:
        return in.titles == nullptr || CollapseTitles(text, *in.titles, in.cancel);
      default:
        return ApplySegments(impl_->stages[static_cast<int>(stage)], text, in.cancel);
    }
  });
}

}  // namespace folian::tidy
