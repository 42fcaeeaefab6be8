// Helpers shared by the pattern engine tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "regex/regex.h"

namespace folian::regex::testing {

// "start:length" per entry, "-" for an unmatched group; "NOMATCH" when none.
inline std::string Describe(std::string_view pattern, std::string_view subject, unsigned options = 0) {
  Pattern p;
  p.Compile(pattern, options);
  MatchResult r;
  if (!p.Match(subject, &r)) return "NOMATCH";
  std::string out;
  for (const Span& s : r) {
    if (!out.empty()) out += ' ';
    out += s.matched ? std::to_string(s.start) + ":" + std::to_string(s.length) : "-";
  }
  return out;
}

inline std::string Subst(std::string_view pattern, std::string_view tmpl, std::string subject, unsigned options,
                         std::size_t* count = nullptr) {
  Pattern p;
  p.Compile(pattern, tmpl, options);
  const std::size_t n = p.Substitute(subject);
  if (count) *count = n;
  return subject;
}

// The message a compile fails with, or "" when it compiles.
inline std::string CompileError(std::string_view pattern, unsigned options = 0) {
  try {
    Pattern p;
    p.Compile(pattern, options);
  } catch (const bad_regexpr& e) {
    return e.what();
  }
  return "";
}

inline std::string TemplateError(std::string_view pattern, std::string_view tmpl) {
  try {
    Pattern p;
    p.Compile(pattern, tmpl, 0);
  } catch (const bad_regexpr& e) {
    return e.what();
  }
  return "";
}

}  // namespace folian::regex::testing
