#include "regex/regex.h"

#include "regex/compiler.h"
#include "regex/matcher.h"
#include "regex/parser.h"
#include "regex/substitute.h"

namespace folian::regex {

Pattern::Pattern() = default;
Pattern::~Pattern() = default;
Pattern::Pattern(const Pattern&) = default;
Pattern& Pattern::operator=(const Pattern&) = default;
Pattern::Pattern(Pattern&&) noexcept = default;
Pattern& Pattern::operator=(Pattern&&) noexcept = default;

void Pattern::Compile(std::string_view pattern, unsigned options) {
  Ast ast = Parse(pattern, options);
  auto prog = std::make_shared<Program>(CompileAst(ast, options));
  program_ = std::move(prog);  // only now, so a failure leaves *this as it was
}

void Pattern::Compile(std::string_view pattern, std::string_view substitution, unsigned options) {
  Ast ast = Parse(pattern, options);
  auto prog = std::make_shared<Program>(CompileAst(ast, options));
  prog->subst = ParseTemplate(substitution, prog->capture_count - 1);
  prog->has_template = true;
  program_ = std::move(prog);
}

unsigned Pattern::options() const { return program_ ? program_->options : 0; }

int Pattern::GroupCount() const { return program_ ? program_->capture_count : 0; }

namespace {

void AppendGroups(const Matcher& m, int groups, MatchResult* out) {
  for (int g = 0; g < groups; ++g) {
    Span s;
    const std::int64_t b = m.Start(g), e = m.End(g);
    if (b >= 0 && e >= b) {
      s.matched = true;
      s.start = b;
      s.length = static_cast<std::size_t>(e - b);
    }
    out->push_back(s);
  }
}

// Calls `on_match` for every match, left to right, the way ALLMATCHES steps:
// after an empty match the next one may not be empty at the same place.
template <typename F>
bool ForEachMatch(Matcher& m, std::string_view subject, bool all, const CancelFlag* cancel, F&& on_match) {
  std::size_t from = 0;
  std::size_t not_empty_at = SIZE_MAX;
  bool any = false;
  while (from <= subject.size()) {
    if (!m.Search(subject, from, not_empty_at, cancel)) break;
    any = true;
    on_match();
    if (!all) break;
    const auto b = static_cast<std::size_t>(m.Start(0));
    const auto e = static_cast<std::size_t>(m.End(0));
    not_empty_at = b == e ? e : SIZE_MAX;
    from = e;
  }
  return any && !m.cancelled();
}

}  // namespace

bool Pattern::Match(std::string_view subject, MatchResult* result, const CancelFlag* cancel) const {
  if (result) result->clear();
  if (!program_) return false;
  const Program& prog = *program_;
  Matcher m(prog);
  const bool keep_all = (prog.options & ALLMATCHES) && (prog.options & KEEPGROUPS);
  MatchResult local;
  MatchResult* out = result ? result : &local;
  const bool found = ForEachMatch(m, subject, keep_all, cancel, [&] {
    if (result) AppendGroups(m, prog.capture_count, out);
  });
  if (!found && result) result->clear();
  return found;
}

std::size_t Pattern::Substitute(std::string& subject, std::size_t start, std::size_t length,
                                const CancelFlag* cancel) const {
  if (!program_ || start > subject.size()) return 0;
  const Program& prog = *program_;
  if (length > subject.size() - start) length = subject.size() - start;
  const std::string_view range(subject.data() + start, length);
  Matcher m(prog);
  std::string rebuilt;
  std::size_t copied = 0;  // bytes of `range` already in `rebuilt`
  std::size_t count = 0;
  std::vector<std::int64_t> spans(2 * static_cast<std::size_t>(prog.capture_count));
  const bool found = ForEachMatch(m, range, (prog.options & ALLMATCHES) != 0, cancel, [&] {
    if (count == 0) rebuilt.reserve(range.size() + range.size() / 8);
    const auto b = static_cast<std::size_t>(m.Start(0));
    rebuilt.append(range.substr(copied, b - copied));
    for (int g = 0; g < prog.capture_count; ++g) {
      spans[2 * static_cast<std::size_t>(g)] = m.Start(g);
      spans[2 * static_cast<std::size_t>(g) + 1] = m.End(g);
    }
    ExpandTemplate(prog.subst, range, MatchSpans{spans.data(), prog.capture_count}, &rebuilt);
    copied = static_cast<std::size_t>(m.End(0));
    ++count;
  });
  if (!found || count == 0) return 0;
  rebuilt.append(range.substr(copied));
  subject.replace(start, length, rebuilt);
  return count;
}

}  // namespace folian::regex
