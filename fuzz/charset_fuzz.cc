// Code-page conversions on arbitrary bytes: no out-of-bounds access, and the
// direct paths agree with the routes through UTF-16.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "charset/codepage.h"
#include "charset/unicode_test.h"

using namespace folian::charset;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  for (int cp : {kGbk, kBig5, kUtf8}) {
    const std::u16string wide = ToWide(cp, bytes);
    if (wide.size() > size) __builtin_trap();  // never more units than bytes
    std::size_t defaulted = 0;
    const std::string back = FromWide(cp, wide, '?', &defaulted);
    if (defaulted > wide.size()) __builtin_trap();
  }

  if (GbkToUtf8(bytes) != EncodeUtf8(ToWide(kGbk, bytes))) __builtin_trap();
  std::size_t direct = 0, routed = 0;
  if (Utf8ToGbk(bytes, &direct) != FromWide(kGbk, ToWide(kUtf8, bytes), '?', &routed) || direct != routed)
    __builtin_trap();

  // The bytes as UTF-16 text, including unpaired surrogates.
  std::u16string units(size / 2, u'\0');
  std::memcpy(units.data(), data, units.size() * 2);
  if (EncodeUtf8(units).size() != EncodedUtf8Size(units)) __builtin_trap();
  for (int cp : {kGbk, kBig5, kUtf8}) (void)FromWide(cp, units);

  int tests = kAllTextUnicodeTests | IS_TEXT_UNICODE_DBCS_LEADBYTE;
  (void)IsTextUnicode(data, size, &tests);
  return 0;
}
