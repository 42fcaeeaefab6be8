// txt2umd: a single-chapter UMD text book, built in memory.
//
// The file holds, in order: the magic; the file-kind, title, author, date,
// kind-of-book and publisher sections; the content length; one chapter at
// offset 0 titled "1"; the text in deflated chunks of 32 KB of UTF-16LE (a
// shorter last chunk padded with blanks to 4 KB), with a 0xF1 and a 0x0A
// section each after a randomly chosen chunk; the chunk index; the cover
// (umd_cover.h); and the end section carrying the file's size. One random
// identifier serves the chapter, index and cover sections and their blocks;
// each chunk has its own, never equal to that one or to another chunk's.
//
// Tested by tests/convert/umd_writer_test.cc and umd_round_trip_test.cc.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/progress.h"
#include "convert/status.h"

namespace folian::convert {

struct UmdBook {
  std::u16string title;
  std::u16string author;
  std::u16string text;  // stored as it is, a leading mark included
};

// The random values a book draws; tests pass a fixed sequence.
using UmdRandom = std::function<std::uint32_t()>;

// `text` cut to what one section holds (umd::kMaxSectionTextUnits units),
// never between the halves of a surrogate pair.
std::u16string FitSectionText(std::u16string_view text);

// Fails only when zlib fails or the text is too large for the format's
// 32-bit lengths. Titles and authors longer than a section holds are cut
// with FitSectionText (callers compare to say so).
// `progress` (if given) sees the chunks compressed.
Status WriteUmd(const UmdBook& book, std::string* archive, const UmdRandom& random = {},
                ProgressSink* progress = nullptr);

}  // namespace folian::convert
