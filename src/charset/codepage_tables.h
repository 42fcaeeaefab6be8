// Generated code-page tables (tools/gen_codepages.cc), internal to src/charset.
#pragma once

#include <cstddef>

namespace folian::charset::detail {

// A code point whose encoding is not the first byte sequence decoding to it
// (best-fit mappings, duplicates); bytes 0 = does not map.
struct EncodeOverride {
  char16_t unit;
  unsigned short bytes;  // a single byte (< 0x100) or lead << 8 | trail
};

// Single high bytes 0x80..0xFF: the unit, 0 for lead bytes.
// Pairs, lead 0x81..0xFE x trail 0x40..0xFE: the unit, 0xFFFD for an undefined
// pair, 0 where the second byte is no trail byte.
extern const char16_t kGbkSingle[128];
extern const char16_t kGbkPairs[126 * 191];
extern const EncodeOverride kGbkOverrides[];
extern const std::size_t kGbkOverrideCount;

extern const char16_t kBig5Single[128];
extern const char16_t kBig5Pairs[126 * 191];
extern const EncodeOverride kBig5Overrides[];
extern const std::size_t kBig5OverrideCount;

}  // namespace folian::charset::detail
