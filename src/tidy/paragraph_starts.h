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
#include <unordered_set>

namespace folian::tidy {

class MarkedStarts {
 public:
  // Records a scanned line that starts a marked paragraph.
  void Add(std::string_view line);
  // Whether `line` begins as a recorded line did.
  bool Holds(std::string_view line) const;
  std::size_t size() const { return keys_.size(); }

 private:
  std::unordered_set<std::uint64_t> keys_;
};

}  // namespace folian::tidy
