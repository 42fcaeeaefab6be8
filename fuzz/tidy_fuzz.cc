// Arbitrary bytes through a whole tidy run, with the first bytes choosing
// the options: the fast advertising stages must give the reference's bytes,
// and nothing may crash. Pass the rule strings as a dictionary (see
// tools/tidy_fuzz_dict.sh) so that rules fire.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "tidy/ad_removal.h"
#include "tidy/rule_table.h"
#include "tidy/tidy_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace folian::tidy;
  if (size < 3 || size > 8192) return 0;
  static const AdRemover remover(BuiltinRules());
  TidyOptions o;
  const std::uint8_t a = data[0], b = data[1];
  o.num_convert = 1 + a % 3;
  o.char_convert = 1 + (a / 3) % 3;
  o.punc_convert = 1 + (a / 9) % 3;
  o.paragraph = 1 + b % 3;
  o.indent = 1 + (b / 3) % 4;
  o.split_at_fullstop = (b & 0x80) != 0;
  TidyParams p;
  p.remover = &remover;
  p.short_line = 20 + data[2] % 40;
  if (data[2] & 0x80) p.custom = {"\xB9\xE3\xB8\xE6"};  // 广告
  const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);

  p.engine = AdEngine::kFast;
  const auto fast = TidyText(text, o, BuiltinRules(), p);
  p.engine = AdEngine::kReference;
  const auto reference = TidyText(text, o, BuiltinRules(), p);
  if (!fast || !reference) std::abort();  // nothing cancels here
  if (*fast != *reference) {
    std::fprintf(stderr, "fast and reference differ: %zu vs %zu bytes\n", fast->size(), reference->size());
    std::abort();
  }
  return 0;
}
