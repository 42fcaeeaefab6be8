// Arbitrary bytes as a WinHelp file, as LZ77 data and as phrase tables:
// nothing may read outside its input, loop, or expand past its caps.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/hlp/hlp_format.h"
#include "convert/hlp/lz77.h"
#include "convert/hlp/phrases.h"
#include "convert/text_sink.h"

using namespace folian;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  convert::MemorySink sink(std::size_t{64} << 20);
  convert::ReadHlp(bytes, sink, {});

  std::string out;
  const std::size_t cap = 1 << 16;
  convert::hlp::ExpandLz77(bytes, cap, &out);
  if (out.size() > cap) std::abort();

  // The first half as a table, the rest as text coded with it.
  const std::string_view table = bytes.substr(0, size / 2), text = bytes.substr(size / 2);
  convert::hlp::PhraseTable phrases;
  if (phrases.LoadOld(table, size % 2 == 0) || phrases.LoadHall(table, text)) {
    std::string expanded;
    phrases.Expand(text, cap, &expanded);
    if (expanded.size() > cap) std::abort();
  }
  return 0;
}
