// What the codes of a simple (one byte per glyph) font mean: the base
// encodings a font names (Standard, WinAnsi, MacRoman) and glyph names, as
// /Differences arrays list them, turned into Unicode.
#pragma once

#include <string>
#include <string_view>

namespace folian::convert::pdf {

enum class BaseEncoding { kNone, kStandard, kWinAnsi, kMacRoman };

// The encoding called `name` (e.g. "WinAnsiEncoding"); kNone when unknown.
BaseEncoding BaseEncodingByName(std::string_view name);

// Code -> Unicode of `encoding`; 0 where it has no glyph (and for kNone).
char16_t BaseEncodingUnicode(BaseEncoding encoding, unsigned char code);

// Appends the text of glyph `name` to `*out`: Adobe Glyph List names,
// "uniXXXX[XXXX...]", "uXXXX[XX]", ligature names joined by '_', and names
// with a ".suffix" (small caps, old style figures). False when the name
// means nothing (".notdef", "g123", "cid456", unknown names); `*out` is then
// unchanged.
bool GlyphNameToUnicode(std::string_view name, std::u16string* out);

// Appends code point `cp` to UTF-16 text (a pair above U+FFFF).
void AppendUtf16(char32_t cp, std::u16string* out);

}  // namespace folian::convert::pdf
