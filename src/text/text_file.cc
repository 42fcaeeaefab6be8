#include "text/text_file.h"

#include <fmt/core.h>

#include <string>

#include "charset/codepage.h"
#include "text/atomic_write.h"
#include "text/decode.h"
#include "text/encoding_detector.h"

namespace folian::text {
namespace {

void AppendUnits(std::string* out, std::u16string_view units, bool big_endian) {
  std::size_t at = out->size();
  out->resize(at + units.size() * 2);
  char* p = out->data() + at;
  for (char16_t u : units) {
    char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
    *p++ = big_endian ? hi : lo;
    *p++ = big_endian ? lo : hi;
  }
}

}  // namespace

bool LoadTextFile(const std::filesystem::path& path, LoadedText* out, std::string* error) {
  std::string bytes;
  if (!ReadWholeFile(path, &bytes, error)) return false;
  // Detection and class are judged on the bytes just read, so they agree with the content.
  int codepage = 0, bom_flag = 0;
  DetectEncodingOfSample(std::string_view(bytes).substr(0, kDetectSampleSize),
                         kDetectCodePage | kDetectBomFlag, &codepage, &bom_flag,
                         UserPrimaryLanguage());
  StoredEncoding enc = ClassifyContent(bytes, BomClassOfBytes(bytes), codepage, bom_flag);
  // A mark-less file is judged on its whole content, a marked one read after its mark.
  LoadedText loaded;
  loaded.text = DecodeFileToGbk(std::move(bytes), enc, &loaded.unmappable);
  loaded.encoding = enc;
  loaded.codepage = codepage;
  loaded.bom_flag = bom_flag;
  loaded.converted_size = loaded.text.size();
  *out = std::move(loaded);
  return true;
}

std::string EncodeForFile(std::string_view gbk, StoredEncoding encoding, std::size_t* unmappable) {
  if (unmappable != nullptr) *unmappable = 0;
  std::string out;
  switch (encoding.bom_class) {
    case kBomUtf8:
    case kBomUtf16LE:
    case kBomUtf16BE: {
      const bool utf8 = encoding.bom_class == kBomUtf8, be = encoding.bom_class == kBomUtf16BE;
      if (encoding.mark) out = utf8 ? "\xEF\xBB\xBF" : be ? "\xFE\xFF" : "\xFF\xFE";
      out.reserve(out.size() + gbk.size() * (utf8 ? 3 : 4) / 2);
      ForEachLinePiece(gbk, [&](std::string_view piece) {
        std::size_t lost = 0;
        const std::u16string wide = GbkToWideCounted(piece, unmappable != nullptr ? &lost : nullptr);
        if (unmappable != nullptr) *unmappable += lost;
        if (utf8) {
          out += charset::EncodeUtf8(wide);
        } else {
          AppendUnits(&out, wide, be);
        }
      });
      return out;
    }
    default:
      return std::string(gbk);
  }
}

bool SaveTextFile(const std::filesystem::path& path, std::string_view gbk,
                  StoredEncoding encoding, const SaveRequest& request, std::string* error,
                  std::size_t* lost) {
  std::size_t unmappable = 0;
  // GBK text is written as it is, without a copy of a possibly huge text.
  std::string encoded;
  if (IsWideOrUtf8(encoding.bom_class)) encoded = EncodeForFile(gbk, encoding, &unmappable);
  const std::string_view bytes = IsWideOrUtf8(encoding.bom_class) ? std::string_view(encoded) : gbk;
  std::size_t total = unmappable + request.loaded_loss;
  if (lost != nullptr) *lost = total;
  if (total > 0 && !request.force) {
    if (error != nullptr)
      *error = fmt::format(
          "\"{}\": {} character(s) cannot be stored in this encoding and would become \"?\"",
          path.string(), total);
    return false;
  }
  return WriteFileAtomic(path, bytes, error);
}

bool SaveTextFile(const std::filesystem::path& path, std::string_view gbk,
                  StoredEncoding encoding, std::string* error) {
  return SaveTextFile(path, gbk, encoding, SaveRequest{}, error);
}

}  // namespace folian::text
