// zlib inflation with a cap on the output, for compressed blocks and streams
// inside e-books (UMD chunks, PDF streams). The cap is checked while
// inflating, so a bomb never allocates more than the cap.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace folian::convert {

enum class InflateFormat {
  kZlib,  // zlib header and checksum
  kRaw,   // bare deflate data (ZIP entries)
};

enum class InflateOutcome {
  kComplete,  // the stream ended properly
  kDamaged,   // bad data or input ran out first; `*out` holds what inflated before that
  kOverCap,   // more than `cap` bytes would come out; `*out` holds the first `cap`
};

// Appends the inflated bytes of `in` to `*out`. `consumed` (if given)
// receives how many input bytes the stream used.
InflateOutcome Inflate(std::string_view in, std::size_t cap, std::string* out,
                       InflateFormat format = InflateFormat::kZlib, std::size_t* consumed = nullptr);

}  // namespace folian::convert
