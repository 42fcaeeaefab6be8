// What the RTF reader does with each control word it knows: the words that
// make text (paragraph and line ends, tabs, table cells, typographic
// symbols), the destinations whose content is not text, and the words that
// change how bytes are decoded (fonts, code pages, Unicode skipping).
// Every other word is formatting and is ignored.
//
// Tested through tests/convert/rtf_reader_test.cc.
#pragma once

#include <string_view>

namespace folian::convert::rtf {

enum class Action {
  kIgnore,
  kLineEnd,       // \par \line \sect \page
  kTab,           // \tab
  kCell,          // \cell \nestcell: a tab between cells
  kRow,           // \row \nestrow: the row's line end
  kChar,          // a typographic symbol: `unit`
  kNothing,       // a word standing for a character that is not text (\-, \zwj)
  kSkip,          // a destination whose content is not text
  kFontTable,     // \fonttbl
  kFootnote,      // \footnote: collected and placed after the text
  kObject,        // \object: skipped, but its \result is text
  kResult,        // \result
  kUpr,           // \upr: an ANSI text with a Unicode twin in \ud
  kUd,            // \ud
  kFont,          // \fN
  kDefaultFont,   // \deffN
  kCharset,       // \fcharsetN (in the font table)
  kFontCodePage,  // \cpgN (in the font table)
  kAnsiCodePage,  // \ansicpgN
  kAnsi,          // \ansi: code page 1252 unless \ansicpg says otherwise
  kMac,           // \mac
  kPc,            // \pc
  kPca,           // \pca
  kUnicode,       // \uN
  kUnicodeSkip,   // \ucN
  kHidden,        // \v, \v0
  kPlain,         // \plain: character formatting back to the defaults
};

struct WordAction {
  Action action = Action::kIgnore;
  char16_t unit = 0;  // for kChar
};

WordAction ActionOf(std::string_view word);

// The Windows code page of a font's \fcharset value; 0 when the charset
// means "the document's code page" (DEFAULT_CHARSET).
int CodePageOfCharset(int charset);

}  // namespace folian::convert::rtf
