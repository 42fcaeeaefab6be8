#include "charset/dbcs_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "charset/utf8_decode.h"

// Bytes that are not valid in the code page decode the way ICU's Windows
// tables and the platform's conversion without error flags do: a lead byte
// followed by a byte that cannot be its trail (or by nothing) becomes U+FFFD
// on its own and the following byte is read afresh, so an ASCII line break
// after a stray lead byte survives; a well-formed pair the code page does not
// define becomes one U+FFFD. On the way out every character the code page
// cannot hold is the default character; a surrogate pair counts as one
// character, an unpaired surrogate half as one. The Windows best-fit mappings
// (e.g. U+00AA as "a") are used, as the platform does unless told otherwise.

namespace folian::charset::detail {
namespace {

constexpr std::size_t kPairCount = 126 * 191;

inline std::size_t PairIndex(unsigned lead, unsigned trail) { return (lead - 0x81) * 191 + (trail - 0x40); }

inline std::uint16_t Stored(unsigned bytes) {
  // lead << 8 | trail -> first byte lowest.
  return bytes > 0xFF ? static_cast<std::uint16_t>((bytes >> 8) | (bytes & 0xFF) << 8)
                      : static_cast<std::uint16_t>(bytes);
}

// The kernels move table entries and input words with whole-word loads and
// stores whose byte order is the memory order on little-endian machines.
static_assert(std::endian::native == std::endian::little, "little-endian host expected");

inline bool IsAscii8(const unsigned char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return (w & 0x8080808080808080ULL) == 0;
}

#if !defined(__SSE2__)
inline bool EvenBytesHigh16(const unsigned char* p) {
  std::uint64_t a, b;
  std::memcpy(&a, p, 8);
  std::memcpy(&b, p + 8, 8);
  constexpr std::uint64_t kEven = 0x0080008000800080ULL;
  return (a & b & kEven) == kEven;
}
#endif

// The pair at p as a table index: lead << 8 | trail.
inline std::size_t Pair(const unsigned char* p) { return static_cast<std::size_t>(p[0]) << 8 | p[1]; }

// Bytes 0..2 of x (first byte lowest) as a three-byte UTF-8 sequence.
inline char32_t Utf8Three(std::uint32_t x) {
  return (x & 0x0F) << 12 | (x & 0x3F00) >> 2 | (x & 0x3F0000) >> 16;
}

// Writes one encoded character (one byte, or two with the first lowest).
inline void PutEncoded(char*& o, std::uint16_t v) {
  o[0] = static_cast<char>(v & 0xFF);
  o[1] = static_cast<char>(v >> 8);
  o += 1 + (v > 0xFF);
}

// Writes two double-byte characters (each first byte lowest).
inline void PutTwoPairs(char*& o, std::uint16_t v0, std::uint16_t v1) {
  const std::uint32_t both = static_cast<std::uint32_t>(v0) | static_cast<std::uint32_t>(v1) << 16;
  std::memcpy(o, &both, 4);
  o += 4;
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
    // Chinese text is mostly pairs: take eight at a time while every other
    // byte has its top bit set (a lead byte, or 0x80/0xFF, which the table
    // turns into a stop), then four.
#if defined(__SSE2__)
    while (i + 16 <= n) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      if ((_mm_movemask_epi8(v) & 0x5555) != 0x5555) break;
      const __m128i idx = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
      __m128i u = _mm_cvtsi32_si128(decode_[_mm_extract_epi16(idx, 0)]);
      u = _mm_insert_epi16(u, decode_[_mm_extract_epi16(idx, 1)], 1);
      u = _mm_insert_epi16(u, decode_[_mm_extract_epi16(idx, 2)], 2);
      u = _mm_insert_epi16(u, decode_[_mm_extract_epi16(idx, 3)], 3);
      u = _mm_insert_epi16(u, decode_[_mm_extract_epi16(idx, 4)], 4);
      u = _mm_insert_epi16(u, decode_[_mm_extract_epi16(idx, 5)], 5);
      u = _mm_insert_epi16(u, decode_[_mm_extract_epi16(idx, 6)], 6);
      u = _mm_insert_epi16(u, decode_[_mm_extract_epi16(idx, 7)], 7);
      if (_mm_movemask_epi8(_mm_cmpeq_epi16(u, _mm_setzero_si128())) != 0) break;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o), u);
      o += 8;
      i += 16;
    }
