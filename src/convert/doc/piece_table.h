// The piece table of a Word 97-2003 document (the CLX in its table
// stream): the text is a sequence of character positions (CPs) cut into
// pieces, each stored somewhere in the WordDocument stream either as
// 8-bit "compressed" characters (code page 1252) or as UTF-16LE. Fast-saved
// documents keep their pieces out of order; the table puts them back.
//
// Tested by tests/convert/doc_reader_test.cc.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace folian::convert::doc {

struct Piece {
  std::uint32_t cp_start = 0;  // first CP
  std::uint32_t cp_end = 0;    // one past the last
  std::uint32_t fc = 0;        // byte offset of the first character in the WordDocument stream
  bool compressed = false;     // one byte per character
};

// Pieces in CP order. False when the CLX holds no piece table or it is
// malformed (positions going backwards, a record running past the end).
bool ParsePieceTable(std::string_view clx, std::vector<Piece>* pieces);

}  // namespace folian::convert::doc
