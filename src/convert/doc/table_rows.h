// Where a Word 97-2003 document's table rows end. Cells and rows both end
// with character 7; a row's end is the paragraph whose properties carry the
// "table terminating paragraph" flag. The flag lives in the paragraph
// property pages (PAPX FKPs) indexed by the PlcBtePapx of the table stream.
// Only that flag is read; the rest of the formatting does not matter for
// text.
//
// Tested by tests/convert/doc_reader_test.cc.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace folian::convert::doc {

class TableRows {
 public:
  // `plc`: the PlcBtePapx bytes; `word_document`: the stream its pages are in.
  // Damaged pages are passed over (their rows then read as cells).
  void Read(std::string_view plc, std::string_view word_document);

  // True when the paragraph whose mark is at byte offset `fc` of the
  // WordDocument stream ends a table row.
  bool EndsRow(std::uint32_t fc) const;

 private:
  struct Range {
    std::uint32_t start, end;  // [start, end) byte offsets of row-ending paragraphs
  };
  std::vector<Range> rows_;
};

}  // namespace folian::convert::doc
