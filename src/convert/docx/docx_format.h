// Word .docx documents to text (the doc2txt converter's second format).
//
// The package is opened with the ZIP reader (zip/zip_reader.h); the main
// document part is the one the package relationships name (usually
// word/document.xml), parsed with tinyxml2 and walked without recursion.
// Paragraphs end lines with CR LF, runs give their text, tabs and breaks;
// deleted text, field instructions, hidden text and property blocks are
// not text; table cells are separated by tabs and rows end lines; text
// boxes are read once (the first choice of alternate content). Footnotes
// and endnotes follow the text after a blank line.
//
// Output: GBK, or UTF-8 with a mark when the document holds characters GBK
// cannot (the sink's encoding says which).
//
// Tested by tests/convert/docx_reader_test.cc.
#pragma once

#include <cstdint>
#include <string_view>

#include "convert/read_context.h"
#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

Status ReadDocx(std::string_view input, TextSink& sink, const ReadContext& ctx);

// A ZIP archive that is an Office Open XML package: its first entry is
// "[Content_Types].xml", or a Word part ("word/") is named near its start.
bool LooksLikeDocx(std::string_view head);

namespace docx {

// One XML part, inflated. The parsed tree takes several times the text, so
// the cap is below the archive's entry cap; a novel of several million
// characters stays far below it.
inline constexpr std::uint64_t kMaxPartBytes = std::uint64_t{128} << 20;
// Fields nested inside one another (see doc/word_characters.h).
inline constexpr int kMaxFieldDepth = 64;

}  // namespace docx
}  // namespace folian::convert
