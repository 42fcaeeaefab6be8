#include "charset/dbcs_codec.h"

#include <cstring>

#include "charset/utf8_decode.h"

// Bytes that are not valid in the code page decode the way ICU's Windows
// tables and the platform's conversion without error flags do: a lead byte
// followed by a byte that cannot be its trail (or by nothing) becomes U+FFFD
// on its own and the following byte is read afresh, so an ASCII line break
// after a stray lead byte survives; a well-formed pair the code page does not
// define becomes one U+FFFD. On the way out every character the code page
// cannot hold is the default character; a surrogate pair counts as one
// character, an unpaired surrogate half as one. The Windows best-fit mappings
// (e.g. U+00B7 style look-alikes) are used, as the platform does unless told
// otherwise.

namespace folian::charset::detail {
namespace {

constexpr std::size_t kPairCount = 126 * 191;

inline std::size_t PairIndex(unsigned lead, unsigned trail) { return (lead - 0x81) * 191 + (trail - 0x40); }

inline std::uint16_t Stored(unsigned bytes) {
  // lead << 8 | trail -> first byte lowest.
  return bytes > 0xFF ? static_cast<std::uint16_t>((bytes >> 8) | (bytes & 0xFF) << 8)
                      : static_cast<std::uint16_t>(bytes);
}

inline bool IsAscii8(const unsigned char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return (w & 0x8080808080808080ULL) == 0;
}

inline std::size_t PutUtf8(char* out, char32_t cp) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | cp >> 6);
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | cp >> 12);
  out[1] = static_cast<char>(0x80 | (cp >> 6 & 0x3F));
  out[2] = static_cast<char>(0x80 | (cp & 0x3F));
  return 3;
}

}  // namespace

DbcsCodec::DbcsCodec(const char16_t* single, const char16_t* pairs, const EncodeOverride* overrides,
                     std::size_t override_count)
    : single_(single) {
  // Same derivation as the generator's: ASCII, then the first byte sequence
  // in byte order for each unit, then the recorded exceptions.
  std::memset(encode_, 0, sizeof encode_);
  for (unsigned c = 0; c < 0x80; ++c) encode_[c] = static_cast<std::uint16_t>(c);
  for (unsigned b = 0x80; b < 0x100; ++b) {
    char16_t u = single_[b - 0x80];
    if (u && !encode_[u]) encode_[u] = Stored(b);
  }
  for (std::size_t i = 0; i < kPairCount; ++i) {
    char16_t u = pairs[i];
    if (u == 0 || u == 0xFFFD || encode_[u]) continue;
    encode_[u] = Stored((0x81 + i / 191) << 8 | (0x40 + i % 191));
  }
  for (std::size_t i = 0; i < override_count; ++i) encode_[overrides[i].unit] = Stored(overrides[i].bytes);

  std::memset(decode_, 0, sizeof decode_);
  std::memset(decode_utf8_, 0, sizeof decode_utf8_);
  for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
    for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
      const char16_t u = pairs[PairIndex(lead, trail)];
      decode_[Row(lead, trail)] = u;
      if (u == 0) continue;
      char buf[4] = {};
      buf[3] = static_cast<char>(PutUtf8(buf, u));
      std::memcpy(&decode_utf8_[Row(lead, trail)], buf, 4);
    }
  }
}

std::size_t DbcsCodec::ToWide(const unsigned char* p, std::size_t n, char16_t* out) const {
  char16_t* o = out;
  std::size_t i = 0;
  while (i < n) {
    // Chinese text is mostly pairs: take four at a time while they last.
    while (i + 8 <= n && (p[i] & p[i + 2] & p[i + 4] & p[i + 6] & 0x80)) {
      const char16_t u0 = decode_[Row(p[i], p[i + 1])];
      const char16_t u1 = decode_[Row(p[i + 2], p[i + 3])];
      const char16_t u2 = decode_[Row(p[i + 4], p[i + 5])];
      const char16_t u3 = decode_[Row(p[i + 6], p[i + 7])];
      if ((u0 == 0) | (u1 == 0) | (u2 == 0) | (u3 == 0)) break;
      o[0] = u0;
      o[1] = u1;
      o[2] = u2;
      o[3] = u3;
      o += 4;
      i += 8;
    }
    if (i >= n) break;
    const unsigned b = p[i];
    if (b >= 0x80 && i + 1 < n) {
      const char16_t u = decode_[Row(b, p[i + 1])];
      if (u) {
        *o++ = u;
        i += 2;
        continue;
      }
    } else if (b < 0x80) {
      *o++ = static_cast<char16_t>(b);
      ++i;
      while (i + 8 <= n && IsAscii8(p + i)) {
        for (int k = 0; k < 8; ++k) o[k] = p[i + k];
        o += 8;
        i += 8;
      }
      continue;
    }
    // A high single byte, or a lead byte without its trail.
    const char16_t s = single_[b - 0x80];
    *o++ = s ? s : u'\uFFFD';
    ++i;
  }
  return static_cast<std::size_t>(o - out);
}

