#include "convert/html/entities.h"

#include <cstdint>

#include "charset/cp1252.h"

namespace folian::convert::html {
namespace {

struct Named {
  std::string_view name;  // between "&" and ";"
  std::string_view utf8;
};

// The first seven in this order are the program's own table ("&nbsp;" is a
// plain blank, so indents made of it survive as blanks; the two symbols are
// spelled out in words). The rest are what novel pages use for punctuation.
constexpr Named kNamed[] = {
    {"nbsp", " "},
    {"lt", "<"},
    {"gt", ">"},
    {"quot", "\""},
    {"amp", "&"},
    {"copy", "◎版权"},
    {"reg", "◎注册"},
    {"apos", "'"},
    {"hellip", "…"},
    {"mdash", "—"},
    {"ndash", "–"},
    {"ldquo", "“"},
    {"rdquo", "”"},
    {"lsquo", "‘"},
    {"rsquo", "’"},
    {"sbquo", "‚"},
    {"bdquo", "„"},
    {"laquo", "«"},
    {"raquo", "»"},
    {"lsaquo", "‹"},
    {"rsaquo", "›"},
    {"middot", "·"},
    {"bull", "•"},
    {"emsp", "\xE3\x80\x80"},  // an ideographic blank, the width of one Chinese character
    {"ensp", " "},
    {"thinsp", " "},
    {"zwnj", ""},
    {"zwj", ""},
    {"shy", ""},
    {"times", "×"},
    {"divide", "÷"},
    {"deg", "°"},
    {"plusmn", "±"},
    {"sect", "§"},
    {"para", "¶"},
    {"dagger", "†"},
    {"Dagger", "‡"},
    {"permil", "‰"},
    {"prime", "′"},
    {"Prime", "″"},
    {"trade", "™"},
    {"euro", "€"},
    {"yen", "¥"},
    {"pound", "£"},
    {"cent", "¢"},
    {"iexcl", "¡"},
    {"iquest", "¿"},
    {"larr", "←"},
    {"rarr", "→"},
    {"uarr", "↑"},
    {"darr", "↓"},
    {"hearts", "♥"},
    {"star", "☆"},
    {"frac12", "½"},
    {"frac14", "¼"},
    {"frac34", "¾"},
    {"sup1", "¹"},
    {"sup2", "²"},
    {"sup3", "³"},
    {"micro", "µ"},
    {"agrave", "à"},
    {"aacute", "á"},
    {"acirc", "â"},
    {"auml", "ä"},
    {"ccedil", "ç"},
    {"egrave", "è"},
    {"eacute", "é"},
    {"ecirc", "ê"},
    {"euml", "ë"},
    {"iacute", "í"},
    {"icirc", "î"},
    {"iuml", "ï"},
    {"ntilde", "ñ"},
    {"oacute", "ó"},
    {"ocirc", "ô"},
    {"ouml", "ö"},
    {"uacute", "ú"},
    {"ucirc", "û"},
    {"uuml", "ü"},
    {"szlig", "ß"},
    {"Eacute", "É"},
    {"Auml", "Ä"},
    {"Ouml", "Ö"},
    {"Uuml", "Ü"},
};

// Longest name in the table, and the digits a numeric reference may have
// (U+10FFFF is 7 decimal digits; leading zeros beyond this are not a page's).
constexpr std::size_t kMaxNameLength = 8;
constexpr std::size_t kMaxDigits = 10;

bool IsAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

int DigitValue(char c, bool hex) {
  if (c >= '0' && c <= '9') return c - '0';
  if (!hex) return -1;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Reference Numeric(std::string_view at) {
  // at = "&#..."
  std::size_t i = 2;
  bool hex = false;
  if (i < at.size() && (at[i] == 'x' || at[i] == 'X')) {
    hex = true;
    ++i;
  }
  const std::size_t first = i;
  std::uint64_t value = 0;
  while (i < at.size() && i - first < kMaxDigits) {
    const int d = DigitValue(at[i], hex);
    if (d < 0) break;
    value = value * (hex ? 16 : 10) + static_cast<unsigned>(d);
    ++i;
  }
  if (i == first) return {};
  if (i < at.size() && DigitValue(at[i], hex) >= 0) return {};  // too many digits
  if (i < at.size() && at[i] == ';') ++i;
  if (value >= 0x80 && value < 0xA0) value = charset::Cp1252ToUnicode(static_cast<unsigned char>(value));
  if (value == 0xA0) value = ' ';  // a no-break space is a blank, as "&nbsp;" is
  const bool control = value < 0x20 && value != '\t' && value != '\n';
  if (value == 0 || control || value == 0x7F || (value >= 0xD800 && value <= 0xDFFF) ||
      value > 0x10FFFF) {
    return {};
  }
  Reference r;
  r.length = i;
  r.code_point = static_cast<char32_t>(value);
  return r;
}

}  // namespace

Reference MatchReference(std::string_view at) {
  if (at.size() < 2 || at[0] != '&') return {};
  if (at[1] == '#') return Numeric(at);
  std::size_t end = 1;
  while (end < at.size() && end - 1 <= kMaxNameLength && IsAlnum(at[end])) ++end;
  if (end >= at.size() || at[end] != ';') return {};
  const std::string_view name = at.substr(1, end - 1);
  for (const Named& n : kNamed) {
    if (n.name == name) {
      Reference r;
      r.length = end + 1;
      r.named = true;
      r.utf8 = n.utf8;
      return r;
    }
  }
  return {};
}

}  // namespace folian::convert::html
