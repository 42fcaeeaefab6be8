// Byte strings for building test files: listed bytes, UTF-16 in either
// order, little-endian numbers.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace folian::testing {

inline std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

inline std::string Utf16(std::u16string_view text, bool big_endian = false) {
  std::string s;
  for (char16_t u : text) {
    const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
    s += big_endian ? hi : lo;
    s += big_endian ? lo : hi;
  }
  return s;
}

inline std::string U32(std::uint32_t v) {
  return Bytes({int(v & 0xFF), int(v >> 8 & 0xFF), int(v >> 16 & 0xFF), int(v >> 24)});
}

}  // namespace folian::testing
