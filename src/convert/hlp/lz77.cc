#include "convert/hlp/lz77.h"

namespace folian::convert::hlp {

Lz77Result ExpandLz77(std::string_view in, std::size_t cap, std::string* out) {
  const std::size_t start = out->size();
  std::size_t i = 0;
  while (i < in.size()) {
    const auto flags = static_cast<unsigned char>(in[i++]);
    for (int bit = 0; bit < 8 && i < in.size(); ++bit) {
      const std::size_t written = out->size() - start;
      if ((flags & (1u << bit)) == 0) {
        if (written >= cap) return Lz77Result::kOverCap;
        out->push_back(in[i++]);
        continue;
      }
      // A reference split by the end of the data is padding, not a reference.
      if (i + 1 >= in.size()) return Lz77Result::kComplete;
      const unsigned token =
          static_cast<unsigned char>(in[i]) | static_cast<unsigned>(static_cast<unsigned char>(in[i + 1])) << 8;
      i += 2;
      const std::size_t length = (token >> 12) + 3;
      const std::size_t distance = (token & 0x0FFF) + 1;
      if (distance > written) return Lz77Result::kDamaged;
      for (std::size_t k = 0; k < length; ++k) {
        if (out->size() - start >= cap) return Lz77Result::kOverCap;
        // Byte by byte: a reference may overlap what it writes.
        out->push_back((*out)[out->size() - distance]);
      }
    }
  }
  return Lz77Result::kComplete;
}

}  // namespace folian::convert::hlp
