#include "convert/pdf/encodings.h"

#include <algorithm>
#include <cstring>

#include "convert/pdf/encoding_tables.h"

namespace folian::convert::pdf {
namespace {

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ParseHex(std::string_view s, char32_t* cp) {
  if (s.empty() || s.size() > 6) return false;
  char32_t v = 0;
  for (const char c : s) {
    const int h = Hex(c);
    if (h < 0) return false;
    v = v * 16 + static_cast<char32_t>(h);
  }
  *cp = v;
  return true;
}

bool ValidScalar(char32_t cp) { return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF); }

bool FromGlyphList(std::string_view name, char32_t* cp) {
  const detail::GlyphName* begin = detail::kGlyphNames;
  const detail::GlyphName* end = begin + detail::kGlyphNameCount;
  const auto* it = std::lower_bound(begin, end, name, [](const detail::GlyphName& g, std::string_view n) {
    return std::string_view(g.name) < n;
  });
  if (it == end || std::string_view(it->name) != name) return false;
  *cp = it->unicode;
  return true;
}

// One component of a glyph name (no '_' or '.').
bool ComponentToUnicode(std::string_view c, std::u16string* out) {
  char32_t cp = 0;
  if (FromGlyphList(c, &cp)) {
    AppendUtf16(cp, out);
    return true;
  }
  if (c.size() >= 7 && c.substr(0, 3) == "uni" && (c.size() - 3) % 4 == 0) {
    std::u16string units;
    for (std::size_t i = 3; i < c.size(); i += 4) {
      if (!ParseHex(c.substr(i, 4), &cp) || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
      units.push_back(static_cast<char16_t>(cp));
    }
    out->append(units);
    return true;
  }
  if (c.size() >= 5 && c.size() <= 7 && c[0] == 'u' && ParseHex(c.substr(1), &cp) && ValidScalar(cp)) {
    AppendUtf16(cp, out);
    return true;
  }
  return false;
}

}  // namespace

StandardFont StandardFontByName(std::string_view name) {
  if (name.size() > 7 && name[6] == '+') name.remove_prefix(7);
  auto has = [&](std::string_view part) { return name.find(part) != std::string_view::npos; };
  const bool bold = has("Bold") || has("Black") || has("Heavy");
  const bool italic = has("Italic") || has("Oblique");
  if (has("Symbol")) return StandardFont::kSymbol;
  if (has("Dingbats")) return StandardFont::kZapfDingbats;
  if (has("Courier")) return StandardFont::kCourier;
  if (has("Helvetica") || has("Arial")) {
    return bold ? (italic ? StandardFont::kHelveticaBoldOblique : StandardFont::kHelveticaBold)
                : (italic ? StandardFont::kHelveticaOblique : StandardFont::kHelvetica);
  }
  if (has("Times")) {
    return bold ? (italic ? StandardFont::kTimesBoldItalic : StandardFont::kTimesBold)
                : (italic ? StandardFont::kTimesItalic : StandardFont::kTimesRoman);
  }
  return StandardFont::kNone;
}

bool StandardFontWidth(StandardFont font, char16_t c, double* width) {
  if (font == StandardFont::kCourier) {
    *width = 600;
    return true;
  }
  const int k = static_cast<int>(font);
  if (k < 0 || k > static_cast<int>(StandardFont::kTimesBoldItalic)) return false;
  const detail::StandardWidth* begin = detail::kStandardWidths + detail::kStandardWidthStart[k];
  const detail::StandardWidth* end = detail::kStandardWidths + detail::kStandardWidthStart[k + 1];
  const auto* it = std::lower_bound(begin, end, c, [](const detail::StandardWidth& w, char16_t x) {
    return w.unicode < x;
  });
  if (it == end || it->unicode != c) return false;
  *width = it->width;
  return true;
}

BaseEncoding BaseEncodingByName(std::string_view name) {
  if (name == "StandardEncoding") return BaseEncoding::kStandard;
  if (name == "WinAnsiEncoding") return BaseEncoding::kWinAnsi;
  if (name == "MacRomanEncoding") return BaseEncoding::kMacRoman;
  return BaseEncoding::kNone;
}

char16_t BaseEncodingUnicode(BaseEncoding encoding, unsigned char code) {
  switch (encoding) {
    case BaseEncoding::kStandard: return detail::kStandardEncoding[code];
    case BaseEncoding::kWinAnsi: return detail::kWinAnsiEncoding[code];
    case BaseEncoding::kMacRoman: return detail::kMacRomanEncoding[code];
    case BaseEncoding::kSymbol: return detail::kSymbolEncoding[code];
    case BaseEncoding::kZapfDingbats: return detail::kZapfDingbatsEncoding[code];
    case BaseEncoding::kNone: break;
  }
  return 0;
}

void AppendUtf16(char32_t cp, std::u16string* out) {
  if (cp >= 0x10000 && cp <= 0x10FFFF) {
    cp -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char16_t>(cp));
  }
}

bool GlyphNameToUnicode(std::string_view name, std::u16string* out) {
  if (name.empty() || name == ".notdef") return false;
  // Suffixes select a variant of the same character ("a.sc", "one.osf").
  const std::size_t dot = name.find('.');
  if (dot == 0) return false;
  const std::string_view base = dot == std::string_view::npos ? name : name.substr(0, dot);
  std::u16string text;
  std::size_t start = 0;
  for (;;) {
    const std::size_t us = base.find('_', start);
    const std::string_view part = base.substr(start, us == std::string_view::npos ? us : us - start);
    if (part.empty() || !ComponentToUnicode(part, &text)) return false;
    if (us == std::string_view::npos) break;
    start = us + 1;
  }
  out->append(text);
  return true;
}

}  // namespace folian::convert::pdf
