#include "tidy/line_substance.h"

namespace folian::tidy {
namespace {

bool IsAsciiAlnum(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

LineSubstance MeasureLine(std::string_view gbk) {
  LineSubstance s;
  const auto* p = reinterpret_cast<const unsigned char*>(gbk.data());
  const std::size_t n = gbk.size();
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
    if (t < 0xA1 && c >= 0xA1 && c <= 0xA9) {
      ++s.marks;  // the symbols added around the GB 2312 symbol rows
    } else if (c == 0xA1) {
      if (t != 0xA1) ++s.marks;  // A1A1 is the full-width blank
    } else if (c == 0xA2) {
      ++s.alnum;  // circled, bracketed and Roman numbers
    } else if (c == 0xA3) {
      const bool digit = t >= 0xB0 && t <= 0xB9;
      const bool letter = (t >= 0xC1 && t <= 0xDA) || (t >= 0xE1 && t <= 0xFA);
      if (digit || letter) {
        ++s.alnum;
      } else {
        ++s.marks;
      }
    } else if (c >= 0xA4 && c <= 0xA8) {
      ++s.alnum;  // kana, Greek, Cyrillic, pinyin and zhuyin letters
    } else if (c == 0xA9) {
      ++s.marks;  // box drawing
    } else {
      ++s.chinese;
    }
  }
  return s;
}

}  // namespace folian::tidy
