// The PDF reader on arbitrary bytes: whole files through ReadPdf, and the
// pieces a mutated file seldom reaches whole -- content streams, CMap
// programs, stream filters and the literal scan -- fed the bytes directly.
// Properties: no crash, no hang, nothing past the caps, and a failed read
// leaves the sink empty.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "reader_contract.h"
#include "convert/pdf/cmap.h"
#include "convert/pdf/content.h"
#include "convert/pdf/document.h"
#include "convert/pdf/filters.h"
#include "convert/pdf/literal_scan.h"
#include "convert/pdf/pdf_format.h"
#include "convert/pdf/text_builder.h"
#include "convert/text_sink.h"

using namespace folian::convert;

namespace {

// Larger inputs only take longer to mutate; every structure the reader
// knows fits in far less.
constexpr std::size_t kMaxFuzzInput = 1 << 20;
// The text a run may produce: small, so the output caps are reached too.
constexpr std::size_t kFuzzOutputCap = 1 << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > kMaxFuzzInput) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  folian::fuzz::CheckReaderContract(ReadPdf, bytes, kFuzzOutputCap);
  if (LooksLikePdf(bytes)) return 0;

  // Not a file: the bytes as a content stream, a CMap and filter input.
  pdf::TextBuilder text(kFuzzOutputCap);
  pdf::ScanLiteralText(bytes, &text);
  pdf::Document doc(bytes);
  doc.Index();
  pdf::ContentReader reader(&doc, &text, nullptr);
  reader.ReadContent(bytes, nullptr);

  pdf::CMap cmap;
  cmap.Parse(bytes);
  std::u16string decoded;
  for (std::size_t pos = 0; pos < bytes.size();) {
    int length = 0;
    const std::uint32_t code = cmap.NextCode(bytes, &pos, &length);
    if (length < 1 || length > 4) __builtin_trap();
    cmap.Lookup(code, length, &decoded);
  }

  std::string out;
  for (const char* name : {"FlateDecode", "LZWDecode", "ASCIIHexDecode", "ASCII85Decode", "RunLengthDecode"}) {
    pdf::FilterParams params;
    params.name = name;
    params.predictor = size > 0 ? 10 + data[0] % 6 : 1;
    params.columns = size > 1 ? 1 + data[1] % 16 : 1;
    if (pdf::DecodeFilters(bytes, {params}, kFuzzOutputCap, &out) != pdf::DecodeResult::kUnsupported &&
        out.size() > kFuzzOutputCap + 64) {
      __builtin_trap();
    }
  }
  return 0;
}
