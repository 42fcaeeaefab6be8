// ePub books to text: META-INF/container.xml names the package document,
// its spine gives the reading order, and each (X)HTML content document of
// the spine goes through the HTML converter, in order, each ending its last
// line. Nothing else of the book (navigation, styles, images, metadata) is
// read. The text is UTF-8, the encoding of the content documents; a
// document in another encoding is converted to it.
//
// Archive, container and package problems are reported, never turned into
// an empty text: a book without a container, without its package document
// or with a package that does not parse, or whose spine names no document
// that is there, gives a message and no output.
//
// Tested by tests/convert/epub_reader_test.cc.
#pragma once

#include <string_view>

#include "convert/read_context.h"
#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

Status ReadEpub(std::string_view input, TextSink& sink, const ReadContext& ctx);

// The registry's magic test: a ZIP archive whose first bytes show the ePub
// "mimetype" entry or the container.
bool LooksLikeEpub(std::string_view head);

}  // namespace folian::convert
