// Generated tables of simple-font encodings (tools/gen_pdf_encodings.py),
// internal to the PDF reader; encodings.h is their interface.
#pragma once

#include <cstddef>

namespace folian::convert::pdf::detail {

// Code -> Unicode; 0 where the encoding has no glyph.
extern const char16_t kStandardEncoding[256];
extern const char16_t kWinAnsiEncoding[256];
extern const char16_t kMacRomanEncoding[256];
extern const char16_t kSymbolEncoding[256];        // the Symbol font's own
extern const char16_t kZapfDingbatsEncoding[256];  // the ZapfDingbats font's own

// Advance widths (thousandths of an em) of the standard text fonts, by
// character: font k's entries are kStandardWidths[kStandardWidthStart[k] ..
// kStandardWidthStart[k + 1]), sorted by character. Fonts in the order
// Helvetica, -Bold, -Oblique, -BoldOblique, Times-Roman, -Bold, -Italic,
// -BoldItalic.
struct StandardWidth {
  char16_t unicode;
  unsigned short width;
};
extern const StandardWidth kStandardWidths[];
extern const std::size_t kStandardWidthStart[];

// The ideograph each radical U+2E80..U+2FD5 stands for (0: none).
extern const char32_t kRadicals[0x2FD6 - 0x2E80];

// The Adobe Glyph List, sorted by name (byte order).
struct GlyphName {
  const char* name;
  char32_t unicode;
};
extern const GlyphName kGlyphNames[];
extern const std::size_t kGlyphNameCount;

}  // namespace folian::convert::pdf::detail
