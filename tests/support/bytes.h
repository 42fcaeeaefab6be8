// Byte strings for building test files: listed bytes, UTF-16 in either
// order, numbers of any width appended, written in place or read back.
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

// Appends `v` as `width` little-endian bytes.
inline void AddLe(std::string& s, std::uint64_t v, int width) {
  for (int i = 0; i < width; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// Writes `v` as `width` bytes at `at` (growing `s` when it is shorter), the
// low byte first, or last when `big_endian`.
inline void PutLe(std::string& s, std::size_t at, std::uint64_t v, int width, bool big_endian = false) {
  if (s.size() < at + width) s.resize(at + width, '\0');
  for (int i = 0; i < width; ++i) s[at + (big_endian ? width - 1 - i : i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void PutBe(std::string& s, std::size_t at, std::uint64_t v, int width) { PutLe(s, at, v, width, true); }

inline std::uint64_t GetLe(std::string_view s, std::size_t at, int width) {
  std::uint64_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

inline std::string U32(std::uint32_t v) {
  std::string s;
  AddLe(s, v, 4);
  return s;
}

}  // namespace folian::testing
