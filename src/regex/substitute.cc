#include "regex/substitute.h"

#include "regex/matcher.h"
#include "regex/parser.h"
#include "regex/regex.h"

namespace folian::regex {

namespace {

int Hex(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

class TemplateParser {
 public:
  TemplateParser(std::string_view t, int groups) : t_(t), groups_(groups) {}

  std::vector<TemplatePiece> Run() {
    while (i_ < t_.size()) {
      const unsigned char c = static_cast<unsigned char>(t_[i_]);
      if (c == '\\') {
        Escape();
      } else if (c == '$') {
        Dollar();
      } else {
        Literal(static_cast<char>(c));
        ++i_;
      }
    }
    return std::move(out_);
  }

 private:
  void Literal(char c) {
    if (out_.empty() || out_.back().kind != TemplatePiece::kLiteral) out_.push_back(TemplatePiece{});
    out_.back().text.push_back(c);
  }
  void Piece(TemplatePiece::Kind k, int group = 0) {
    TemplatePiece p;
    p.kind = k;
    p.group = group;
    out_.push_back(std::move(p));
  }

  void Escape() {
    ++i_;
    if (i_ >= t_.size()) throw bad_regexpr(msg::kSubstEscape);
    const unsigned char c = static_cast<unsigned char>(t_[i_++]);
    switch (c) {
      case 'U': Piece(TemplatePiece::kUpper); return;
      case 'L': Piece(TemplatePiece::kLower); return;
      case 'E': Piece(TemplatePiece::kEndCase); return;
      case 'u': Piece(TemplatePiece::kUpperNext); return;
      case 'l': Piece(TemplatePiece::kLowerNext); return;
      case 'Q': {
        // Literal up to \E or the end.
        while (i_ < t_.size()) {
          if (t_[i_] == '\\' && i_ + 1 < t_.size() && t_[i_ + 1] == 'E') {
            i_ += 2;
            return;
          }
          Literal(t_[i_++]);
        }
        return;
      }
      case 'a': Literal(7); return;
      case 'e': Literal(27); return;
      case 'f': Literal(12); return;
      case 'n': Literal(10); return;
      case 'r': Literal(13); return;
      case 't': Literal(9); return;
      case 'v': Literal(11); return;
      case 'x': {
        int v = 0;
        for (int k = 0; k < 2 && i_ < t_.size() && Hex(static_cast<unsigned char>(t_[i_])) >= 0; ++k, ++i_)
          v = v * 16 + Hex(static_cast<unsigned char>(t_[i_]));
        Literal(static_cast<char>(v));
        return;
      }
      case 'c': {
        if (i_ >= t_.size()) throw bad_regexpr(msg::kSubstEscape);
        unsigned char x = static_cast<unsigned char>(t_[i_++]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        Literal(static_cast<char>(x ^ 0x40));
        return;
      }
      default:
        break;
    }
    if (c >= '0' && c <= '7') {
      int v = c - '0';
      for (int k = 0; k < 2 && i_ < t_.size() && t_[i_] >= '0' && t_[i_] <= '7'; ++k, ++i_) v = v * 8 + (t_[i_] - '0');
      Literal(static_cast<char>(v & 0xFF));
      return;
    }
    Literal(static_cast<char>(c));
  }

  void Dollar() {
    ++i_;
    if (i_ >= t_.size()) {
      Literal('$');
      return;
    }
    const char c = t_[i_];
    if (c >= '0' && c <= '9') {
      long long n = 0;
      while (i_ < t_.size() && t_[i_] >= '0' && t_[i_] <= '9') {
        n = n * 10 + (t_[i_] - '0');
        if (n > 1000000) n = 1000000;
        ++i_;
      }
      if (n > groups_) throw bad_regexpr(msg::kSubstRef);
      Piece(TemplatePiece::kGroup, static_cast<int>(n));
      return;
    }
    ++i_;
    switch (c) {
      case '&': Piece(TemplatePiece::kGroup, 0); return;
      case '`': Piece(TemplatePiece::kBefore); return;
      case '\'': Piece(TemplatePiece::kAfter); return;
      default:
        --i_;
        Literal('$');
        return;
    }
  }

  std::string_view t_;
  int groups_;
  std::size_t i_ = 0;
  std::vector<TemplatePiece> out_;
};

}  // namespace

std::vector<TemplatePiece> ParseTemplate(std::string_view tmpl, int groups) {
  return TemplateParser(tmpl, groups).Run();
}

void ExpandTemplate(const std::vector<TemplatePiece>& pieces, std::string_view subject,
                    const MatchSpans& match, std::string* out) {
  enum { kNone, kUp, kLow } mode = kNone, next = kNone;
  auto emit = [&](std::string_view text) {
    if (mode == kNone && next == kNone) {
      out->append(text);
      return;
    }
    for (char ch : text) {
      auto c = static_cast<unsigned char>(ch);
      const auto how = next != kNone ? next : mode;
      next = kNone;
      if (how == kUp && c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 32);
      if (how == kLow && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c + 32);
      out->push_back(static_cast<char>(c));
    }
  };
  const std::int64_t m0 = match.starts[0];
  const std::int64_t m1 = match.starts[1];
  for (const auto& p : pieces) {
    switch (p.kind) {
      case TemplatePiece::kLiteral:
        emit(p.text);
        break;
      case TemplatePiece::kGroup: {
        if (p.group >= match.group_count) break;
        const std::int64_t s = match.starts[2 * p.group];
        const std::int64_t e = match.starts[2 * p.group + 1];
        if (s >= 0 && e >= s) emit(subject.substr(static_cast<std::size_t>(s), static_cast<std::size_t>(e - s)));
        break;
      }
      case TemplatePiece::kBefore:
        emit(subject.substr(0, static_cast<std::size_t>(m0)));
        break;
      case TemplatePiece::kAfter:
        emit(subject.substr(static_cast<std::size_t>(m1)));
        break;
      case TemplatePiece::kUpper: mode = kUp; break;
      case TemplatePiece::kLower: mode = kLow; break;
      case TemplatePiece::kEndCase: mode = kNone; break;
      case TemplatePiece::kUpperNext: next = kUp; break;
      case TemplatePiece::kLowerNext: next = kLow; break;
    }
  }
}

std::size_t SubstituteRange(const Program& prog, std::string& subject, std::size_t start, std::size_t length,
                            const CancelFlag* cancel, std::vector<std::pair<std::size_t, std::size_t>>* inserted,
                            std::string* scratch, bool* over_budget) {
  if (over_budget) *over_budget = false;
  if (start > subject.size()) return 0;
  if (length > subject.size() - start) length = subject.size() - start;
  const std::string_view range(subject.data() + start, length);
  Matcher m(prog);
  if (over_budget) m.SetBudget(MatchBudget(range.size()));
  MatchIterator it(m, range, cancel);
  const bool all = (prog.options & ALLMATCHES) != 0;
  std::string rebuilt;
  if (scratch) {
    rebuilt.swap(*scratch);
    rebuilt.clear();
  }
  const bool whole = start == 0 && length == subject.size();
  if (!whole) rebuilt.assign(subject, 0, start);
  std::size_t copied = 0;  // bytes of `range` already in `rebuilt`
  std::size_t count = 0;
  std::vector<std::int64_t> spans(2 * static_cast<std::size_t>(prog.capture_count));
  if (inserted) inserted->clear();
  while (it.Next()) {
    // Enough for a result no longer than the subject; a reused buffer
    // usually has that already, and fresh pages are costly to fault in.
    if (count == 0) rebuilt.reserve(subject.size());
    const auto b = static_cast<std::size_t>(m.Start(0));
    rebuilt.append(range.substr(copied, b - copied));
    for (int g = 0; g < prog.capture_count; ++g) {
      spans[2 * static_cast<std::size_t>(g)] = m.Start(g);
      spans[2 * static_cast<std::size_t>(g) + 1] = m.End(g);
    }
    const std::size_t at = rebuilt.size();
    ExpandTemplate(prog.subst, range, MatchSpans{spans.data(), prog.capture_count}, &rebuilt);
    if (inserted) inserted->emplace_back(at, rebuilt.size());
    copied = static_cast<std::size_t>(m.End(0));
    ++count;
    if (!all) break;
  }
  if (over_budget) *over_budget = m.over_budget();
  if (m.cancelled() || count == 0) {
    if (inserted) inserted->clear();
    if (scratch) scratch->swap(rebuilt);
    return 0;
  }
  rebuilt.append(range.substr(copied));
  if (!whole) rebuilt.append(subject, start + length, std::string::npos);
  subject.swap(rebuilt);
  if (scratch) scratch->swap(rebuilt);
  return count;
}

}  // namespace folian::regex
