#include "regex/regex.h"

#include "regex/compiler.h"
#include "regex/matcher.h"
#include "regex/parser.h"
#include "regex/substitute.h"

namespace folian::regex {

namespace {
// 2^27 steps take a second or two; they let a quadratic pattern finish on
// a subject of a few thousand bytes. Eight a byte leave room for the
// heaviest patterns that run in time proportional to their subject.
constexpr std::uint64_t kMatchBudgetBase = std::uint64_t{1} << 27;
constexpr std::uint64_t kMatchBudgetPerByte = 8;
}  // namespace

std::uint64_t MatchBudget(std::size_t subject_size) {
  return kMatchBudgetBase + kMatchBudgetPerByte * static_cast<std::uint64_t>(subject_size);
}

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

}  // namespace

bool Pattern::Match(std::string_view subject, MatchResult* result, const CancelFlag* cancel,
                    bool* over_budget) const {
  if (result) result->clear();
  if (over_budget) *over_budget = false;
  if (!program_) return false;
  const Program& prog = *program_;
  Matcher m(prog);
  if (over_budget) m.SetBudget(MatchBudget(subject.size()));
  MatchIterator it(m, subject, cancel);
  const bool keep_all = (prog.options & ALLMATCHES) && (prog.options & KEEPGROUPS);
  bool any = false;
  while (it.Next()) {
    any = true;
    if (result) AppendGroups(m, prog.capture_count, result);
    if (!keep_all) break;
  }
  if (over_budget) *over_budget = m.over_budget();
  if (m.cancelled()) {
    if (result) result->clear();
    return false;
  }
  return any;
}

std::size_t Pattern::ForEachMatch(std::string_view subject,
                                  const std::function<bool(std::span<const Span>)>& visit,
                                  const CancelFlag* cancel, bool* over_budget) const {
  if (over_budget) *over_budget = false;
  if (!program_) return 0;
  const Program& prog = *program_;
  Matcher m(prog);
  if (over_budget) m.SetBudget(MatchBudget(subject.size()));
  MatchIterator it(m, subject, cancel);
  MatchResult groups;
  std::size_t visited = 0;
  // The matcher looks at the flag only now and then; a visitor that stops a
  // long job wants the stop seen before the next match is handed over.
  while (!Cancelled(cancel) && it.Next() && !Cancelled(cancel)) {
    groups.clear();
    AppendGroups(m, prog.capture_count, &groups);
    ++visited;
    if (!visit(groups) || !(prog.options & ALLMATCHES)) break;
  }
  if (over_budget) *over_budget = m.over_budget();
  return visited;
}

std::size_t Pattern::Substitute(std::string& subject, std::size_t start, std::size_t length,
                                const CancelFlag* cancel, bool* over_budget) const {
  if (over_budget) *over_budget = false;
  if (!program_) return 0;
  // One spare buffer per thread: repeated substitutions over a large text
  // then reuse memory instead of faulting in a fresh output every time.
  // Only for large texts, and only a buffer of about their size, so a small
  // string never walks away holding a huge one.
  thread_local std::string spare;
  const bool lend = subject.size() >= (std::size_t{1} << 20) && spare.capacity() <= 2 * subject.size();
  const std::size_t n = SubstituteRange(*program_, subject, start, length, cancel, nullptr, lend ? &spare : nullptr,
                                          over_budget);
  if (spare.capacity() > (std::size_t{256} << 20)) std::string().swap(spare);
  return n;
}

}  // namespace folian::regex
