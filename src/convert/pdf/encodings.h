// What the codes of a simple (one byte per glyph) font mean: the base
// encodings a font names (Standard, WinAnsi, MacRoman) and glyph names, as
// /Differences arrays list them, turned into Unicode.
#pragma once

#include <string>
#include <string_view>

namespace folian::convert::pdf {

enum class BaseEncoding { kNone, kStandard, kWinAnsi, kMacRoman, kSymbol, kZapfDingbats };

// The encoding called `name` (e.g. "WinAnsiEncoding"); kNone when unknown.
BaseEncoding BaseEncodingByName(std::string_view name);

// Code -> Unicode of `encoding`; 0 where it has no glyph (and for kNone).
char16_t BaseEncodingUnicode(BaseEncoding encoding, unsigned char code);

// The standard font a /BaseFont names, ignoring a subset prefix
// ("ABCDEF+") and the usual aliases (Arial for Helvetica, Times New Roman
// for Times, Courier New for Courier).
enum class StandardFont {
  kNone = -1,
  kHelvetica, kHelveticaBold, kHelveticaOblique, kHelveticaBoldOblique,
  kTimesRoman, kTimesBold, kTimesItalic, kTimesBoldItalic,
  kCourier, kSymbol, kZapfDingbats,
};
StandardFont StandardFontByName(std::string_view base_font);

// The advance of `c` in standard font `font`, in thousandths of an em;
// false when the font's metrics do not list it (Symbol, ZapfDingbats, or a
// character the font lacks).
bool StandardFontWidth(StandardFont font, char16_t c, double* width);

// Appends the text of glyph `name` to `*out`: Adobe Glyph List names,
// "uniXXXX[XXXX...]", "uXXXX[XX]", ligature names joined by '_', and names
// with a ".suffix" (small caps, old style figures). False when the name
// means nothing (".notdef", "g123", "cid456", unknown names); `*out` is then
// unchanged.
bool GlyphNameToUnicode(std::string_view name, std::u16string* out);

// Appends code point `cp` to UTF-16 text (a pair above U+FFFF).
void AppendUtf16(char32_t cp, std::u16string* out);

}  // namespace folian::convert::pdf
