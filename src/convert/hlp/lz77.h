// The LZ77 variant of WinHelp files (topic blocks, phrase texts): a flag
// byte, then eight items, each a literal byte (flag bit 0) or a two-byte
// reference (bit 1) to 3-18 bytes 1-4096 bytes back in the output.
//
// Tested by tests/convert/hlp_reader_test.cc.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace folian::convert::hlp {

enum class Lz77Result {
  kComplete,
  kDamaged,  // a reference reaches back before the start of the output
  kOverCap,  // the output would pass `cap`; what fits is kept
};

// Appends the expansion of `in` to `*out`, writing at most `cap` bytes.
Lz77Result ExpandLz77(std::string_view in, std::size_t cap, std::string* out);

}  // namespace folian::convert::hlp
