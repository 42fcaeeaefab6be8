#include "app/gbk_display.h"

#include <array>
#include <memory>
#include <vector>

#include "charset/codepage.h"

namespace folian::app {
namespace {

constexpr char16_t kNone = 0;

bool IsMarker(char16_t c) { return c >= kByteMarkerBase && c <= kByteMarkerBase + 0xFF; }

// Decode and encode tables built from the code page once: a byte or pair is
// shown as a character only when that character encodes back to exactly it.
struct Tables {
  std::array<char16_t, 256> single{};          // kNone: not a character by itself
  std::vector<char16_t> pair;                  // (lead << 8 | trail) -> character, or kNone
  std::vector<std::uint16_t> encode;           // character -> byte (< 0x100) or pair
  std::vector<bool> encodable;

  Tables() : pair(65536, kNone), encode(65536, 0), encodable(65536, false) {
    for (int b = 0; b < 0x80; ++b) {
      single[static_cast<std::size_t>(b)] = static_cast<char16_t>(b);
      encode[static_cast<std::size_t>(b)] = static_cast<std::uint16_t>(b);
      encodable[static_cast<std::size_t>(b)] = true;
    }
    for (int b = 0x80; b < 0x100; ++b) {
      const std::string bytes(1, static_cast<char>(b));
      if (charset::IsLeadByte(charset::kGbk, static_cast<unsigned char>(b))) continue;
      Consider(bytes, static_cast<std::uint16_t>(b));
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
      for (int trail = 0x40; trail <= 0xFE; ++trail) {
        const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
        Consider(bytes, static_cast<std::uint16_t>(lead << 8 | trail));
      }
    }
    // Line breaks and the markers are handled by the converters themselves.
    encodable['\n'] = encodable['\r'] = false;
  }

  void Consider(const std::string& bytes, std::uint16_t code) {
    const std::u16string wide = charset::ToWide(charset::kGbk, bytes);
    if (wide.size() != 1) return;
    const char16_t c = wide[0];
    if (c < 0x80 || IsMarker(c) || (c >= 0xD800 && c <= 0xDFFF)) return;
    std::size_t defaulted = 0;
    if (charset::FromWide(charset::kGbk, wide, '?', &defaulted) != bytes || defaulted != 0) return;
    if (encodable[c]) return;  // a second spelling of a character: keep the first as bytes
    if (bytes.size() == 1) {
      single[static_cast<unsigned char>(bytes[0])] = c;
    } else {
      pair[code] = c;
    }
    encode[c] = code;
    encodable[c] = true;
  }
};

const Tables& T() {
  static const Tables tables;
  return tables;
}

}  // namespace

LineBreaks LineBreaksOf(std::string_view gbk) {
  if (gbk.find("\r\n") != std::string_view::npos) return LineBreaks::kCrLf;
  return gbk.find('\n') != std::string_view::npos ? LineBreaks::kLf : LineBreaks::kCrLf;
}

std::u16string GbkToDisplay(std::string_view gbk, LineBreaks breaks) {
  const Tables& t = T();
  std::u16string out;
  out.reserve(gbk.size());
  const std::size_t n = gbk.size();
  for (std::size_t i = 0; i < n;) {
    const unsigned char b = static_cast<unsigned char>(gbk[i]);
    if (b == '\r') {
      if (breaks == LineBreaks::kCrLf && i + 1 < n && gbk[i + 1] == '\n') {
        out += u'\n';
        i += 2;
      } else {
        out += static_cast<char16_t>(kByteMarkerBase + b);
        ++i;
      }
      continue;
    }
    if (b == '\n') {
      out += breaks == LineBreaks::kLf ? u'\n' : static_cast<char16_t>(kByteMarkerBase + b);
      ++i;
      continue;
    }
    if (b == 0) {
      out += static_cast<char16_t>(kByteMarkerBase);
      ++i;
      continue;
    }
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    if (i + 1 < n) {
      const char16_t c = t.pair[static_cast<std::size_t>(b << 8 | static_cast<unsigned char>(gbk[i + 1]))];
      if (c != kNone) {
        out += c;
        i += 2;
        continue;
      }
    }
    const char16_t s = t.single[b];
    out += s != kNone ? s : static_cast<char16_t>(kByteMarkerBase + b);
    ++i;
  }
  return out;
}

std::string DisplayToGbk(std::u16string_view display, LineBreaks breaks, std::size_t* unmappable) {
  const Tables& t = T();
  std::string out;
  out.reserve(display.size() * 2);
  std::size_t lost = 0;
  for (char16_t c : display) {
    if (c == u'\n') {
      out += breaks == LineBreaks::kCrLf ? "\r\n" : "\n";
    } else if (IsMarker(c)) {
      out += static_cast<char>(c - kByteMarkerBase);
    } else if (t.encodable[c]) {
      const std::uint16_t code = t.encode[c];
      if (code >= 0x100) out += static_cast<char>(code >> 8);
      out += static_cast<char>(code & 0xFF);
    } else if (c == u'\r') {
      out += '\r';  // typed or pasted CR: kept as the byte it is
    } else {
      out += '?';
      ++lost;
    }
  }
  if (unmappable != nullptr) *unmappable = lost;
  return out;
}

std::size_t GbkLength(char16_t c, LineBreaks breaks) {
  if (c == u'\n') return breaks == LineBreaks::kCrLf ? 2 : 1;
  if (IsMarker(c) || c == u'\r') return 1;
  const Tables& t = T();
  if (!t.encodable[c]) return 1;
  return t.encode[c] >= 0x100 ? 2 : 1;
}

std::size_t ByteOffsetOf(std::u16string_view display, std::size_t pos, LineBreaks breaks) {
  std::size_t bytes = 0;
  for (std::size_t i = 0; i < pos && i < display.size(); ++i) bytes += GbkLength(display[i], breaks);
  return bytes;
}

std::size_t DisplayOffsetOf(std::u16string_view display, std::size_t byte, LineBreaks breaks) {
  std::size_t bytes = 0, i = 0;
  while (i < display.size() && bytes < byte) bytes += GbkLength(display[i++], breaks);
  return i;
}

}  // namespace folian::app
