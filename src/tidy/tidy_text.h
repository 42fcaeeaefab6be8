// The tidying pipeline: one document's text in, the tidied text out. Pure
// (no files); TidyFile (tidy_file.h) wraps it with loading and saving.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "tidy/ad_removal.h"
#include "tidy/layout.h"
#include "tidy/line_scanner.h"
#include "tidy/removal.h"
#include "tidy/rule_table.h"
#include "tidy/tidy_options.h"

namespace folian::tidy {

enum class AdEngine { kFast, kReference };

struct TidyParams {
  // Lines shorter than this end a paragraph; 0 or less means the default 44.
  int short_line = kDefaultShortLine;
  // Join lines by the layout of the text (ScanConfig::follow_layout), or by
  // the closing-punctuation and short-line rule alone.
  bool follow_layout = true;
  // Custom deletions (GBK), run when advertising removal is on.
  std::vector<std::string> custom;
  ProgressSink* progress = nullptr;
  const CancelFlag* cancel = nullptr;
  // A remover compiled from the same table, to share it between runs; when
  // null one is compiled for the call.
  const AdRemover* remover = nullptr;
  AdEngine engine = AdEngine::kFast;
  // The advertisement detector after the rule stages (only when advertising
  // removal is on); off to compare with the table alone.
  bool ad_detector = true;
  // When given, every removal is recorded here with its reason (the run
  // then takes the full-pass stages, with the same result).
  std::vector<Removal>* removals = nullptr;
};

// Tidies GBK text by `options` and `rules`; nullopt when cancelled. Throws
// regex::bad_regexpr when a table pattern does not compile.
std::optional<std::string> TidyText(std::string_view gbk, const TidyOptions& options,
                                    const RuleTable& rules, const TidyParams& params);
// The same, taking the text over: it is released once the line scan has
// made its working copy, so a large file is not held twice through the
// later stages.
std::optional<std::string> TidyText(std::string&& gbk, const TidyOptions& options,
                                    const RuleTable& rules, const TidyParams& params);

// True when the text (compared in lower case) names one of the table's
// novel sites, which makes the scanner fold letters and drop blanks.
bool HasSiteFragment(std::string_view gbk, const std::vector<std::string>& fragments);

// Replaces every "&#N;" (N decimal digits) by the GBK form of the character
// N mod 65536; characters GBK lacks (and N = 0) become "?".
std::string DecodeNumericEntities(std::string gbk);

}  // namespace folian::tidy
