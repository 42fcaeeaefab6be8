#include "convert/doc/piece_table.h"

#include "convert/byte_reader.h"
#include "convert/limits.h"

namespace folian::convert::doc {
namespace {

constexpr std::uint8_t kClxtPrc = 0x01;
constexpr std::uint8_t kClxtPcdt = 0x02;
constexpr std::uint32_t kFcCompressedBit = 0x40000000;
constexpr std::uint32_t kFcMask = 0x3FFFFFFF;
constexpr std::size_t kPcdSize = 8;

}  // namespace

bool ParsePieceTable(std::string_view clx, std::vector<Piece>* pieces) {
  pieces->clear();
  ByteReader r(clx);
  std::uint8_t clxt = 0;
  // Property modifiers (Prc) come first; skip them to the piece table.
  while (r.U8(&clxt) && clxt == kClxtPrc) {
    std::uint16_t size = 0;
    if (!r.U16Le(&size) || (size & 0x8000) != 0 || !r.Skip(size)) return false;
  }
  if (!r.ok() || clxt != kClxtPcdt) return false;
  std::uint32_t lcb = 0;
  std::string_view plc;
  if (!r.U32Le(&lcb) || !r.Bytes(lcb, &plc)) return false;
  // n + 1 positions of 4 bytes and n descriptors of 8.
  if (plc.size() < 4 || (plc.size() - 4) % (4 + kPcdSize) != 0) return false;
  const std::size_t n = (plc.size() - 4) / (4 + kPcdSize);
  if (n == 0 || n > kMaxEntries * 10) return false;
  ByteReader cps(plc.substr(0, (n + 1) * 4));
  ByteReader pcds(plc.substr((n + 1) * 4));
  pieces->reserve(n);
  std::uint32_t start = 0;
  cps.U32Le(&start);
  for (std::size_t i = 0; i < n; ++i) {
    std::uint32_t end = 0, fc = 0;
    cps.U32Le(&end);
    pcds.Skip(2);
    pcds.U32Le(&fc);
    pcds.Skip(2);
    if (!cps.ok() || !pcds.ok() || end < start) return false;
    Piece p;
    p.cp_start = start;
    p.cp_end = end;
    p.compressed = (fc & kFcCompressedBit) != 0;
    p.fc = p.compressed ? (fc & kFcMask) / 2 : fc & kFcMask;
    pieces->push_back(p);
    start = end;
  }
  return true;
}

}  // namespace folian::convert::doc
