#include "convert/wide_text.h"

#include "charset/codepage.h"
#include "convert/messages.h"

namespace folian::convert {

TextEncoding ChooseEncoding(std::u16string_view text) {
  return charset::InexactCount(charset::kGbk, text) == 0 ? TextEncoding::kGbk
                                                         : TextEncoding::kUtf8Mark;
}

Status EmitWideText(std::u16string_view text, TextSink& sink) {
  const TextEncoding encoding = ChooseEncoding(text);
  sink.SetEncoding(encoding);
  const std::string bytes = encoding == TextEncoding::kGbk
                                ? charset::FromWide(charset::kGbk, text)
                                : charset::FromWide(charset::kUtf8, text);
  if (!sink.Append(bytes)) return Status::Error(msg::kOutputTooLarge);
  return Status::Ok();
}

std::u16string UnitsFromLe(std::string_view bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t i = 0; i < units.size(); ++i, p += 2)
    units[i] = static_cast<char16_t>(p[0] | (p[1] << 8));
  return units;
}

}  // namespace folian::convert
