#include "text/utf_tests.h"

#include "charset/codepage.h"
#include "charset/unicode_test.h"

namespace folian::text {

bool LooksLikeUtf8(std::string_view bytes) {
  int expected = 0;
  bool saw_high = false;
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    if (expected > 0) {
      if ((b & 0xC0) != 0x80) return false;
      --expected;
      continue;
    }
    if (b < 0x80) continue;
    saw_high = true;
    // The 1 bits that follow the top bit say how many continuation bytes come.
    int n = 0;
    for (unsigned mask = 0x40; mask != 0 && (b & mask); mask >>= 1) ++n;
    if (n == 0) return false;
    expected = n;
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
