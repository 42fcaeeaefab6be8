// Bytes of the code pages RTF fonts name, to UTF-16. The Chinese code pages
// (936, 950), Western (1252, also standing in for symbol fonts) and UTF-8
// are decoded exactly; for the others the program has no table, so their
// ASCII bytes pass and every other byte becomes "?", the platform's default
// character (writers of such files give \uN for those characters anyway).
//
// Tested through tests/convert/rtf_reader_test.cc.
#pragma once

#include <string>
#include <string_view>

namespace folian::convert::rtf {

// Appends the characters of `bytes` in `codepage` to `*out`.
void DecodeCodePage(int codepage, std::string_view bytes, std::u16string* out);

}  // namespace folian::convert::rtf
