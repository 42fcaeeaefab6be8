// Arbitrary file bytes split by size, and arbitrary text split by chapter:
// nothing may read out of bounds, and no byte of the file may be lost. By
// size, each piece starts with the file's mark, and the pieces joined (marks
// dropped) hold exactly the file's content once line ends are taken out of
// both: the split only rewrites line ends and inserts breaks. By chapter, the
// pieces joined are the text, and every chapter starts a GBK character.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/chapters.h"
#include "files/split.h"
#include "text/decode.h"

using namespace folian;

namespace {

// The content without its line ends (LF, and a CR right before an LF), unit
// by unit for UTF-16.
std::string WithoutLineEnds(std::string_view s, int bom_class) {
  const std::size_t w = bom_class == text::kBomUtf16LE || bom_class == text::kBomUtf16BE ? 2 : 1;
  const bool be = bom_class == text::kBomUtf16BE;
  auto unit = [&](std::size_t i) -> unsigned {
    if (w == 1) return static_cast<unsigned char>(s[i]);
    const auto a = static_cast<unsigned char>(s[i]), b = static_cast<unsigned char>(s[i + 1]);
    return be ? (a << 8) | b : (b << 8) | a;
  };
  std::string out;
  std::size_t i = 0;
  for (; i + w <= s.size(); i += w) {
    const unsigned u = unit(i);
    if (u == '\n') continue;
    if (u == '\r' && i + 2 * w <= s.size() && unit(i + w) == '\n') continue;
    out.append(s.substr(i, w));
  }
  out.append(s.substr(i));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2 || size > 1 << 16) return 0;  // long inputs only repeat what short ones reach
  const std::uint64_t piece = 1 + ((data[0] | (data[1] << 8)) % 512);
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

  files::SplitPlan plan;
  if (files::PlanSizeSplit(bytes, piece, "/f", "p", &plan)) {
    const text::StoredEncoding enc = text::ClassifyFile(bytes);
    const std::string_view content = text::SkipMark(bytes, enc);
    const std::string_view mark = bytes.substr(0, bytes.size() - content.size());
    std::string joined;
    for (const files::SplitPiece& p : plan.pieces) {
      if (p.bytes.compare(0, mark.size(), mark) != 0) std::abort();
      joined += p.bytes.substr(mark.size());
    }
    // After a dangling UTF-16 byte the units of the joined pieces are out of
    // step; such a file is only checked for bounds.
    const bool wide = enc.bom_class == text::kBomUtf16LE || enc.bom_class == text::kBomUtf16BE;
    if (!(wide && content.size() % 2 != 0) &&
        WithoutLineEnds(joined, enc.bom_class) != WithoutLineEnds(content, enc.bom_class)) {
      std::abort();
    }
  } else if (piece < bytes.size()) {
    std::abort();
  }

  const files::ChapterList found = files::FindChapters(bytes, files::DefaultChapterPattern());
  std::size_t next_start = 0;
  std::size_t at = 0;
  for (const files::Chapter& c : found.chapters) {
    while (at < c.offset) at += files::GbkCharLength(bytes, at);
    if (at != c.offset || c.title.size() > files::kChapterTitleBytes) std::abort();
    if (c.offset < next_start) std::abort();
    next_start = c.offset + 1;
  }
  const files::SplitPlan chapters =
      files::PlanChapterSplit(bytes, found.chapters, {text::kBomAnsi, false}, "/f", "p");
  std::string joined;
  for (const files::SplitPiece& p : chapters.pieces) joined += p.bytes;
  if (joined != bytes) std::abort();
  return 0;
}
