// The RTF reader on arbitrary bytes: whole files through ReadRtf (with and
// without the "{\rtf" start, so mutations past the magic are not wasted),
// and the lexer alone, whose tokens must always move forward.
// Properties: no crash, no hang, nothing past the caps, and a failed read
// leaves the sink empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "reader_contract.h"
#include "convert/rtf/lexer.h"
#include "convert/rtf/rtf_format.h"
#include "convert/text_sink.h"

using namespace folian::convert;

namespace {

// Larger inputs only take longer to mutate; every structure the reader
// knows fits in far less.
constexpr std::size_t kMaxFuzzInput = 1 << 20;
// Small, so the output cap is reached too.
constexpr std::size_t kFuzzOutputCap = 1 << 20;

void ReadWhole(std::string_view bytes) {
  folian::fuzz::CheckReaderContract(ReadRtf, bytes, kFuzzOutputCap);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxFuzzInput) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReadWhole(bytes);
  if (!LooksLikeRtf(bytes.substr(0, 4096))) ReadWhole("{\\rtf1" + std::string(bytes) + "}");

  rtf::Lexer lexer(bytes);
  std::size_t last = 0;
  for (;;) {
    const rtf::Token t = lexer.Next();
    if (t.kind == rtf::TokenKind::kEnd) break;
    if (lexer.pos() <= last || lexer.pos() > bytes.size()) __builtin_trap();
    if (t.kind == rtf::TokenKind::kWord && t.word.size() > rtf::kMaxWordLength + 1) __builtin_trap();
    last = lexer.pos();
  }
  return 0;
}
