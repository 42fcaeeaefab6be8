// Compiled HTML help (CHM) to pages: the help file's web pages (".htm" and
// ".html", any letter case) handed to a PageSink under the names the help
// file stores, folders from '/'. Images, style sheets, the table of contents
// and the help system's own streams stay inside. The container and its LZX
// compression are read by libmspack from memory.
//
// A damaged page is left out and the others are still written; a name that
// would climb out of the output folder ("..", an absolute name, a drive
// letter, a backslash path), that is empty or not UTF-8 is refused and the
// page left out. The reader fails, with a message saying why, only when no
// page at all could be written.
//
// Example:
//   FolderPageSink pages(folder);
//   Status s = ReadChm(bytes, pages, ReadContext{});
//
// Tested by tests/convert/chm_reader_test.cc.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "convert/page_sink.h"
#include "convert/read_context.h"
#include "convert/status.h"

namespace folian::convert {

// "ITSF", the signature of every CHM.
bool LooksLikeChm(std::string_view head);

Status ReadChm(std::string_view input, PageSink& sink, const ReadContext& ctx);

// The name a page stored as `stored` (e.g. "/html/Intro.HTM") is written
// under ("html/Intro.HTM"), or empty when it is not a page to write: not
// .htm/.html, a system stream or storage, or a name that is refused.
std::string ChmPageName(std::string_view stored);

}  // namespace folian::convert
