#include "text/decode.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "charset/codepage.h"
#include "text/encoding_detector.h"
#include "text/utf_tests.h"

namespace folian::text {
namespace {

// NUL bytes are rare: found with memchr rather than a byte loop over the
// whole file.
void ZerosToBlanks(std::string& s) {
  char* p = s.data();
  char* const end = p + s.size();
  while ((p = static_cast<char*>(std::memchr(p, '\0', static_cast<std::size_t>(end - p)))) != nullptr) *p++ = ' ';
}

std::u16string UnitsFromBytes(std::string_view bytes, bool big_endian, std::size_t* unmappable) {
  std::u16string units(bytes.size() / 2, u'\0');
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
  for (std::size_t i = 0; i < units.size(); ++i, p += 2) {
    units[i] = big_endian ? static_cast<char16_t>((p[0] << 8) | p[1])
                          : static_cast<char16_t>((p[1] << 8) | p[0]);
  }
  // A dangling last byte is half a character: it cannot be kept.
  if (bytes.size() % 2 != 0 && unmappable != nullptr) ++*unmappable;
  return units;
}

}  // namespace

void ForEachLinePiece(std::string_view text, const std::function<void(std::string_view)>& take) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.size();
    if (end - at > kConvertPieceBytes) {
      const std::size_t lf = text.find('\n', at + kConvertPieceBytes);
      if (lf != std::string_view::npos) end = lf + 1;
    }
    take(text.substr(at, end - at));
    at = end;
  }
}

bool IsWideOrUtf8(int bom_class) {
  return bom_class == kBomUtf8 || bom_class == kBomUtf16LE || bom_class == kBomUtf16BE;
}

StoredEncoding ClassifyContent(std::string_view bytes, int probed_class, int detected_codepage,
                               int bom_flag) {
  StoredEncoding enc{probed_class, false};
  if (probed_class == kBomUtf8) {
    enc.mark = bom_flag == 1 && detected_codepage == charset::kUtf8;
    return enc;
  }
  if (probed_class == kBomUtf16LE || probed_class == kBomUtf16BE) {
    enc.mark = bom_flag == 1;
    return enc;
  }
  enc.bom_class = kBomAnsi;
  if (LooksLikeUtf8(bytes)) {
    enc.bom_class = kBomUtf8;
  } else if (LooksLikeUtf16(bytes)) {
    enc.bom_class = kBomUtf16LE;
  } else if (bom_flag == 0 && detected_codepage == charset::kUtf16LE) {
    // UTF-16 line breaks were found: reading it as ANSI would blank its zero
    // bytes and ruin it on the next save.
    enc.bom_class = kBomUtf16LE;
  } else if (bom_flag == 0 && detected_codepage == charset::kUtf16BE) {
    enc.bom_class = kBomUtf16BE;
  }
  return enc;
}

StoredEncoding ClassifyFile(std::string_view bytes) {
  int codepage = 0, bom_flag = 0;
  DetectEncodingOfSample(bytes.substr(0, kDetectSampleSize), kDetectCodePage | kDetectBomFlag,
                         &codepage, &bom_flag, UserPrimaryLanguage());
  return ClassifyContent(bytes, BomClassOfBytes(bytes), codepage, bom_flag);
}

std::string_view SkipMark(std::string_view bytes, StoredEncoding encoding) {
  if (!encoding.mark) return bytes;
  std::size_t n = encoding.bom_class == kBomUtf8 ? 3 : 2;
  if (encoding.bom_class == kBomAnsi) n = 0;
  return bytes.substr(std::min(n, bytes.size()));
}

std::string DecodeToGbk(std::string_view content, int bom_class, std::size_t* unmappable,
                        bool zeros_to_blanks) {
  std::size_t lost = 0;
  std::string out;
  switch (bom_class) {
    case kBomUtf8: {
      std::size_t defaulted = 0;
      bool inexact = false;
      out.reserve(content.size());
      std::string gbk;
      ForEachLinePiece(content, [&](std::string_view piece) {
        std::size_t d = 0;
        charset::Utf8ToGbk(piece, gbk, &d);
        defaulted += d;
        // Best-fit look-alikes (U+00C0 as "à") are lost as surely as "?", but
        // only a text that does not come back whole can hold any.
        if (!inexact && (d != 0 || charset::GbkToUtf8(gbk) != piece)) inexact = true;
        out += gbk;
      });
      if (inexact) {
        std::size_t count = 0;
        ForEachLinePiece(content, [&](std::string_view piece) {
          count += charset::InexactCount(charset::kGbk, charset::ToWide(charset::kUtf8, piece));
        });
        lost = std::max(defaulted, count);
      }
      break;
    }
    case kBomUtf16LE:
    case kBomUtf16BE: {
      std::u16string units = UnitsFromBytes(content, bom_class == kBomUtf16BE, &lost);
      out = charset::FromWide(charset::kGbk, units);
      lost += charset::InexactCount(charset::kGbk, units);
      break;
    }
    default:
      out.assign(content);
      break;
  }
  if (zeros_to_blanks) ZerosToBlanks(out);
  if (unmappable != nullptr) *unmappable = lost;
  return out;
}

std::string DecodeFileToGbk(std::string bytes, StoredEncoding encoding, std::size_t* unmappable) {
  const std::string_view content = SkipMark(bytes, encoding);
  if (IsWideOrUtf8(encoding.bom_class)) return DecodeToGbk(content, encoding.bom_class, unmappable);
  bytes.erase(0, bytes.size() - content.size());
  ZerosToBlanks(bytes);
  if (unmappable != nullptr) *unmappable = 0;
  return bytes;
}

std::u16string GbkToWideCounted(std::string_view gbk, std::size_t* unmappable) {
  std::u16string wide = charset::ToWide(charset::kGbk, gbk);
  if (unmappable == nullptr) return wide;
  *unmappable = 0;
  if (charset::FromWide(charset::kGbk, wide) == gbk) return wide;
  // Something did not survive: find out how many characters, one at a time.
  std::size_t i = 0;
  while (i < gbk.size()) {
    auto b = static_cast<unsigned char>(gbk[i]);
    std::size_t len = 1;
    if (b >= 0x80 && i + 1 < gbk.size() && charset::IsLeadByte(charset::kGbk, b)) len = 2;
    std::string_view ch = gbk.substr(i, len);
    if (charset::FromWide(charset::kGbk, charset::ToWide(charset::kGbk, ch)) != ch) ++*unmappable;
    i += len;
  }
  return wide;
}

}  // namespace folian::text
