// Script conversion of arbitrary bytes with the installed dictionaries
// (skipped when they are missing): no out-of-bounds access, and converting
// in slices of any size gives the bytes of converting the whole text. The
// first byte picks the direction and the slice size.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "charset/script.h"
#include "charset/script_table.h"

using namespace folian::charset;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1 || size > (1 << 16)) return 0;
  const ScriptDirection direction = data[0] & 1 ? ScriptDirection::kToSimplified : ScriptDirection::kToTraditional;
  const std::size_t slice = 1 + (data[0] >> 1);
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const ScriptTable* table = LoadScriptTable(direction);
  if (!table) return 0;

  const std::string whole = table->Convert(text);
  std::string sliced;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t next = table->Convert(text, pos, pos + slice, &sliced);
    if (next < pos + slice && next < text.size()) __builtin_trap();  // stopped short
    pos = next;
  }
  if (sliced != whole) __builtin_trap();

  std::string big5(text);
  (void)ConvertScript(big5, data[0] & 1 ? ScriptMode::kBig5ToGb : ScriptMode::kGbToBig5);
  return 0;
}
