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
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace folian::tidy {

class MarkedStarts {
 public:
  // Records a scanned line that starts a marked paragraph.
  void Add(std::string_view line) { keys_.push_back(Key(line)); }
  // Whether `line` begins as a recorded line did. The first call after an
  // Add sorts what was recorded: one run asks from one thread.
  bool Holds(std::string_view line) const;

  // Records a paragraph the scanner ended at a line of full wrap width
  // without closing punctuation: the layout cut it there, not the sentence
  // (a line that went after it, or a mark on the line after that). Lines
  // are known by their last bytes.
  void AddOpenEnd(std::string_view paragraph) { ends_.push_back(TailKey(paragraph)); }
  // Whether `paragraph` ends as a recorded one did.
  bool EndsOpen(std::string_view paragraph) const;

  // Records that a paragraph the scanner ended open (as above) goes on in
  // the line after next, which begins as `line`: the line between was
  // dropped into it. Should a later stage take that line away, the two
  // join again.
  void AddBridge(std::string_view paragraph, std::string_view line) {
    bridges_.emplace_back(TailKey(paragraph), Key(line));
  }
  // Joins every line of `text` (CR LF breaks) to the next line of text
  // (blank lines between go too) where a bridge was recorded for the two.
  void JoinBridged(std::string* text) const;

 private:
  static std::uint64_t Key(std::string_view line);
  static std::uint64_t TailKey(std::string_view paragraph);
  static bool Find(std::vector<std::uint64_t>& keys, std::size_t& sorted, std::uint64_t key);
  // Recorded for every paragraph of a novel, asked of a few lines: sorted
  // only once asked.
  mutable std::vector<std::uint64_t> keys_;
  mutable std::size_t sorted_ = 0;
  mutable std::vector<std::uint64_t> ends_;
  mutable std::size_t ends_sorted_ = 0;
  std::vector<std::pair<std::uint64_t, std::uint64_t>> bridges_;  // tail, head
};

}  // namespace folian::tidy
