#include "convert/rtf/code_pages.h"

#include "charset/codepage.h"
#include "charset/cp1252.h"

namespace folian::convert::rtf {

void DecodeCodePage(int codepage, std::string_view bytes, std::u16string* out) {
  if (codepage == charset::kGbk || codepage == charset::kBig5 || codepage == charset::kUtf8) {
    std::u16string wide;
    charset::ToWide(codepage, bytes, wide);
    out->append(wide);
    return;
  }
  if (codepage == 1252) {
    for (const char c : bytes) out->push_back(charset::Cp1252ToUnicode(static_cast<unsigned char>(c)));
    return;
  }
  // Japanese and Korean: a high byte starts a pair, whose second byte may
  // look like ASCII and must not come out as a letter.
  auto lead = [codepage](unsigned char b) {
    if (codepage == 932) return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return (codepage == 949 || codepage == 1361) && b >= 0x81 && b <= 0xFE;
  };
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out->push_back(b);
      continue;
    }
    out->push_back(u'?');
    if (lead(b) && i + 1 < bytes.size()) ++i;
  }
}

}  // namespace folian::convert::rtf
