#include "tidy/line_substance.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace folian::tidy {
namespace {

bool IsAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Counts the two-byte character c t (a GBK lead 81..FE and a trail 40 and up, not 7F).
void Count(unsigned char c, unsigned char t, LineSubstance* s) {
  if (t < 0xA1 && c >= 0xA1 && c <= 0xA9) {
    ++s->marks;  // the symbols added around the GB 2312 symbol rows
  } else if (c == 0xA1) {
    if (t != 0xA1) ++s->marks;  // A1A1 is the full-width blank
  } else if (c == 0xA2) {
    ++s->alnum;  // circled, bracketed and Roman numbers
  } else if (c == 0xA3) {
    const bool digit = t >= 0xB0 && t <= 0xB9;
    const bool letter = (t >= 0xC1 && t <= 0xDA) || (t >= 0xE1 && t <= 0xFA);
    if (digit || letter) {
      ++s->alnum;
    } else {
      ++s->marks;
    }
  } else if (c >= 0xA4 && c <= 0xA8) {
    ++s->alnum;  // kana, Greek, Cyrillic, pinyin and zhuyin letters
  } else if (c == 0xA9) {
    ++s->marks;  // box drawing
  } else {
    ++s->chinese;
  }
}

// Whether every byte is 81..FE: then, at an even length, every pair is one
// character (a lead, and a trail that is one too).
bool AllLeadBytes(const unsigned char* p, std::size_t n) {
  std::size_t i = 0;
#if defined(__SSE2__)
  // With the top bit flipped, 81..FE read as signed bytes are 1..126.
  const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i zero = _mm_setzero_si128(), top = _mm_set1_epi8(0x7F);
  __m128i good = _mm_set1_epi8(-1);
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), flip);
    good = _mm_and_si128(good, _mm_and_si128(_mm_cmpgt_epi8(v, zero), _mm_cmplt_epi8(v, top)));
  }
  if (_mm_movemask_epi8(good) != 0xFFFF) return false;
#endif
  for (; i < n; ++i) {
    if (p[i] < 0x81 || p[i] == 0xFF) return false;
  }
  return true;
}

}  // namespace

LineSubstance MeasureLine(std::string_view gbk) {
  LineSubstance s;
  const auto* p = reinterpret_cast<const unsigned char*>(gbk.data());
  const std::size_t n = gbk.size();
  if (n % 2 == 0 && AllLeadBytes(p, n)) {
    // Every byte pair is one character, and only leads A1..A9 are not
    // Chinese: those are looked at where they stand, eight pairs at a time.
    std::size_t i = 0, looked = 0;
#if defined(__SSE2__)
    const __m128i lead_low = _mm_set1_epi8(static_cast<char>(0xA1 ^ 0x80));
    const __m128i lead_high = _mm_set1_epi8(static_cast<char>(0xA9 ^ 0x80));
    const __m128i flip = _mm_set1_epi8(static_cast<char>(0x80));
    for (; i + 16 <= n; i += 16) {
      // Signed compares after flipping the top bit order the bytes as unsigned.
      const __m128i v = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i)), flip);
      const __m128i outside = _mm_or_si128(_mm_cmplt_epi8(v, lead_low), _mm_cmpgt_epi8(v, lead_high));
      auto bits = ~static_cast<unsigned>(_mm_movemask_epi8(outside)) & 0x5555u;
      for (; bits != 0; bits &= bits - 1) {
        const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(bits));
        Count(p[at], p[at + 1], &s);
        ++looked;
      }
    }
#endif
    for (; i < n; i += 2) {
      if (p[i] >= 0xA1 && p[i] <= 0xA9) {
        Count(p[i], p[i + 1], &s);
        ++looked;
      }
    }
    s.chinese += n / 2 - looked;
    return s;
  }
  for (std::size_t i = 0; i < n;) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      if (IsAsciiAlnum(c)) {
        ++s.alnum;
      } else if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
        ++s.marks;
      }
      ++i;
      continue;
    }
    if (c == 0x80 || c == 0xFF || i + 1 >= n || p[i + 1] < 0x40 || p[i + 1] == 0x7F) {
      // Not a GBK character: counted as content, so nothing is judged
      // empty of it by mistake.
      ++s.chinese;
      ++i;
      continue;
    }
    const unsigned char t = p[i + 1];
    i += 2;
    Count(c, t, &s);
  }
  return s;
}

}  // namespace folian::tidy
