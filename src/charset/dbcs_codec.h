// Table-driven double-byte code pages (GBK 936, Big5 950), internal to src/charset.
#pragma once

#include <cstddef>
#include <cstdint>

#include "charset/codepage_tables.h"

namespace folian::charset::detail {

// The kernels write to caller-sized buffers and return how much they wrote.
class DbcsCodec {
 public:
  DbcsCodec(const char16_t* single, const char16_t* pairs, const EncodeOverride* overrides,
            std::size_t override_count);

  // Output room: one unit per input byte.
  std::size_t ToWide(const unsigned char* in, std::size_t n, char16_t* out) const;
  // Output room: two bytes per unit.
  std::size_t FromWide(const char16_t* in, std::size_t n, char* out, char default_char,
                       std::size_t* defaulted) const;
  // Output room: three bytes per input byte, plus one.
  std::size_t ToUtf8(const unsigned char* in, std::size_t n, char* out) const;
  // Output room: one byte per input byte, plus one.
  std::size_t FromUtf8(const unsigned char* in, std::size_t n, char* out, char default_char,
                       std::size_t* defaulted) const;

  // Characters that encode to something decoding to another character, or
  // to nothing.
  std::size_t InexactCount(const char16_t* in, std::size_t n) const;

  static bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

 private:
  static std::size_t Row(unsigned lead, unsigned trail) { return lead << 8 | trail; }

  const char16_t* single_;  // 0x80..0xFF, 0 for lead bytes
  // lead << 8 | trail -> unit; 0xFFFD for an undefined pair, 0 when the
  // first byte is no lead byte or the second cannot be a trail byte. Indexing
  // by any two bytes lets the hot loops test only the top bit of a lead.
  char16_t decode_[0x10000];
  // The same pairs as UTF-8 bytes (first byte lowest), length in the top byte.
  std::uint32_t decode_utf8_[0x10000];
  // Unit -> bytes in output order (first byte in the low 8 bits), 0 = no mapping.
  // A value above 0xFF is two bytes: a trail byte is never zero.
  std::uint16_t encode_[0x10000];
};

const DbcsCodec& Gbk();
const DbcsCodec& Big5();

}  // namespace folian::charset::detail
