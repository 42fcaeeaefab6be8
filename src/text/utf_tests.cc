#include "text/utf_tests.h"

#include <bit>
#include <cstdint>
#include <cstring>

#include "charset/codepage.h"
#include "charset/unicode_test.h"

namespace folian::text {

bool LooksLikeUtf8(std::string_view bytes) {
  int expected = 0;
  bool saw_high = false;
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n; ++i) {
    // Novels are mostly ASCII punctuation and line ends between characters:
    // skip plain ASCII eight bytes at a time.
    if (expected == 0) {
      while (i + 8 <= n) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        if (word & 0x8080808080808080ull) break;
        i += 8;
      }
      if (i >= n) break;
    }
    auto b = static_cast<unsigned char>(bytes[i]);
    if (expected > 0) {
      if ((b & 0xC0) != 0x80) return false;
      --expected;
      continue;
    }
    if (b < 0x80) continue;
    saw_high = true;
    // The 1 bits that follow the top bit say how many continuation bytes come.
    int ones = std::countl_one(static_cast<unsigned char>(b << 1));
    if (ones == 0) return false;
    expected = ones;
  }
  return expected == 0 && saw_high;
}

bool LooksLikeUtf16(std::string_view bytes) {
  int tests = charset::IS_TEXT_UNICODE_UNICODE_MASK | charset::IS_TEXT_UNICODE_REVERSE_MASK |
              charset::IS_TEXT_UNICODE_NOT_UNICODE_MASK | charset::IS_TEXT_UNICODE_NOT_ASCII_MASK;
  bool result = charset::IsTextUnicode(bytes.data(), bytes.size(), &tests);
  if (!result || tests != charset::IS_TEXT_UNICODE_STATISTICS) return result;
  // Statistics alone also fit double-byte GBK text; a lead byte says it is that.
  if (charset::MaxCharSize(charset::kAnsiCodePage) > 1) {
    for (char c : bytes)
      if (charset::IsLeadByte(charset::kAnsiCodePage, static_cast<unsigned char>(c))) return false;
  }
  return true;
}

}  // namespace folian::text