std::size_t DbcsCodec::FromWide(const char16_t* p, std::size_t n, char* out, char default_char,
                                std::size_t* defaulted) const {
  char* o = out;
  std::size_t missed = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t u = p[i];
    const std::uint16_t v = encode_[u];
    if (v || u == 0) {
      o[0] = static_cast<char>(v & 0xFF);
      o[1] = static_cast<char>(v >> 8);
      o += 1 + (v > 0xFF);
      continue;
    }
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000) ++i;
    *o++ = default_char;
    ++missed;
  }
  if (defaulted) *defaulted = missed;
  return static_cast<std::size_t>(o - out);
}

std::size_t DbcsCodec::ToUtf8(const unsigned char* p, std::size_t n, char* out) const {
  char* o = out;
  std::size_t i = 0;
  while (i < n) {
    while (i + 4 <= n && (p[i] & p[i + 2] & 0x80)) {
      const std::uint32_t v0 = decode_utf8_[Row(p[i], p[i + 1])];
      const std::uint32_t v1 = decode_utf8_[Row(p[i + 2], p[i + 3])];
      if ((v0 == 0) | (v1 == 0)) break;
      std::memcpy(o, &v0, 4);
      o += v0 >> 24;
      std::memcpy(o, &v1, 4);
      o += v1 >> 24;
      i += 4;
    }
    if (i >= n) break;
    const unsigned b = p[i];
    if (b >= 0x80 && i + 1 < n) {
      const std::uint32_t v = decode_utf8_[Row(b, p[i + 1])];
      if (v) {
        std::memcpy(o, &v, 4);
        o += v >> 24;
        i += 2;
        continue;
      }
    } else if (b < 0x80) {
      *o++ = static_cast<char>(b);
      ++i;
      while (i + 8 <= n && IsAscii8(p + i)) {
        std::memcpy(o, p + i, 8);
        o += 8;
        i += 8;
      }
      continue;
    }
    const char16_t s = single_[b - 0x80];
    o += PutUtf8(o, s ? s : 0xFFFD);
    ++i;
  }
  return static_cast<std::size_t>(o - out);
}

std::size_t DbcsCodec::FromUtf8(const unsigned char* p, std::size_t n, char* out, char default_char,
                                std::size_t* defaulted) const {
  char* o = out;
  std::size_t missed = 0;
  std::size_t i = 0;
  while (i < n) {
    const unsigned b = p[i];
    char32_t cp;
    if (b < 0x80) {
      *o++ = static_cast<char>(b);
      ++i;
      while (i + 8 <= n && IsAscii8(p + i)) {
        std::memcpy(o, p + i, 8);
        o += 8;
        i += 8;
      }
      continue;
    }
    if ((b & 0xF0) == 0xE0 && i + 2 < n && (p[i + 1] & 0xC0) == 0x80 && (p[i + 2] & 0xC0) == 0x80 &&
        (cp = (b & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F)) >= 0x800 &&
        (cp & 0xF800) != 0xD800) {
      i += 3;  // the common case: a well-formed three-byte character
    } else {
      cp = NextUtf8(p, n, i);
    }
    const std::uint16_t v = cp < 0x10000 ? encode_[cp] : 0;
    if (v) {
      o[0] = static_cast<char>(v & 0xFF);
      o[1] = static_cast<char>(v >> 8);
      o += 1 + (v > 0xFF);
      continue;
    }
    *o++ = default_char;
    ++missed;
  }
  if (defaulted) *defaulted = missed;
  return static_cast<std::size_t>(o - out);
}

const DbcsCodec& Gbk() {
  static const DbcsCodec codec(kGbkSingle, kGbkPairs, kGbkOverrides, kGbkOverrideCount);
  return codec;
}

const DbcsCodec& Big5() {
  static const DbcsCodec codec(kBig5Single, kBig5Pairs, kBig5Overrides, kBig5OverrideCount);
  return codec;
}

}  // namespace folian::charset::detail
