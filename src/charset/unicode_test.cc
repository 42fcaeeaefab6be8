#include "charset/unicode_test.h"

#include <algorithm>
#include <bitset>
#include <cstdint>

#include "charset/codepage.h"

namespace folian::charset {
namespace {

// Like the platform, only the start of the buffer is examined.
constexpr std::size_t kMaxUnits = 256;

bool IsControl(char16_t u) { return u == 0x000D || u == 0x000A || u == 0x0009 || u == 0x0020 || u == 0x3000; }
bool IsReverseControl(char16_t u) { return u == 0x0D00 || u == 0x0A00 || u == 0x0900 || u == 0x2000; }

bool IsPlainAsciiByte(unsigned char b) { return (b >= 0x20 && b < 0x7F) || b == '\t' || b == '\r' || b == '\n'; }

}  // namespace

bool IsTextUnicode(const void* buffer, std::size_t size, int* tests) {
  const int wanted = tests ? *tests : kAllTextUnicodeTests;
  if (size < 2 || buffer == nullptr) {
    if (tests) *tests = 0;
    return false;
  }
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  int found = 0;
  if (size & 1) found |= IS_TEXT_UNICODE_ODD_LENGTH;

  // A zero-terminated buffer's terminator is not part of the text.
  std::size_t len = size;
  if (bytes[len - 1] == 0) --len;
  const std::size_t units = std::min(len / 2, kMaxUnits);
  auto unit = [bytes](std::size_t i) { return static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8); };

  if (units > 0) {
    if (unit(0) == 0xFEFF) found |= IS_TEXT_UNICODE_SIGNATURE;
    if (unit(0) == 0xFFFE) found |= IS_TEXT_UNICODE_REVERSE_SIGNATURE;
  }

  // Statistics: in UTF-16 text the high bytes take far fewer distinct values
  // than the low bytes (a script's block, zero for ASCII, a few punctuation
  // blocks), and the reverse in byte-swapped text. 8-bit text spreads both.
  std::bitset<256> lo_seen, hi_seen;
  bool ascii16 = true, reverse_ascii16 = true, plain_ascii = true;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t u = unit(i);
    const unsigned lo = u & 0xFF, hi = u >> 8;
    lo_seen.set(lo);
    hi_seen.set(hi);
    if (hi != 0 || lo >= 0x80) ascii16 = false;
    if (lo != 0 || hi >= 0x80) reverse_ascii16 = false;
    if (!IsPlainAsciiByte(static_cast<unsigned char>(lo)) || !IsPlainAsciiByte(static_cast<unsigned char>(hi)))
      plain_ascii = false;
    // The embedded reverse mark, NUL, a CR LF pair packed into one unit and
    // the non-character U+FFFF cannot occur in UTF-16 text.
    if ((u == 0xFFFE && i > 0) || u == 0x0000 || u == 0x0A0D || u == 0xFFFF) found |= IS_TEXT_UNICODE_ILLEGAL_CHARS;
    if (IsControl(u)) found |= IS_TEXT_UNICODE_CONTROLS;
    if (IsReverseControl(u)) found |= IS_TEXT_UNICODE_REVERSE_CONTROLS;
    if (lo == 0 || hi == 0) found |= IS_TEXT_UNICODE_NULL_BYTES;
  }
  if (units > 0) {
    if (ascii16) found |= IS_TEXT_UNICODE_ASCII16;
    if (reverse_ascii16) found |= IS_TEXT_UNICODE_REVERSE_ASCII16;
    // Plain 8-bit ASCII is never judged by statistics: its byte pairs can
    // mimic the pattern by chance ("Bush hid the facts").
    const std::size_t lo_kinds = lo_seen.count(), hi_kinds = hi_seen.count();
    if (!plain_ascii && 2 * lo_kinds > 3 * hi_kinds) found |= IS_TEXT_UNICODE_STATISTICS;
    if (!plain_ascii && 2 * hi_kinds > 3 * lo_kinds) found |= IS_TEXT_UNICODE_REVERSE_STATISTICS;
  }

  // Lead bytes of the ANSI code page count against Unicode only where the
  // statistics are the sole evidence for it: double-byte text can pass that
  // test, while real UTF-16 (which has lead-byte values everywhere) also
  // shows line breaks, blanks or zero bytes.
  if ((wanted & IS_TEXT_UNICODE_DBCS_LEADBYTE) &&
      (found & wanted & (IS_TEXT_UNICODE_UNICODE_MASK | IS_TEXT_UNICODE_NOT_ASCII_MASK)) ==
          IS_TEXT_UNICODE_STATISTICS) {
    for (std::size_t i = 0; i < size; ++i) {
      if (IsLeadByte(kAnsiCodePage, bytes[i])) {
        found |= IS_TEXT_UNICODE_DBCS_LEADBYTE;
        break;
      }
    }
  }

  found &= wanted;
  if (tests) *tests = found;
  if (found & (IS_TEXT_UNICODE_REVERSE_MASK | IS_TEXT_UNICODE_NOT_UNICODE_MASK)) return false;
  if (found & IS_TEXT_UNICODE_NOT_ASCII_MASK) return true;
  return (found & IS_TEXT_UNICODE_UNICODE_MASK) != 0;
}

}  // namespace folian::charset
