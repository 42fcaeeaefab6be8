// PDF to text (the Pdf2txt converter).
//
// The text of every page, in page order and content order, decoded through
// the fonts the page selects: ToUnicode maps, the predefined CJK CMaps that
// Chinese files name (GBK-EUC-H, GB-EUC-H, UniGB-UCS2-H, UniGB-UTF16-H, ...),
// simple fonts' encodings. Lines end with CR LF where the text moves to a
// new line. Objects are found by a light scan of the file (object streams
// included), so damaged cross-reference tables do not matter; files whose
// page tree cannot be found fall back to scanning every stream for literal
// strings. Files protected only against copying (an owner password) are
// decrypted; files that need a user password are refused with a message.
//
// Output: GBK, or UTF-8 with a mark when the text holds characters GBK
// cannot (the sink's encoding says which).
#pragma once

#include <string_view>

#include "convert/read_context.h"
#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

Status ReadPdf(std::string_view input, TextSink& sink, const ReadContext& ctx);

// The magic: "%PDF-" within the first kilobyte (viewers accept junk before it).
bool LooksLikePdf(std::string_view head);

}  // namespace folian::convert
