#include "convert/doc/fib.h"

#include "convert/byte_reader.h"

namespace folian::convert::doc {
namespace {

constexpr std::uint16_t kWordSignature = 0xA5EC;
// Word 97 writes 0x00C1 (its betas 0x00C0); Word 6 and 95 wrote 101-105,
// whose block has another layout.
constexpr std::uint16_t kFirstWord97Fib = 0x00C0;

constexpr std::uint16_t kFlagEncrypted = 0x0100;
constexpr std::uint16_t kFlagTable1 = 0x0200;

// Indices into the 32-bit field array and the offset/length pair array.
constexpr std::size_t kLwCcpText = 3;
constexpr std::size_t kLwCcpEdn = 8;
constexpr std::size_t kPairPlcfBtePapx = 13;
constexpr std::size_t kPairClx = 33;

}  // namespace

FibResult ParseFib(std::string_view word_document, Fib* fib) {
  ByteReader r(word_document);
  std::uint16_t ident = 0, flags = 0;
  if (!r.U16Le(&ident) || ident != kWordSignature) return FibResult::kNotWord;
  r.U16Le(&fib->nfib);
  r.Seek(6);
  r.U16Le(&fib->lid);
  r.Seek(0x0A);
  r.U16Le(&flags);
  if (!r.ok()) return FibResult::kDamaged;
  if (fib->nfib < kFirstWord97Fib) return FibResult::kOldVersion;
  fib->encrypted = (flags & kFlagEncrypted) != 0;
  fib->table1 = (flags & kFlagTable1) != 0;

  std::uint16_t csw = 0, cslw = 0, pairs = 0;
  r.Seek(0x20);
  r.U16Le(&csw);
  r.Skip(std::uint64_t{csw} * 2);
  r.U16Le(&cslw);
  const std::size_t lw = r.pos();
  r.Skip(std::uint64_t{cslw} * 4);
  r.U16Le(&pairs);
  const std::size_t fclcb = r.pos();
  if (!r.ok() || cslw <= kLwCcpEdn || pairs <= kPairClx) return FibResult::kDamaged;

  std::uint32_t ccp[kLwCcpEdn - kLwCcpText + 1] = {};
  r.Seek(lw + kLwCcpText * 4);
  for (std::uint32_t& c : ccp) r.U32Le(&c);
  fib->ccp_text = ccp[0];
  fib->ccp_footnotes = ccp[1];
  fib->ccp_headers = ccp[2];
  fib->ccp_macros = ccp[3];
  fib->ccp_annotations = ccp[4];
  fib->ccp_endnotes = ccp[5];
  r.Seek(fclcb + kPairPlcfBtePapx * 8);
  r.U32Le(&fib->fc_papx);
  r.U32Le(&fib->lcb_papx);
  r.Seek(fclcb + kPairClx * 8);
  r.U32Le(&fib->fc_clx);
  r.U32Le(&fib->lcb_clx);
  return r.ok() ? FibResult::kOk : FibResult::kDamaged;
}

}  // namespace folian::convert::doc
