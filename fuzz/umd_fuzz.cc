// UMD books from arbitrary bytes. The first byte picks the mode:
//  even: the rest is a UMD file for Umd2txt, which must end with text or a
//        message, never read out of bounds or run past its caps;
//  odd:  the rest is UTF-16LE text, written as a book and read back, which
//        must give the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "charset/codepage.h"
#include "convert/text_sink.h"
#include "convert/umd/umd_reader.h"
#include "convert/umd/umd_writer.h"
#include "convert/wide_text.h"

using namespace folian;
using namespace folian::convert;

namespace {

// The output cap of a fuzz run: far above what a 1 MB input may fairly
// yield through the per-chunk cap, far below the machine's memory.
constexpr std::size_t kFuzzOutputCap = std::size_t{64} << 20;

void RoundTrip(std::string_view bytes) {
  std::u16string text = UnitsFromLe(bytes);
  // Units the reader rightly changes (line separators, a leading mark,
  // trailing zeros, unpaired surrogates) are kept out.
  for (char16_t& u : text) {
    if (u == 0 || u == 0x2028 || u == 0x2029 || u == 0xFEFF || (u >= 0xD800 && u <= 0xDFFF)) u = u'x';
  }
  std::string book;
  std::uint32_t next = 1;
  if (!WriteUmd({u"t", u"a", text}, &book, [&next] { return next++; })) std::abort();
  MemorySink sink(kFuzzOutputCap);
  if (!ReadUmd(book, sink, {})) std::abort();
  const std::u16string back = sink.encoding() == TextEncoding::kGbk
                                  ? charset::ToWide(charset::kGbk, sink.text())
                                  : charset::ToWide(charset::kUtf8, sink.text());
  if (back != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > (1 << 20)) return 0;  // longer inputs only repeat what short ones reach
  std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1) {
    RoundTrip(bytes.substr(0, 1 << 16));
    return 0;
  }
  LooksLikeUmd(bytes.substr(0, 4096));
  MemorySink sink(kFuzzOutputCap);
  const Status s = ReadUmd(bytes, sink, {});
  if (!s.ok() && s.message().empty()) std::abort();  // every failure says why
  return 0;
}
