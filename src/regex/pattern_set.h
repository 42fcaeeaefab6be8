// A fixed list of substitution patterns run over a text one after another,
// the way the advertisement remover applies its pattern deletes. One pass over
// the text notes which byte pairs occur in it, so patterns whose literal
// parts are absent are skipped without searching.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "common/progress.h"
#include "regex/regex.h"

namespace folian::regex {

class PatternSet {
 public:
  PatternSet() = default;
  explicit PatternSet(std::vector<Pattern> patterns) : patterns_(std::move(patterns)) {}

  const std::vector<Pattern>& patterns() const { return patterns_; }

  // Same result as calling Substitute(text) of each pattern in order; returns
  // each pattern's replacement count. A set cancel flag stops between and
  // inside patterns; what was already replaced stays replaced.
  std::vector<std::size_t> SubstituteEach(std::string& text, const CancelFlag* cancel = nullptr) const;

 private:
  std::vector<Pattern> patterns_;
};

}  // namespace folian::regex
