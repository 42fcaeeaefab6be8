// OpenCC dictionary files (.ocd2) from arbitrary bytes: every input parses
// or is refused without touching memory outside it, within the caps; a
// dictionary that parses builds a converter that then converts a text made
// of its own keys.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "charset/codepage.h"
#include "charset/ocd2.h"
#include "charset/script_table.h"

using namespace folian::charset;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The real dictionaries are under a megabyte; larger inputs only slow the
  // fuzzer down.
  if (size > (1 << 20)) return 0;
  const Ocd2Result r = ParseOcd2(std::string_view(reinterpret_cast<const char*>(data), size));
  if (r.status != Ocd2Status::kOk) {
    if (!r.dict.empty() || r.offset > size) __builtin_trap();
    return 0;
  }
  if (r.offset > size) __builtin_trap();
  for (std::size_t i = 0; i < r.dict.size(); ++i) {
    if (r.dict.key(i).size() > 4096) __builtin_trap();  // kMaxMarisaKeyBytes
  }
  // The dictionary as phrases, then as characters.
  const Dictionary none;
  const auto as_phrases = ScriptTable::Build(r.dict, none);
  const auto as_characters = ScriptTable::Build(none, r.dict);
  if (!as_phrases || !as_characters) return 0;
  std::string text;
  for (std::size_t i = 0; i < r.dict.size() && text.size() < 4096; ++i) {
    text += Utf8ToGbk(r.dict.key(i));
    if (i % 3 == 0) text += '\n';
  }
  (void)as_phrases->Convert(text);
  (void)as_characters->Convert(text);
  return 0;
}
