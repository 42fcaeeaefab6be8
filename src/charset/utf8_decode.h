// UTF-8 decoding step shared by the converters (internal to src/charset).
#pragma once

#include <cstddef>

namespace folian::charset::detail {

// Decodes the sequence at p[i] and advances i. An ill-formed sequence gives
// U+FFFD and consumes only its longest valid prefix (at least one byte), the
// usual "maximal subpart" rule the platform and ICU follow; surrogate code
// points, overlong forms and values above U+10FFFF are ill-formed.
inline char32_t NextUtf8(const unsigned char* p, std::size_t n, std::size_t& i) {
  unsigned b = p[i++];
  if (b < 0x80) return b;
  unsigned need;
  char32_t cp;
  unsigned lo = 0x80, hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    cp = b & 0x0F;
    if (b == 0xE0) lo = 0xA0;
    else if (b == 0xED) hi = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    cp = b & 0x07;
    if (b == 0xF0) lo = 0x90;
    else if (b == 0xF4) hi = 0x8F;
  } else {
    return 0xFFFD;
  }
  for (unsigned k = 0; k < need; ++k) {
    if (i >= n) return 0xFFFD;
    unsigned c = p[i];
    if (c < lo || c > hi) return 0xFFFD;
    lo = 0x80;
    hi = 0xBF;
    cp = cp << 6 | (c & 0x3F);
    ++i;
  }
  return cp;
}

}  // namespace folian::charset::detail
