// Umd2txt: the text of a UMD e-book (see umd_format.h for the layout).
//
// The content chunks are inflated in file order and joined; the text is cut
// at the declared content length when the chunks hold more (writers pad the
// last chunk), UMD line separators (U+2029, U+2028) become CR LF and a
// leading byte-order mark is dropped. The result is GBK, or UTF-8 with a mark
// when GBK cannot hold every character. A book whose declared length is 0
// and that has no chunks gives an empty text.
//
// Example:
//   MemorySink sink(kMaxOutputBytes);
//   Status s = ReadUmd(bytes, sink, ReadContext{});
//   if (s) WriteFileAtomic(out, sink.FileBytes());
//
// Tested by tests/convert/umd_reader_test.cc and umd_round_trip_test.cc.
#pragma once

#include <cstddef>
#include <string_view>

#include "convert/read_context.h"
#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

// The message for a file that does not start with the UMD magic.
inline constexpr char kUmdWrongHeader[] = "Wrong file header";

Status ReadUmd(std::string_view input, TextSink& sink, const ReadContext& ctx);

// The UMD magic at the start of `head`.
bool LooksLikeUmd(std::string_view head);

namespace umd {
// Writers use 32 KB chunks; a chunk inflating past this is damaged or hostile
// (the margin leaves room for producers with larger chunks).
inline constexpr std::size_t kMaxChunkInflated = std::size_t{1} << 20;
// The whole UTF-16 text: the longest novels take a few tens of MB.
inline constexpr std::size_t kMaxTextBytes = std::size_t{256} << 20;
// Content chunks of one book: real books have a few hundred.
inline constexpr std::size_t kMaxChunks = 100000;
}  // namespace umd

}  // namespace folian::convert
