// The first lines of paragraphs that a hard-wrapped text marks as such
// (indented, or after a blank line, in a chapter that marks its paragraphs
// that way). The line scanner records them as it writes them; the stages
// after it ask, so that text removed from the end of the line before such a
// line never joins the two: the paragraph there ended by the layout, not
// by what was removed. Lines are known by their first bytes, as the scanner
// wrote them. Text is GBK bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace folian::tidy {

class MarkedStarts {
 public:
  // Records a scanned line that starts a marked paragraph.
  void Add(std::string_view line) { keys_.push_back(Key(line)); }
  // Whether `line` begins as a recorded line did. The first call after an
  // Add sorts what was recorded: one run asks from one thread.
  bool Holds(std::string_view line) const;

 private:
  static std::uint64_t Key(std::string_view line);
  // Recorded for every paragraph of a novel, asked of a few lines: sorted
  // only once asked.
  mutable std::vector<std::uint64_t> keys_;
  mutable std::size_t sorted_ = 0;
};

}  // namespace folian::tidy
