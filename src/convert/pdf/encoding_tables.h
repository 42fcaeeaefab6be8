// Generated tables of simple-font encodings (tools/gen_pdf_encodings.py),
// internal to the PDF reader; encodings.h is their interface.
#pragma once

#include <cstddef>

namespace folian::convert::pdf::detail {

// Code -> Unicode; 0 where the encoding has no glyph.
extern const char16_t kStandardEncoding[256];
extern const char16_t kWinAnsiEncoding[256];
extern const char16_t kMacRomanEncoding[256];

// The Adobe Glyph List, sorted by name (byte order).
struct GlyphName {
  const char* name;
  char32_t unicode;
};
extern const GlyphName kGlyphNames[];
extern const std::size_t kGlyphNameCount;

}  // namespace folian::convert::pdf::detail
