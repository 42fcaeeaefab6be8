// The .docx reader on arbitrary bytes: whole packages through ReadDocx, and
// the bytes as a document part and a notes part straight to the XML walk,
// which mutated archives seldom reach (their checksums fail first).
// Properties: no crash, no hang, nothing past the caps, and a failed read
// leaves the sink empty.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "reader_contract.h"
#include "convert/docx/docx_format.h"
#include "convert/docx/part_text.h"
#include "convert/gbk_or_utf8_text.h"
#include "convert/text_sink.h"

using namespace folian::convert;

namespace {

// Larger inputs only take longer to mutate.
constexpr std::size_t kMaxFuzzInput = 1 << 20;
// Small, so the output cap is reached too.
constexpr std::size_t kFuzzOutputCap = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxFuzzInput) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  folian::fuzz::CheckReaderContract(ReadDocx, bytes, kFuzzOutputCap);

  if (bytes.substr(0, 2) == "PK") return 0;
  for (docx::PartKind kind : {docx::PartKind::kDocument, docx::PartKind::kNotes}) {
    GbkOrUtf8Text text(kFuzzOutputCap);
    docx::ReadPartText(bytes, kind, &text, nullptr);
    if (text.Finish().size() > kFuzzOutputCap) __builtin_trap();
  }
  return 0;
}
