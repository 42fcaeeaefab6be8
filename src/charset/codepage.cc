#include "charset/codepage.h"

#include <stdexcept>

#include "charset/dbcs_codec.h"
#include "charset/utf8_decode.h"

namespace folian::charset {
namespace {

const detail::DbcsCodec* DbcsFor(int codepage) {
  if (codepage == kGbk) return &detail::Gbk();
  if (codepage == kBig5) return &detail::Big5();
  return nullptr;
}

[[noreturn]] void Unsupported(int codepage) {
  throw std::invalid_argument("unsupported code page " + std::to_string(codepage));
}

void Utf8ToWide(std::string_view bytes, std::u16string& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  out.resize(n);  // one unit per byte at most (4 bytes -> 2 units)
  char16_t* o = out.data();
  std::size_t i = 0;
  while (i < n) {
    char32_t cp = detail::NextUtf8(p, n, i);
    if (cp < 0x10000) {
      *o++ = static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
}

// Standard UTF-8: a surrogate pair is one 4-byte character; an unpaired half
// cannot be represented and becomes U+FFFD, as the platform's conversion does.
void WideToUtf8(std::u16string_view text, std::string& out, std::size_t* defaulted) {
  out.clear();
  out.reserve(text.size() * 3);
  std::size_t missed = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char32_t u = text[i];
    if (u >= 0xD800 && u < 0xE000) {
      if (u < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
        u = 0x10000 + ((u - 0xD800) << 10) + (text[++i] - 0xDC00);
      } else {
        u = 0xFFFD;
        ++missed;
      }
    }
    if (u < 0x80) {
      out += static_cast<char>(u);
    } else if (u < 0x800) {
      out += static_cast<char>(0xC0 | u >> 6);
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
      out += static_cast<char>(0xE0 | u >> 12);
      out += static_cast<char>(0x80 | (u >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | u >> 18);
      out += static_cast<char>(0x80 | (u >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (u >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  if (defaulted) *defaulted = missed;
}

const unsigned char* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

}  // namespace

void ToWide(int codepage, std::string_view bytes, std::u16string& out) {
  if (const auto* codec = DbcsFor(codepage)) {
    out.resize(bytes.size());
    out.resize(codec->ToWide(Bytes(bytes), bytes.size(), out.data()));
  } else if (codepage == kUtf8) {
    Utf8ToWide(bytes, out);
  } else {
    Unsupported(codepage);
  }
}

void FromWide(int codepage, std::u16string_view text, std::string& out, char default_char, std::size_t* defaulted) {
  if (const auto* codec = DbcsFor(codepage)) {
    out.resize(2 * text.size());
    out.resize(codec->FromWide(text.data(), text.size(), out.data(), default_char, defaulted));
  } else if (codepage == kUtf8) {
    WideToUtf8(text, out, defaulted);
  } else {
    Unsupported(codepage);
  }
}

void GbkToUtf8(std::string_view gbk, std::string& out) {
  out.resize(3 * gbk.size() + 1);
  out.resize(detail::Gbk().ToUtf8(Bytes(gbk), gbk.size(), out.data()));
}

void Utf8ToGbk(std::string_view utf8, std::string& out, std::size_t* defaulted) {
  out.resize(utf8.size() + 1);
  out.resize(detail::Gbk().FromUtf8(Bytes(utf8), utf8.size(), out.data(), '?', defaulted));
}

std::size_t InexactCount(int codepage, std::u16string_view text) {
  if (const auto* codec = DbcsFor(codepage)) return codec->InexactCount(text.data(), text.size());
  if (codepage != kUtf8) Unsupported(codepage);
  std::size_t lone = 0;  // UTF-8 holds everything but unpaired surrogates
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u < 0xD800 || u >= 0xE000) continue;
    if (u < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) ++i;
    else ++lone;
  }
  return lone;
}

std::u16string ToWide(int codepage, std::string_view bytes) {
  std::u16string out;
  ToWide(codepage, bytes, out);
  return out;
}

std::string FromWide(int codepage, std::u16string_view text, char default_char, std::size_t* defaulted) {
  std::string out;
  FromWide(codepage, text, out, default_char, defaulted);
  return out;
}

std::string GbkToUtf8(std::string_view gbk) {
  std::string out;
  GbkToUtf8(gbk, out);
  return out;
}

std::string Utf8ToGbk(std::string_view utf8, std::size_t* defaulted) {
  std::string out;
  Utf8ToGbk(utf8, out, defaulted);
  return out;
}

std::size_t EncodedUtf8Size(std::u16string_view text) {
  std::size_t size = 0;
  for (char16_t u : text) size += u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
  return size;
}

std::string EncodeUtf8(std::u16string_view text) {
  std::string out(EncodedUtf8Size(text), '\0');
  char* o = out.data();
  for (char16_t u : text) {
    if (u < 0x80) {
      *o++ = static_cast<char>(u);
    } else if (u < 0x800) {
      *o++ = static_cast<char>(0xC0 | u >> 6);
      *o++ = static_cast<char>(0x80 | (u & 0x3F));
    } else {
      *o++ = static_cast<char>(0xE0 | u >> 12);
      *o++ = static_cast<char>(0x80 | (u >> 6 & 0x3F));
      *o++ = static_cast<char>(0x80 | (u & 0x3F));
    }
  }
  return out;
}

bool IsLeadByte(int codepage, unsigned char byte) {
  return DbcsFor(codepage) != nullptr && detail::DbcsCodec::IsLead(byte);
}

int MaxCharSize(int codepage) {
  switch (codepage) {
    case kGbk:
    case kBig5:
      return 2;
    case kUtf8:
      return 4;
    case kUtf7:
      return 5;
    default:
      return 0;
  }
}

std::optional<std::string> CodePageName(int codepage) {
  switch (codepage) {
    case kGbk:
      return "936   (ANSI/OEM - Simplified Chinese GBK)";
    case kBig5:
      return "950   (ANSI/OEM - Traditional Chinese Big5)";
    case kUtf7:
      return "65000 (UTF-7)";
    case kUtf8:
      return "65001 (UTF-8)";
    default:
      return std::nullopt;
  }
}

}  // namespace folian::charset
