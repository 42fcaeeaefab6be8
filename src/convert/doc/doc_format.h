// Word 97-2003 documents to text (the doc2txt converter; .docx files are
// read by docx/docx_format.h).
//
// The compound file is opened (compound_file.h), the File Information
// Block read (fib.h), and the main text taken through the piece table
// (piece_table.h) in CP order, 8-bit pieces in code page 1252 and the others
// UTF-16. Paragraph marks, line, page and section breaks end lines with
// CR LF; fields keep their results and drop their instructions; table cells
// are separated by tabs and rows end lines (table_rows.h). Footnotes and
// endnotes follow the text after a blank line.
//
// Files that Word or a download site saved under a .doc name in another
// format -- a .docx package, RTF, a web page -- are read by those formats'
// readers, since the user's doc2txt means "a Word document".
//
// Output: GBK, or UTF-8 with a mark when the document holds characters GBK
// cannot (the sink's encoding says which). Encrypted documents and Word 6/95
// files are refused with a message.
#pragma once

#include <string_view>

#include "convert/read_context.h"
#include "convert/status.h"
#include "convert/text_sink.h"

namespace folian::convert {

Status ReadDoc(std::string_view input, TextSink& sink, const ReadContext& ctx);

// The compound file signature D0 CF 11 E0 A1 B1 1A E1.
bool LooksLikeDoc(std::string_view head);

}  // namespace folian::convert
