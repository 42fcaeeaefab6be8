// Shared by both advertisement-removal implementations: the stage order with
// its status texts and progress positions, and the pattern flags.
#pragma once

#include <functional>
#include <string>

#include "regex/regex.h"
#include "tidy/ad_removal.h"

namespace folian::tidy::internal {

// Whole characters only: a pattern that ends on a lead byte would leave its
// trail byte behind and garble the rest of the line.
inline constexpr unsigned kAdPatternFlags = regex::IGNORECASE | regex::ALLMATCHES | regex::WHOLECHARS;

enum class Stage {
  kRestore,           // table stage 1
  kAdText,            // table stage 2
  kHtml,              // table stage 3
  kPunctuation,       // table stage 4
  kCustom,            // the custom list
  kPatterns,          // table stage 6
  kDuplicateTitles,   // the title list
  kClosing,           // table stage 8
};

// Announces each stage (status text, progress) and runs `run` for it; stops
// early and returns false when `run` does (cancelled).
bool DriveStages(const AdRunInput& in, const std::function<bool(Stage)>& run);

// Collapses doubled title lines as the duplicated-title stage does, every
// replacement a full pass (the reference). False when cancelled.
bool CollapseTitlesReference(std::string& text, const std::vector<std::string>& titles,
                             const CancelFlag* cancel, AdRowObserver* observer = nullptr);

}  // namespace folian::tidy::internal