#else
    while (i + 16 <= n && EvenBytesHigh16(p + i)) {
      char16_t u[8];
      unsigned ok = 1;
      for (int k = 0; k < 8; ++k) {
        u[k] = decode_[Pair(p + i + 2 * k)];
        ok &= u[k] != 0;
      }
      if (!ok) break;
      std::memcpy(o, u, sizeof u);
      o += 8;
      i += 16;
    }
#endif
    while (i + 4 <= n && (p[i] & p[i + 2] & 0x80)) {
      const char16_t u0 = decode_[Pair(p + i)];
      const char16_t u1 = decode_[Pair(p + i + 2)];
      if ((u0 == 0) | (u1 == 0)) break;
      o[0] = u0;
      o[1] = u1;
      o += 2;
      i += 4;
    }
    if (i >= n) break;
    const unsigned b = p[i];
    if (b >= 0x80 && i + 1 < n) {
      const char16_t u = decode_[Pair(p + i)];
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
    // Two double-byte characters at a time while they last.
    while (i + 2 <= n) {
      const std::uint16_t v0 = encode_[p[i]], v1 = encode_[p[i + 1]];
      if (std::min(v0, v1) <= 0xFF) break;
      PutTwoPairs(o, v0, v1);
      i += 2;
    }
    if (i >= n) break;
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

std::size_t DbcsCodec::InexactCount(const char16_t* p, std::size_t n) const {
  std::size_t count = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t u = p[i];
    const std::uint16_t v = encode_[u];
    if (v == 0 && u != 0) {
      if (u >= 0xD800 && u < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000) ++i;
      ++count;
      continue;
    }
    char16_t back;
    if (v > 0xFF) back = decode_[(v & 0xFF) << 8 | v >> 8];
    else back = v < 0x80 ? v : single_[v - 0x80];
    count += back != u;
  }
  return count;
}

std::size_t DbcsCodec::ToUtf8(const unsigned char* p, std::size_t n, char* out) const {
  char* o = out;
  std::size_t i = 0;
  while (i < n) {
    // Four pairs at a time while all of them are three UTF-8 bytes long (the
    // length byte ANDs to 3 only then; 0 marks a pair that is no character).
    while (i + 8 <= n && (p[i] & p[i + 2] & p[i + 4] & p[i + 6] & 0x80)) {
      const std::uint32_t v0 = decode_utf8_[Pair(p + i)], v1 = decode_utf8_[Pair(p + i + 2)];
      const std::uint32_t v2 = decode_utf8_[Pair(p + i + 4)], v3 = decode_utf8_[Pair(p + i + 6)];
      if ((v0 & v1 & v2 & v3) >> 24 != 3) break;
      std::memcpy(o, &v0, 4);
      std::memcpy(o + 3, &v1, 4);
      std::memcpy(o + 6, &v2, 4);
      std::memcpy(o + 9, &v3, 4);
      o += 12;
      i += 8;
    }
    while (i + 4 <= n && (p[i] & p[i + 2] & 0x80)) {
      const std::uint32_t v0 = decode_utf8_[Pair(p + i)];
      const std::uint32_t v1 = decode_utf8_[Pair(p + i + 2)];
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
      const std::uint32_t v = decode_utf8_[Pair(p + i)];
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
    // Chinese text is mostly three-byte characters that become two bytes:
    // two at a time. Overlong forms fail the cp >= 0x800 bit test; surrogate
    // code points and anything unmappable or single-byte leave the fast path
    // through the table (0 or <= 0xFF) and take the careful one.
    while (i + 8 <= n) {
      std::uint64_t x;
      std::memcpy(&x, p + i, 8);
      if ((x & 0xC0C0F0C0C0F0ULL) != 0x8080E08080E0ULL) break;
      if ((x & 0x200F) == 0 || (x & 0x200F000000ULL) == 0) break;
      const std::uint16_t v0 = encode_[Utf8Three(static_cast<std::uint32_t>(x))];
      const std::uint16_t v1 = encode_[Utf8Three(static_cast<std::uint32_t>(x >> 24))];
      if (std::min(v0, v1) <= 0xFF) break;
      PutTwoPairs(o, v0, v1);
      i += 6;
    }
    if (i >= n) break;
    const unsigned b = p[i];
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
    const char32_t cp = NextUtf8(p, n, i);
    const std::uint16_t v = cp < 0x10000 ? encode_[cp] : 0;
    if (v) {
      PutEncoded(o, v);
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
