// Windows code page 1252 (Western European) to Unicode. Western e-books
// (PalmDOC databases, old web pages) store their text in it; its bytes
// 0x80-0x9F hold curly quotes, dashes and the euro sign, which is why
// ISO 8859-1 is not enough. Tested by tests/charset/cp1252_test.cc.
#pragma once

#include <string>
#include <string_view>

namespace folian::charset {

// The character of one byte. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value,
// as web browsers read them.
char16_t Cp1252ToUnicode(unsigned char byte);

// Appends the UTF-8 form of cp1252 `bytes` to `*out`.
void Cp1252ToUtf8(std::string_view bytes, std::string* out);

}  // namespace folian::charset
