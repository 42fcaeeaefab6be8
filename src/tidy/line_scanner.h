// The line scanner: the inner loop of a tidy run. It splits the text into
// lines (dropping blank ones), rewrites each line's characters by the Tidy
// options, recognises chapter titles, drops advertising footer lines and
// joins hard-wrapped lines back into paragraphs. Text is GBK bytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"
#include "tidy/ad_detector.h"
#include "tidy/paragraph_starts.h"

namespace folian::tidy {

inline constexpr std::size_t kMaxTitles = 4096;
inline constexpr int kDefaultShortLine = 44;

struct ScanConfig {
  int num_convert = 2;    // 1 full-width, 2 half-width, 3 unchanged
  int char_convert = 2;
  int punc_convert = 3;
  bool has_adver = true;  // footer filter on
  bool split_at_fullstop = false;
  bool site_flag = false;  // fold full-width letters to lower case, drop blanks
  int short_line = kDefaultShortLine;  // lines shorter than this end a paragraph
  std::string_view footer_token;       // five letters, matched in any case
  std::string_view footer_site_name;   // GBK
  // Follow indentation or blank lines where a hard-wrapped text marks its
  // paragraphs with them (mixed with unmarked continuation lines), and the
  // wrap width (in characters) where it marks none, instead of ending a
  // paragraph at every wrapped line that ends in closing punctuation. Each
  // chapter (the lines between two titles) is judged on its own. Texts that
  // are not wrapped are joined by the closing-character rule alone.
  bool follow_layout = true;
  // Following the layout: a line dropped between two lines of one wrapped
  // paragraph (short or too wide, and ending no sentence, or holding letters
  // or digits) is put to the advertisement detector with the lines around
  // it; when it is advertising it goes, and the paragraph stays whole
  // instead of ending at it. Each line that went is appended to
  // `dropped_ads` when that is set.
  bool drop_ads_between_wrapped_lines = false;
  std::vector<DetectedAd>* dropped_ads = nullptr;
  // Following the layout: the lines that start a paragraph by their
  // chapter's mark go here when it is set.
  MarkedStarts* marked_starts = nullptr;
  // Progress: every `progress_step` lines the position moves to 7k+5
  // (k = 1, 2, …); 0 disables it.
  std::size_t progress_step = 0;
  ProgressSink* progress = nullptr;
};

// Scans `text` and appends the tidied text to `*out`; chapter titles (at most
// kMaxTitles) are appended to `*titles`.
void ScanLines(std::string_view text, const ScanConfig& config, std::string* out,
               std::vector<std::string>* titles);

// The title test on one rewritten line (exposed for the tests).
bool IsTitleLine(std::string_view line);

// A title beyond doubt: the line starts with 第, a number and a unit (章,
// 回, 卷, …) or with one of the title words. Other lines that pass the title
// test may be wrapped story text.
bool IsChapterHeading(std::string_view line);

// Number of lines an editor would show for `text` (line breaks + 1), the
// basis of the progress step.
std::size_t EditorLineCount(std::string_view text);

}  // namespace folian::tidy
