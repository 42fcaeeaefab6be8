// Turns the characters of a Word 97-2003 text stream into plain text. Word
// keeps structure in the text itself: 13 ends a paragraph, 11 breaks a
// line, 12 a page or section, 7 ends a table cell (or, on a row-ending
// paragraph, the row), and 19/20/21 begin a field, separate its instruction
// from its result and end it. Fields nest; instructions are dropped and
// results kept. Anchors of pictures, drawn objects and note references,
// optional hyphens and other control characters are not text.
//
// Tested by tests/convert/doc_reader_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "convert/doc/table_rows.h"
#include "convert/gbk_or_utf8_text.h"

namespace folian::convert::doc {

// Fields nested inside one another. Real documents nest a handful (a page
// number inside a conditional inside a hyperlink); deeper ones are counted
// but their results read as instructions.
inline constexpr std::size_t kMaxFieldDepth = 64;

class WordCharacters {
 public:
  WordCharacters(GbkOrUtf8Text* out, const TableRows* rows) : out_(out), rows_(rows) {}

  // One character, at byte offset `fc` of the WordDocument stream.
  void Add(char16_t c, std::uint32_t fc);

 private:
  GbkOrUtf8Text* out_;
  const TableRows* rows_;
  std::vector<bool> fields_;  // per open field: still in its instruction
  std::size_t instructions_ = 0;  // entries of fields_ that are true
  std::size_t overflow_ = 0;      // open fields past kMaxFieldDepth
};

}  // namespace folian::convert::doc
