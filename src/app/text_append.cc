#include "app/text_append.h"

#include <algorithm>

#include "charset/codepage.h"
#include "text/decode.h"
#include "text/encoding_detector.h"
#include "text/text_file.h"

namespace folian::app {
namespace {

using convert::TextEncoding;

std::u16string FromUtf16(std::string_view bytes, bool big_endian) {
  std::u16string out;
  out.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto a = static_cast<unsigned char>(bytes[i]);
    const auto b = static_cast<unsigned char>(bytes[i + 1]);
    out.push_back(static_cast<char16_t>(big_endian ? (a << 8 | b) : (b << 8 | a)));
  }
  return out;
}

void AppendUtf16(std::u16string_view text, bool big_endian, std::string* out) {
  for (char16_t u : text) {
    const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
    out->push_back(big_endian ? hi : lo);
    out->push_back(big_endian ? lo : hi);
  }
}

std::u16string Wide(std::string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::kGbk: return charset::ToWide(charset::kGbk, text);
    case TextEncoding::kUtf8:
    case TextEncoding::kUtf8Mark: return charset::ToWide(charset::kUtf8, text);
    case TextEncoding::kUtf16Le: return FromUtf16(text, false);
  }
  return {};
}

bool IsAscii(std::string_view s) {
  return std::none_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

}  // namespace

std::string JoinTextFiles(std::string_view existing, std::string_view text,
                          TextEncoding encoding) {
  const std::string_view mark = convert::MarkOf(encoding);
  if (existing.empty() || IsAscii(existing)) {
    // Nothing there, or text every encoding but UTF-16 shares: the new
    // text's encoding decides, its mark first.
    if (encoding != TextEncoding::kUtf16Le) {
      return std::string(mark).append(existing).append(text);
    }
    if (existing.empty()) return std::string(mark).append(text);
  }

  int codepage = 0, bom_flag = 0;
  text::DetectEncodingOfSample(existing.substr(0, text::kDetectSampleSize),
                               text::kDetectCodePage | text::kDetectBomFlag, &codepage, &bom_flag,
                               text::UserPrimaryLanguage());
  const text::StoredEncoding old =
      text::ClassifyContent(existing, text::BomClassOfBytes(existing), codepage, bom_flag);
  const std::string_view old_content = text::SkipMark(existing, old);

  // The same encoding: the bytes join as they are.
  const bool same = (old.bom_class == text::kBomAnsi && encoding == TextEncoding::kGbk) ||
                    (old.bom_class == text::kBomUtf8 &&
                     (encoding == TextEncoding::kUtf8 || encoding == TextEncoding::kUtf8Mark)) ||
                    (old.bom_class == text::kBomUtf16LE && encoding == TextEncoding::kUtf16Le);
  if (same) return std::string(existing).append(text);

  const std::u16string added = Wide(text, encoding);
  std::string out(existing);
  switch (old.bom_class) {
    case text::kBomUtf8:
      out += charset::FromWide(charset::kUtf8, added);
      return out;
    case text::kBomUtf16LE:
    case text::kBomUtf16BE:
      AppendUtf16(added, old.bom_class == text::kBomUtf16BE, &out);
      return out;
    default:
      if (charset::InexactCount(charset::kGbk, added) == 0) {
        out += charset::FromWide(charset::kGbk, added);
        return out;
      }
      break;
  }
  // GBK cannot hold the new text: both become UTF-8, marked so the mix
  // is never read as GBK again.
  std::string joined = "\xEF\xBB\xBF";
  joined += charset::FromWide(charset::kUtf8, charset::ToWide(charset::kGbk, old_content));
  joined += charset::FromWide(charset::kUtf8, added);
  return joined;
}

}  // namespace folian::app
