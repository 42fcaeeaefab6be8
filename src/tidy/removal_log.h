// Collects the Removal records of a tidy run (tidy/removal.h): the line
// scanner's dropped footer lines, every deletion a row of the rule stages
// makes, and the detector's findings. Internal to the pipeline.
#pragma once

#include <string_view>
#include <vector>

#include "tidy/ad_removal.h"
#include "tidy/line_scanner.h"
#include "tidy/removal.h"

namespace folian::tidy::internal {

// Records the deletions rows make (rows whose replacement is empty, pattern
// deletes, custom lines, repeated titles); restorations are not removals.
class RemovalLog : public AdRowObserver {
 public:
  explicit RemovalLog(std::vector<Removal>* out) : out_(out) {}
  void BeforeRow(int stage, std::size_t row, const Rule& rule, std::string_view text) override;

 private:
  void Add(Removal::Source source, int stage, std::size_t row, const Rule& rule, std::string_view text,
           std::size_t at, std::size_t len);
  std::vector<Removal>* out_;
};

// The lines of `text` the scanner's footer filter drops under `config`,
// found by scanning each line on its own.
void LogFooterDrops(std::string_view text, const ScanConfig& config, std::vector<Removal>* out);

// The detector's findings as records.
void LogDetected(std::vector<DetectedAd> found, std::vector<Removal>* out);

}  // namespace folian::tidy::internal
