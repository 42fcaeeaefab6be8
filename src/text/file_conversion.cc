#include "text/file_conversion.h"

#include <fmt/core.h>

#include <algorithm>

#include "text/atomic_write.h"
#include "text/decode.h"
#include "text/encoding_detector.h"

namespace folian::text {
namespace {

// Decoding without the load's zero-to-blank step: a conversion keeps the text as it is.
std::string ToGbk(std::string_view content, int bom_class, std::size_t* unmappable) {
  return DecodeToGbk(content, bom_class, unmappable, /*zeros_to_blanks=*/false);
}

}  // namespace

std::string AnsiToUtf16LE(std::string_view gbk, std::size_t* unmappable) {
  return EncodeForFile(gbk, {kBomUtf16LE, true}, unmappable);
}

std::string AnsiToUtf16BE(std::string_view gbk, std::size_t* unmappable) {
  return EncodeForFile(gbk, {kBomUtf16BE, true}, unmappable);
}

std::string AnsiToUtf8(std::string_view gbk, std::size_t* unmappable) {
  return EncodeForFile(gbk, {kBomUtf8, true}, unmappable);
}

std::string Utf16ToAnsi(std::string_view file, int bom_class, std::size_t* unmappable) {
  const bool be = bom_class == kBomUtf16BE;
  const bool marked = file.size() >= 2 && BomClassOfBytes(file) == (be ? kBomUtf16BE : kBomUtf16LE);
  return ToGbk(SkipMark(file, {be ? kBomUtf16BE : kBomUtf16LE, marked}),
               be ? kBomUtf16BE : kBomUtf16LE, unmappable);
}

std::string Utf8ToAnsi(std::string_view file, std::size_t* unmappable) {
  const bool marked = file.substr(0, 3) == "\xEF\xBB\xBF";
  return ToGbk(SkipMark(file, {kBomUtf8, marked}), kBomUtf8, unmappable);
}

bool IsTxtFile(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".txt";
}

ConversionReport ConvertFileEncoding(const std::filesystem::path& path, EncodingCommand command,
                                     bool force) {
  ConversionReport report;
  if (!IsTxtFile(path)) {
    report.outcome = ConversionOutcome::kNotTxt;
    return report;
  }
  std::string bytes;
  if (!ReadWholeFile(path, &bytes, &report.error)) return report;

  int codepage = 0, bom_flag = 0;
  DetectEncodingOfSample(std::string_view(bytes).substr(0, kDetectSampleSize),
                         kDetectCodePage | kDetectBomFlag, &codepage, &bom_flag,
                         UserPrimaryLanguage());
  report.from = ClassifyContent(bytes, BomClassOfBytes(bytes), codepage, bom_flag);
  report.to = report.from;
  const int cls = report.from.bom_class;

  // Every target is decided first, then written once: a two-step command
  // never leaves the file half converted.
  std::size_t lost_in = 0, lost_out = 0;
  std::string out;
  switch (command) {
    case EncodingCommand::kToAnsi:
      // Big-endian UTF-16 is converted like little-endian: the button is
      // offered for it, and leaving it as it was would be a command that
      // does nothing.
      if (cls == kBomUtf16LE || cls == kBomUtf16BE) {
        out = Utf16ToAnsi(bytes, cls, &lost_in);
        report.to = {kBomAnsi, false};
      } else if (cls == kBomUtf8) {
        out = Utf8ToAnsi(bytes, &lost_in);
        report.to = {kBomAnsi, false};
      }
      break;
    case EncodingCommand::kToUnicode:
      if (cls == kBomAnsi) {
        out = AnsiToUtf16LE(bytes, &lost_out);
        report.to = {kBomUtf16LE, true};
      } else if (cls == kBomUtf8) {
        out = AnsiToUtf16LE(Utf8ToAnsi(bytes, &lost_in), &lost_out);
        report.to = {kBomUtf16LE, true};
      }
      break;
    case EncodingCommand::kToUtf8:
      if (cls == kBomAnsi) {
        out = AnsiToUtf8(bytes, &lost_out);
        report.to = {kBomUtf8, true};
      } else if (cls == kBomUtf16LE || cls == kBomUtf16BE) {
        out = AnsiToUtf8(Utf16ToAnsi(bytes, cls, &lost_in), &lost_out);
        report.to = {kBomUtf8, true};
      }
      break;
  }
  if (report.to == report.from) {
    report.outcome = ConversionOutcome::kLeftAlone;
    return report;
  }
  report.unmappable = lost_in + lost_out;
  if (report.unmappable > 0 && !force) {
    report.outcome = ConversionOutcome::kRefusedLoss;
    report.to = report.from;
    report.error = fmt::format(
        "\"{}\": {} character(s) cannot be stored in the new encoding and would become \"?\"",
        path.string(), report.unmappable);
    return report;
  }
  if (!WriteFileAtomic(path, out, &report.error)) {
    report.to = report.from;
    return report;
  }
  report.outcome = ConversionOutcome::kConverted;
  return report;
}

}  // namespace folian::text
