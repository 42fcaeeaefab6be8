// Jar2txt: the text of a phone e-book archive, in one of three layouts
// (jar_format.h), tried in this order:
//  1. entry "0" present: if it is under 1 KB and "1" exists, "1" is the whole
//     book; otherwise the numbered entries "0", "1", "2"... (up to the first
//     missing number) of at least 1 KB each are its parts. UTF-16LE.
//  2. "ebook/txt/1.txt", UTF-16LE. A text that is mostly simplified Chinese
//     (Big5 would hold fewer of its characters than GBK) has its stray
//     traditional characters mapped to simplified ones.
//  3. the UTF-8 files under "data/<folder>/" except "info", in archive order.
// Each UTF-16 part loses its leading mark ("HB" or FF FE) and terminating
// zero units. The result is GBK when GBK holds every character (traditional
// ones included), else UTF-8 with a mark.
//
// Tested by tests/convert/jar_reader_test.cc and jar_round_trip_test.cc.
#pragma once

#include <cstddef>
#include <string_view>

#include "convert/read_context.h"
#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

Status ReadJar(std::string_view input, TextSink& sink, const ReadContext& ctx);

// A ZIP archive whose first entry is one a phone e-book starts with
// ("META-INF/...", "0", "1", "ebook/...", "data/..."): other archives
// (ePub, DOCX) start with entries of their own.
bool LooksLikeJar(std::string_view head);

namespace jar {
// The whole UTF-16 text of a book: the longest novels take a few tens of MB.
inline constexpr std::size_t kMaxTextBytes = std::size_t{256} << 20;
}  // namespace jar

}  // namespace folian::convert
