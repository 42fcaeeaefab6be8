// Characters as the advertisement detector sees them: GBK text cut into
// characters, each with a class (Han character, letter or digit of any
// alphabet, story punctuation, blank, ...) and a folded form (traditional
// characters made simplified, full-width letters and digits made ASCII,
// letters lower case), so that one word list matches every spelling.
//
// The table behind it covers every GBK code and is built once, on first use,
// from the code-page tables and the traditional-to-simplified mapping of the
// script converter; without that mapping (OpenCC data missing) characters
// fold to themselves and traditional spellings go unmatched.
//
// Tested by tests/tidy/ad_detector_test.cc.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace folian::tidy::detector {

enum GlyphClass : std::uint16_t {
  kCjk = 1u << 0,          // a Han character
  kLatin = 1u << 1,        // a letter or digit of any alphabet (ASCII, full-width,
                           // Greek, Cyrillic, kana, pinyin, circled digits)
  kLetter = 1u << 2,       // kLatin but not a digit
  kLookalike = 1u << 3,    // Greek or Cyrillic: hosts spelt with look-alike letters
  kStoryPunct = 1u << 4,   // ，。、；：？！“”‘’…—（）《》「」『』·～
  kBlank = 1u << 5,        // ASCII blank, tab, full-width blank
  kClauseEnd = 1u << 6,    // ，。！？；：…
  kClauseTail = 1u << 7,   // what a clause end takes along: ”’」』）)
  kSentenceEnd = 1u << 8,  // 。！？!?
  kQuoteOpen = 1u << 9,    // “「
  kQuoteClose = 1u << 10,  // ”」
  kQuote = 1u << 11,       // “”「」‘’: never swallowed at an advertisement's edge
  kPause = 1u << 12,       // …— and quotes: a line of them alone is story, not residue
  kOpenBracket = 1u << 13, // opens a bracket pair (ClosingBracket knows its partner)
  kCloseBracket = 1u << 14,// closes one
  kSimplified = 1u << 15,  // a simplified form the traditional script writes
                           // otherwise (亲 for 親); a traditional form is a
                           // Han character whose `fold` differs from it
};

struct Glyph {
  std::uint16_t cls = 0;
  std::uint16_t fold = 0;  // ASCII byte or GBK code
};

// One character of a line: `code` is an ASCII byte or a GBK double-byte
// code (lead << 8 | trail); a stray high byte stands alone.
struct Unit {
  // Left unset: SplitUnits writes every field, and growing a vector of
  // units then costs nothing per unit.
  Unit() {}  // NOLINT(modernize-use-equals-default)

  std::uint32_t off;  // byte offset in the line
  std::uint16_t code;
  std::uint16_t fold;
  std::uint16_t cls;
  std::uint8_t len;

  bool Is(std::uint16_t c) const { return (cls & c) != 0; }
  // Anything but a Han character or story punctuation: what junk between
  // the characters of a deformed name consists of (blanks and letters too).
  bool Separator() const { return (cls & (kCjk | kStoryPunct)) == 0; }
  // A separator that is not a letter, digit or blank: a symbol.
  bool Junk() const { return (cls & (kCjk | kStoryPunct | kLatin | kBlank)) == 0; }
};

const Glyph& GlyphOf(std::uint16_t code);
// All 65536 glyphs, indexed by code (for loops that look up every character).
const Glyph* GlyphTable();

// What a line holds, gathered while cutting it.
struct LineSummary {
  std::uint16_t classes = 0;  // every class some character has
  bool symbols = false;       // some character is a symbol (Unit::Junk)
  int han = 0;                // Han characters
};

// Cuts `line` into characters; `out` is cleared first (its capacity kept).
// With `starts` (a bit per folded code) the indices of the characters whose
// bit is set are put into `candidates`: where a word can start.
LineSummary SplitUnits(std::string_view line, std::vector<Unit>* out,
                       const std::uint64_t* starts = nullptr,
                       std::vector<std::uint32_t>* candidates = nullptr);

// The closing partner of a bracket (【 → 】, ( → ), ...), 0 when `code` opens none.
std::uint16_t ClosingBracket(std::uint16_t code);

// A character by its UTF-8 spelling, as a code (for constants in the code).
std::uint16_t CodeOf(std::string_view utf8_char);

}  // namespace folian::tidy::detector
