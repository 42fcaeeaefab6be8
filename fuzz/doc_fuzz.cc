// The Word 97-2003 reader on arbitrary bytes: whole files through ReadDoc,
// and the compound file layer alone (every directory entry read as a
// stream), which mutated Word files reach only through a valid header.
// Properties: no crash, no hang, nothing past the caps, and a failed read
// leaves the sink empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "reader_contract.h"
#include "convert/doc/compound_file.h"
#include "convert/doc/doc_format.h"
#include "convert/text_sink.h"

using namespace folian::convert;

namespace {

// Larger inputs only take longer to mutate; a compound file with a few
// streams fits in far less.
constexpr std::size_t kMaxFuzzInput = 1 << 20;
// Small, so the output cap is reached too.
constexpr std::size_t kFuzzOutputCap = 1 << 20;
// A stream read in the fuzzer: a mutated size field must not make one run
// allocate the real cap.
constexpr std::uint64_t kFuzzStreamCap = 4 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxFuzzInput) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  folian::fuzz::CheckReaderContract(ReadDoc, bytes, kFuzzOutputCap);

  doc::CompoundFile file;
  if (!file.Open(bytes).ok()) return 0;
  for (const doc::DirEntry& e : file.entries()) {
    if (e.type != doc::kStream) continue;
    std::string out;
    if (file.ReadStream(e, &out, kFuzzStreamCap).ok() && out.size() > kFuzzStreamCap) __builtin_trap();
  }
  return 0;
}
