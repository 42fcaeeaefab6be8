#include "convert/pdb/palmdoc.h"

#include <algorithm>
#include <cstddef>

namespace folian::convert::pdb {

bool ExpandPalmDoc(std::string_view record, std::string* out) {
  const std::size_t start = out->size();
  // Nothing expands to more than five times its size (a two-byte copy gives
  // at most ten bytes).
  out->reserve(start + record.size() * 5);
  std::size_t i = 0;
  while (i < record.size()) {
    const auto b = static_cast<unsigned char>(record[i++]);
    if (b >= 0x01 && b <= 0x08) {
      // A literal run; a run cut off by the record's end keeps what is there.
      const std::size_t n = std::min<std::size_t>(b, record.size() - i);
      out->append(record.substr(i, n));
      i += n;
    } else if (b < 0x80) {
      out->push_back(static_cast<char>(b));
    } else if (b < 0xC0) {
      if (i >= record.size()) return false;
      const unsigned w = (b << 8) | static_cast<unsigned char>(record[i++]);
      const std::size_t distance = (w & 0x3FFF) >> 3;
      const std::size_t length = (w & 7) + 3;
      const std::size_t produced = out->size() - start;
      if (distance == 0 || distance > produced) return false;
      // Byte by byte: the copy may overlap what it is producing.
      std::size_t from = out->size() - distance;
      for (std::size_t k = 0; k < length; ++k) out->push_back((*out)[from++]);
    } else {
      out->push_back(' ');
      out->push_back(static_cast<char>(b ^ 0x80));
    }
  }
  return true;
}

}  // namespace folian::convert::pdb
