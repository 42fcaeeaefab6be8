#include "convert/source_text.h"

#include "charset/codepage.h"
#include "convert/wide_text.h"
#include "text/decode.h"
#include "text/encoding_detector.h"

namespace folian::convert {

SourceText DecodeSource(std::string_view bytes) {
  int codepage = 0, bom_flag = 0;
  text::DetectEncodingOfSample(bytes.substr(0, text::kDetectSampleSize),
                               text::kDetectCodePage | text::kDetectBomFlag, &codepage, &bom_flag,
                               text::UserPrimaryLanguage());
  SourceText src;
  src.encoding = text::ClassifyContent(bytes, text::BomClassOfBytes(bytes), codepage, bom_flag);
  const std::string_view content = text::SkipMark(bytes, src.encoding);
  switch (src.encoding.bom_class) {
    case text::kBomUtf8:
      src.units = charset::ToWide(charset::kUtf8, content);
      break;
    case text::kBomUtf16LE:
      src.units = UnitsFromLe(content);
      break;
    case text::kBomUtf16BE:
      src.units = UnitsFromLe(content);
      for (char16_t& u : src.units) u = static_cast<char16_t>((u << 8) | (u >> 8));
      break;
    default:
      src.units = charset::ToWide(charset::kGbk, content);
      break;
  }
  return src;
}

}  // namespace folian::convert
