// Substitution templates: parsed once at compile time, expanded per match.
#pragma once

#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "regex/program.h"

namespace folian::regex {

// Throws bad_regexpr for a template ending in a lone backslash or naming a
// group the pattern does not have. `groups` counts capturing groups only.
std::vector<TemplatePiece> ParseTemplate(std::string_view tmpl, int groups);

// Where one match lies in the subject, for expanding a template.
struct MatchSpans {
  const std::int64_t* starts;  // group k at starts[2k], end at starts[2k+1]
  int group_count;             // including the whole match
};

// Appends the expansion of `pieces` for the match to `out`.
void ExpandTemplate(const std::vector<TemplatePiece>& pieces, std::string_view subject,
                    const MatchSpans& match, std::string* out);

// Substitutes `prog`'s template in subject[start, start+length): every match
// with ALLMATCHES, else the first. The output is built once. When `inserted`
// is given it receives where each replacement text lies in the new subject.
// `scratch`, when given, lends its buffer for the output and gets the old
// subject's buffer back, so a caller substituting repeatedly allocates once.
// Cancelled, or past the match budget (then `*over_budget` is set): the
// subject is left alone and 0 returned.
std::size_t SubstituteRange(const Program& prog, std::string& subject, std::size_t start, std::size_t length,
                            const CancelFlag* cancel,
                            std::vector<std::pair<std::size_t, std::size_t>>* inserted = nullptr,
                            std::string* scratch = nullptr, bool* over_budget = nullptr);

}  // namespace folian::regex
