// What a tidy run removed and why, for `folian-cli tidy --explain` and the
// window's advertisement report. Collected only when asked for (the run then
// uses the full-pass advertisement stages, whose result is the same); the
// ordinary run keeps no record.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tidy/ad_detector.h"

namespace folian::tidy {

struct Removal {
  enum class Source {
    kFooterFilter,    // the line scanner dropped a site footer line
    kStageRow,        // a deletion row of the rule table (stages 1-4, 6, 8)
    kCustomRow,       // a line of "remove.txt" or of --remove
    kDuplicateTitle,  // a repeated chapter title
    kDetector,        // the advertisement detector
  };
  Source source = Source::kStageRow;
  int stage = 0;        // 1..8: the stage of a row
  std::size_t row = 0;  // the row's place within its stage, from 1
  std::string rule;     // the row's find string (GBK)
  std::string text;     // what went (GBK)
  std::string line;     // the line it stood in, as that stage saw it (GBK)
  DetectedAd detected;  // the detector's reasons (kDetector only)
};

}  // namespace folian::tidy
