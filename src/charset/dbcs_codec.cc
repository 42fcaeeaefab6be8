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
    : single_(single), pairs_(pairs) {
  // Same derivation as the generator's: ASCII, then the first byte sequence
  // in byte order for each unit, then the recorded exceptions.
  std::memset(encode_, 0, sizeof encode_);
  for (unsigned c = 0; c < 0x80; ++c) encode_[c] = static_cast<std::uint16_t>(c);
  for (unsigned b = 0x80; b < 0x100; ++b) {
    char16_t u = single_[b - 0x80];
    if (u && !encode_[u]) encode_[u] = Stored(b);
  }
  for (std::size_t i = 0; i < kPairCount; ++i) {
    char16_t u = pairs_[i];
    if (u == 0 || u == 0xFFFD || encode_[u]) continue;
    encode_[u] = Stored((0x81 + i / 191) << 8 | (0x40 + i % 191));
  }
  for (std::size_t i = 0; i < override_count; ++i) encode_[overrides[i].unit] = Stored(overrides[i].bytes);

  for (std::size_t i = 0; i < kPairCount; ++i) {
    char16_t u = pairs_[i];
    if (u == 0 || u == 0xFFFD) {
      pair_utf8_[i] = 0;
      continue;
    }
    char buf[4] = {};
    std::size_t len = PutUtf8(buf, u);
    buf[3] = static_cast<char>(len);
    std::memcpy(&pair_utf8_[i], buf, 4);
  }
}

std::u16string DbcsCodec::ToWide(std::string_view bytes) const {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::u16string out(n, u'\0');  // never more units than bytes
  char16_t* o = out.data();
  std::size_t i = 0;
  while (i < n) {
    unsigned b = p[i];
    if (b < 0x80) {
      *o++ = static_cast<char16_t>(b);
      ++i;
      while (i + 8 <= n && IsAscii8(p + i)) {
        for (int k = 0; k < 8; ++k) o[k] = p[i + k];
        o += 8;
        i += 8;
      }
      continue;
    }
    if (IsLead(static_cast<unsigned char>(b)) && i + 1 < n) {
      unsigned t = p[i + 1];
      if (t >= 0x40 && t != 0xFF) {
        char16_t u = pairs_[PairIndex(b, t)];
        if (u) {
          *o++ = u;
          i += 2;
          continue;
        }
      }
    }
    char16_t s = single_[b - 0x80];
    *o++ = s ? s : u'\uFFFD';
    ++i;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

std::string DbcsCodec::FromWide(std::u16string_view text, char default_char, std::size_t* defaulted) const {
  const char16_t* p = text.data();
  const std::size_t n = text.size();
  std::string out(2 * n, '\0');
  char* o = out.data();
  std::size_t missed = 0;
  for (std::size_t i = 0; i < n; ++i) {
    char16_t u = p[i];
    if (u < 0x80) {
      *o++ = static_cast<char>(u);
      continue;
    }
    std::uint16_t v = encode_[u];
    if (v) {
      o[0] = static_cast<char>(v & 0xFF);
      o[1] = static_cast<char>(v >> 8);
      o += 1 + (v > 0xFF);
      continue;
    }
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000) ++i;
    *o++ = default_char;
    ++missed;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  if (defaulted) *defaulted = missed;
  return out;
}

std::string DbcsCodec::ToUtf8(std::string_view bytes) const {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::string out(3 * n + 1, '\0');  // three bytes per input byte at most, +1 for the 4-byte stores
  char* o = out.data();
  std::size_t i = 0;
  while (i < n) {
    unsigned b = p[i];
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
    if (IsLead(static_cast<unsigned char>(b)) && i + 1 < n) {
      unsigned t = p[i + 1];
      if (t >= 0x40 && t != 0xFF) {
        std::uint32_t v = pair_utf8_[PairIndex(b, t)];
        if (v) {
          std::memcpy(o, &v, 4);
          o += v >> 24;
          i += 2;
          continue;
        }
        if (pairs_[PairIndex(b, t)] == 0xFFFD) {  // undefined pair: one replacement for both bytes
          o += PutUtf8(o, 0xFFFD);
          i += 2;
          continue;
        }
      }
    }
    char16_t s = single_[b - 0x80];
    o += PutUtf8(o, s ? s : 0xFFFD);
    ++i;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  return out;
}

std::string DbcsCodec::FromUtf8(std::string_view utf8, char default_char, std::size_t* defaulted) const {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const std::size_t n = utf8.size();
  std::string out(n, '\0');  // a character never takes more bytes in GBK/Big5 than in UTF-8
  char* o = out.data();
  std::size_t missed = 0;
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      *o++ = static_cast<char>(p[i++]);
      while (i + 8 <= n && IsAscii8(p + i)) {
        std::memcpy(o, p + i, 8);
        o += 8;
        i += 8;
      }
      continue;
    }
    char32_t cp = NextUtf8(p, n, i);
    std::uint16_t v = cp < 0x10000 ? encode_[cp] : 0;
    if (v) {
      o[0] = static_cast<char>(v & 0xFF);
      if (v > 0xFF) {
        o[1] = static_cast<char>(v >> 8);
        o += 2;
      } else {
        o += 1;
      }
      continue;
    }
    *o++ = default_char;
    ++missed;
  }
  out.resize(static_cast<std::size_t>(o - out.data()));
  if (defaulted) *defaulted = missed;
  return out;
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
