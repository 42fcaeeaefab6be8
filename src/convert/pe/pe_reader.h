// .exe e-books to pages. Such a book is a program that shows its pages
// itself; running it is not possible here, so its pages are read from the
// file instead:
//   - web pages kept as resources: every RT_HTML entry, and RT_RCDATA or
//     custom-typed entries whose bytes are HTML; named entries keep their
//     names, numbered ones become ID.htm; images and style sheets kept as
//     resources are written too when a page names them;
//   - a ZIP archive appended to the program (a self-extracting archive) or
//     kept as a resource: every entry (and the pages of a CHM entry);
//   - a CHM help file appended or kept as a resource: its pages, as the
//     CHM reader gives them.
// Names go through the same rules as a help file's (page_name.h). The
// reader fails, saying why, when nothing at all could be written.
//
// Example:
//   FolderPageSink pages(folder);
//   Status s = ReadPe(bytes, pages, ReadContext{});
//
// Tested by tests/convert/pe_reader_test.cc.
#pragma once

#include <string_view>

#include "convert/page_sink.h"
#include "convert/pe/pe_image.h"
#include "convert/read_context.h"
#include "convert/status.h"

namespace folian::convert {

Status ReadPe(std::string_view input, PageSink& sink, const ReadContext& ctx);

// True when `bytes` begin like a web page (after a byte-order mark, in
// UTF-8, GBK or UTF-16).
bool LooksLikeHtmlResource(std::string_view bytes);

}  // namespace folian::convert
