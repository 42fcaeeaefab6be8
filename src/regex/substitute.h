// Substitution templates: parsed once at compile time, expanded per match.
#pragma once

#include <string>
#include <string_view>
#include <vector>

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

}  // namespace folian::regex
