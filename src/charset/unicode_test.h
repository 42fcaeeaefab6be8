// The platform's UTF-16 text test, with all tests requested.
#pragma once

#include <cstddef>

namespace folian::charset {

enum : int {
  IS_TEXT_UNICODE_ASCII16 = 0x0001,
  IS_TEXT_UNICODE_REVERSE_ASCII16 = 0x0010,
  IS_TEXT_UNICODE_STATISTICS = 0x0002,
  IS_TEXT_UNICODE_REVERSE_STATISTICS = 0x0020,
  IS_TEXT_UNICODE_CONTROLS = 0x0004,
  IS_TEXT_UNICODE_REVERSE_CONTROLS = 0x0040,
  IS_TEXT_UNICODE_SIGNATURE = 0x0008,
  IS_TEXT_UNICODE_REVERSE_SIGNATURE = 0x0080,
  IS_TEXT_UNICODE_ILLEGAL_CHARS = 0x0100,
  IS_TEXT_UNICODE_ODD_LENGTH = 0x0200,
  IS_TEXT_UNICODE_DBCS_LEADBYTE = 0x0400,
  IS_TEXT_UNICODE_NULL_BYTES = 0x1000,
  IS_TEXT_UNICODE_UNICODE_MASK = 0x000F,
  IS_TEXT_UNICODE_REVERSE_MASK = 0x00F0,
  IS_TEXT_UNICODE_NOT_UNICODE_MASK = 0x0F00,
  IS_TEXT_UNICODE_NOT_ASCII_MASK = 0xF000,
};

// Every test. The lead-byte test reports lead bytes of the ANSI code page
// only when the statistics test is the sole sign of Unicode.
inline constexpr int kAllTextUnicodeTests = IS_TEXT_UNICODE_UNICODE_MASK | IS_TEXT_UNICODE_REVERSE_MASK |
                                            IS_TEXT_UNICODE_NOT_UNICODE_MASK | IS_TEXT_UNICODE_NOT_ASCII_MASK;

// `*tests` in: the tests to run (all when it is null); out: the tests that
// were satisfied. Returns whether the buffer is judged UTF-16 text.
bool IsTextUnicode(const void* buffer, std::size_t size, int* tests);

}  // namespace folian::charset
