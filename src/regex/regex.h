// The pattern engine: a byte-oriented, Perl-style backtracking regex dialect.
//
// Compile once, match or substitute many times. Patterns and subjects are
// byte strings (GBK text: a Chinese character is two bytes). A pattern that
// does not compile throws bad_regexpr carrying the dialect's message; a failed
// compile leaves the Pattern it was called on unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"

namespace folian::regex {

// Option bits, combined by or.
enum : unsigned {
  NOFLAGS = 0,
  IGNORECASE = 1,    // fold ASCII letters only
  ALLMATCHES = 2,    // every non-overlapping match (Match and Substitute)
  LINEANCHORS = 4,   // ^ and $ at line starts/ends
  DOTALL = 8,        // . also matches newline
  KEEPGROUPS = 128,  // with ALLMATCHES: keep each match's groups in the result
  FREESPACING = 512, // ignore blanks and #-comments in the pattern
  // Accept only matches that start and end where a GBK character starts (a
  // lead byte 81-FE with a valid trail byte is one character), counted from
  // the subject's first byte; the search moves on to the next character
  // start. Without it the dialect stays byte-based: "章" also matches the
  // trail byte of one character with the lead byte of the next, and a
  // replacement there corrupts the text.
  WHOLECHARS = 1024,
};

class bad_regexpr : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// One entry of a match result: a group's span in the subject.
struct Span {
  bool matched = false;
  std::ptrdiff_t start = -1;  // -1 when not matched
  std::size_t length = 0;
};

// Without KEEPGROUPS: one Span per group of the first match, group 0 first
// (ALLMATCHES alone only matters to Substitute).
// With ALLMATCHES|KEEPGROUPS: every match's whole match followed by its groups,
// GroupCount() entries per match.
using MatchResult = std::vector<Span>;

class Program;  // compiled form, internal

// The steps one Match, ForEachMatch or Substitute call may take when its
// caller passes `over_budget` (the callers running patterns a user typed; the
// program's own patterns run unbounded). A pattern that runs in time
// proportional to its subject needs a few steps a byte; one that backtracks
// catastrophically (`(a*)*b`, `(x+x+)+y`) needs exponentially or
// quadratically many and would run for hours. Past the budget the call
// stops as a cancelled one does (no match, nothing replaced) and sets
// `*over_budget`, for the caller to say so.
std::uint64_t MatchBudget(std::size_t subject_size);
inline constexpr char kOverBudgetMessage[] = "查找模式回溯过多，超过匹配步数上限，已停止（请简化模式）";

class Pattern {
 public:
  Pattern();
  ~Pattern();
  Pattern(const Pattern&);
  Pattern& operator=(const Pattern&);
  Pattern(Pattern&&) noexcept;
  Pattern& operator=(Pattern&&) noexcept;

  // Throw bad_regexpr on failure; *this is unchanged then.
  void Compile(std::string_view pattern, unsigned options = NOFLAGS);
  void Compile(std::string_view pattern, std::string_view substitution, unsigned options);

  static Pattern Compiled(std::string_view pattern, unsigned options = NOFLAGS) {
    Pattern p;
    p.Compile(pattern, options);
    return p;
  }
  static Pattern Compiled(std::string_view pattern, std::string_view substitution, unsigned options) {
    Pattern p;
    p.Compile(pattern, substitution, options);
    return p;
  }

  bool empty() const { return program_ == nullptr; }
  unsigned options() const;
  // Number of groups including group 0.
  int GroupCount() const;

  // True when anything matched; `result` (if given) receives the layout above.
  // A set cancel flag stops the search; it then reports no match.
  bool Match(std::string_view subject, MatchResult* result = nullptr,
             const CancelFlag* cancel = nullptr, bool* over_budget = nullptr) const;

  // Visits matches left to right as they are found, each as GroupCount()
  // spans (whole match first): every match with ALLMATCHES, else the first.
  // `visit` returns false to stop. Returns the number of matches visited; a
  // set cancel flag stops the search. Callers that show progress on a long
  // subject use it instead of collecting the whole result first.
  std::size_t ForEachMatch(std::string_view subject,
                           const std::function<bool(std::span<const Span>)>& visit,
                           const CancelFlag* cancel = nullptr, bool* over_budget = nullptr) const;

  // Replaces within [start, start+length) of `subject` using the compiled
  // substitution; every match with ALLMATCHES, else the first. Returns the
  // number of replacements. `subject` is rewritten in place.
  std::size_t Substitute(std::string& subject, std::size_t start = 0,
                         std::size_t length = std::string::npos,
                         const CancelFlag* cancel = nullptr, bool* over_budget = nullptr) const;

 private:
  friend class PatternSet;
  std::shared_ptr<const Program> program_;
};

}  // namespace folian::regex
