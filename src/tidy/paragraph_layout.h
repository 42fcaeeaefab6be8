// How a hard-wrapped text marks its paragraphs: the line scanner asks, for
// every line, whether the paragraph ends after it. Each chapter (the lines
// between two titles) is judged on its own: its wrap width, whether the
// first lines of paragraphs are indented or set off by blank lines, and
// where indentation takes room from the first line. Text is GBK bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace folian::tidy {

// Flags of a raw line.
inline constexpr unsigned char kLineIndented = 1;     // starts with a blank, a tab or 　
inline constexpr unsigned char kLineBlankBefore = 2;  // a blank line separates it from the one before

// One non-empty line as the layout sees it.
struct LayoutLine {
  unsigned char flags = 0;
  unsigned char indent = 0;   // which indentation (0 none): lines indented alike share it
  std::uint32_t length = 0;   // characters of the trimmed line
  std::uint32_t columns = 0;  // its width in full-width characters (curly quotes half)
  std::uint32_t letters = 0;  // ASCII letters and digits in it
  bool closes = false;       // ends in a paragraph-closing character
  bool ends_clause = false;  // that, or ： ； ，
  bool no_start = false;     // starts with a mark no paragraph starts with (，。」…)
  bool opens = false;        // starts with an opening mark (“ 「 （ …)
  bool title = false;        // passes the title test
  bool heading = false;      // a title beyond doubt (第三章 …)
  bool quote_end = false;    // ends in a closing quote after a sentence's end (。」)
  bool stop_end = false;     // ends in 。 ！ ？ or …
  // Sentences that end inside the line (。 ！ ？ … and the quotes closing
  // after them, then more text), those with a closing quote apart.
  std::uint16_t inner_ends = 0, inner_quote_ends = 0;
};

// Describes a trimmed line; `title`: 0 no title, 1 passes the title test,
// 2 a title beyond doubt.
LayoutLine DescribeLine(std::string_view trimmed, unsigned char flags, int title);

// True when the line's last two bytes occur in the closing-punctuation
// string, or its last byte is one of the ASCII paragraph ends.
bool EndsInClosing(std::string_view line);

class ParagraphLayout {
 public:
  explicit ParagraphLayout(std::vector<LayoutLine> lines);

  // For line k: -1 when the layout does not decide (the closing-character
  // rule does), else 1 when the paragraph ends after it, 0 when it goes on.
  int Ends(std::size_t k) const;

  // True when line k sits between two lines of one wrapped paragraph that
  // would join without it, and looks dropped there (no wrapped line, and no
  // paragraph's plain last line either). Such a line is worth an
  // advertisement test before the paragraph is cut at it.
  bool BetweenWrappedLines(std::size_t k) const;

  // True when line k carries the mark its chapter gives the first lines of
  // paragraphs (indentation or a blank line before it): a paragraph starts
  // there whatever the line before ends with.
  bool StartsMarked(std::size_t k) const;

  // True when line k+2 would carry on the paragraph of line k were line k+1
  // not there.
  bool GoesOnPast(std::size_t k) const;

  // True when line k fills its chapter's wrap width: a wrap, not the
  // sentence, ended it.
  bool AtWrapWidth(std::size_t k) const;

  // The wrap width (characters) found around line k, 0 when not wrapped.
  std::uint32_t WidthAt(std::size_t k) const;

  // True when line k passed the title test but a wrap carries it on from
  // the line before: it is part of a paragraph, not a title.
  bool ContinuesPrevious(std::size_t k) const;

 private:
  struct Region {
    std::uint32_t first = 0, end = 0;  // its lines, titles excluded
    std::uint32_t width = 0;           // wrap width, 0 when not wrapped
    std::uint32_t slack = 0;           // how far short of it a wrapped line may stop
    bool by_indent = false, by_blank = false;
    bool strict = false;  // every paragraph start carries the mark
    // Lines keep the indentation of the line they wrap from, so a change of
    // indentation starts a paragraph.
    bool indent_runs = false;
    // A sentence that ends at the end of a full line ends its paragraph as
    // well: so many sentences of this chapter end one (after a closing
    // quote, and after a plain stop).
    bool quote_ends_paragraph = false, stop_ends_paragraph = false;
    bool long_lines = false;  // one paragraph per line, far longer than any wrap
  };

  void BuildRegions(bool headings_only);
  void Analyse(Region* r, std::uint32_t file_width);
  void IndentWidths(const Region& r);
  std::uint32_t Width(std::uint32_t first, std::uint32_t end, std::uint32_t given) const;
  bool Full(const Region& r, std::size_t k) const;
  bool Wide(const Region& r, const LayoutLine& l) const;
  int Decide(std::size_t k, std::size_t next) const;
  bool Marked(const Region& r, std::size_t k) const;
  bool NewIndent(const Region& r, std::size_t k, std::size_t before) const;
  void EndRates(Region* r) const;

  std::vector<LayoutLine> lines_;
  std::vector<Region> regions_;
  std::vector<std::uint32_t> region_of_;  // a title: the region after it
  std::vector<bool> continues_;
  std::vector<std::uint32_t> line_width_;  // the width line k wraps at, by its indentation
  std::vector<std::array<std::uint32_t, 13>> scratch_;  // IndentWidths' counts
};

}  // namespace folian::tidy
