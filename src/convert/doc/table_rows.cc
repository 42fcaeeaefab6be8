#include "convert/doc/table_rows.h"

#include <algorithm>

#include "convert/byte_reader.h"

namespace folian::convert::doc {
namespace {

constexpr std::size_t kPageSize = 512;
constexpr std::uint32_t kPageNumberMask = 0x3FFFFF;
constexpr std::size_t kBxSize = 13;  // offset byte + paragraph height
// The flags: an outer table's row end and a nested table's.
constexpr std::uint16_t kSprmPFTtp = 0x2417;
constexpr std::uint16_t kSprmPFInnerTtp = 0x244C;
// Operands whose size is not in their first byte.
constexpr std::uint16_t kSprmTDefTable = 0xD608;
constexpr std::uint16_t kSprmPChgTabs = 0xC615;

// True when the property list `grpprl` sets either row-end flag.
bool SetsRowEnd(std::string_view grpprl) {
  ByteReader r(grpprl);
  std::uint16_t sprm = 0;
  while (r.remaining() >= 2 && r.U16Le(&sprm)) {
    std::uint64_t size = 0;
    switch (sprm >> 13) {
      case 0:
      case 1: size = 1; break;
      case 2:
      case 4:
      case 5: size = 2; break;
      case 3: size = 4; break;
      case 7: size = 3; break;
      default: {
        if (sprm == kSprmTDefTable) {
          std::uint16_t cb = 0;
          if (!r.U16Le(&cb) || cb == 0) return false;
          size = cb - 1u;
        } else {
          std::uint8_t cb = 0;
          if (!r.U8(&cb)) return false;
          if (sprm == kSprmPChgTabs && cb == 255) return false;  // a layout not needed here
          size = cb;
        }
      }
    }
    if ((sprm == kSprmPFTtp || sprm == kSprmPFInnerTtp) && size == 1) {
      std::uint8_t v = 0;
      if (r.U8(&v) && v != 0) return true;
      continue;
    }
    if (!r.Skip(size)) return false;
  }
  return false;
}

}  // namespace

void TableRows::Read(std::string_view plc, std::string_view word_document) {
  rows_.clear();
  if (plc.size() < 4 || (plc.size() - 4) % 8 != 0) return;
  const std::size_t n = (plc.size() - 4) / 8;
  ByteReader pns(plc.substr((n + 1) * 4));
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t pn = 0;
    if (!pns.U32Le(&pn)) return;
    std::string_view page;
    if (!ByteReader::Slice(word_document, std::uint64_t{pn & kPageNumberMask} * kPageSize, kPageSize, &page)) {
      continue;
    }
    const std::size_t runs = static_cast<unsigned char>(page[kPageSize - 1]);
    if ((runs + 1) * 4 + runs * kBxSize > kPageSize - 1) continue;
    ByteReader fcs(page);
    std::uint32_t start = 0;
    fcs.U32Le(&start);
    for (std::size_t k = 0; k < runs; ++k) {
      std::uint32_t end = 0;
      fcs.U32Le(&end);
      const std::size_t offset = 2 * static_cast<std::size_t>(static_cast<unsigned char>(page[(runs + 1) * 4 + k * kBxSize]));
      if (offset != 0 && offset < kPageSize - 1) {
        std::size_t length = static_cast<unsigned char>(page[offset]);
        std::size_t at = offset + 1;
        if (length == 0) {
          length = 2 * static_cast<std::size_t>(static_cast<unsigned char>(page[offset + 1]));
          at = offset + 2;
        } else {
          length = 2 * length - 1;
        }
        // The style number (2 bytes), then the properties.
        if (length > 2 && at + length <= kPageSize - 1 && SetsRowEnd(page.substr(at + 2, length - 2)) && end > start) {
          rows_.push_back({start, end});
        }
      }
      start = end;
    }
  }
  std::sort(rows_.begin(), rows_.end(), [](const Range& a, const Range& b) { return a.start < b.start; });
}

bool TableRows::EndsRow(std::uint32_t fc) const {
  auto it = std::upper_bound(rows_.begin(), rows_.end(), fc, [](std::uint32_t v, const Range& r) { return v < r.start; });
  if (it == rows_.begin()) return false;
  --it;
  return fc >= it->start && fc < it->end;
}

}  // namespace folian::convert::doc
