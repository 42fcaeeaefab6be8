// Table-driven double-byte code pages (GBK 936, Big5 950), internal to src/charset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "charset/codepage_tables.h"

namespace folian::charset::detail {

class DbcsCodec {
 public:
  DbcsCodec(const char16_t* single, const char16_t* pairs, const EncodeOverride* overrides,
            std::size_t override_count);

  std::u16string ToWide(std::string_view bytes) const;
  std::string FromWide(std::u16string_view text, char default_char, std::size_t* defaulted) const;
  std::string ToUtf8(std::string_view bytes) const;
  std::string FromUtf8(std::string_view utf8, char default_char, std::size_t* defaulted) const;

  static bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

 private:
  const char16_t* single_;  // 0x80..0xFF
  const char16_t* pairs_;   // (lead - 0x81) * 191 + (trail - 0x40)
  // Unit -> bytes in output order (first byte in the low 8 bits), 0 = no mapping.
  // A value above 0xFF is two bytes: a trail byte is never zero.
  std::uint16_t encode_[0x10000];
  // Pair -> its UTF-8 bytes (first byte lowest) with the length in the top byte;
  // 0 for pairs that do not decode to a character.
  std::uint32_t pair_utf8_[126 * 191];
};

const DbcsCodec& Gbk();
const DbcsCodec& Big5();

}  // namespace folian::charset::detail
