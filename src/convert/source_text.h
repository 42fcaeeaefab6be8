// The text file that txt2umd and txt2jar pack, as the rest of the program
// reads it: classified by the encoding detection of text/ (a UTF-8 file
// without a mark is UTF-8, not ANSI) and turned into UTF-16.
//
// Tested by tests/convert/umd_round_trip_test.cc and jar_round_trip_test.cc.
#pragma once

#include <string>
#include <string_view>

#include "text/text_file.h"

namespace folian::convert {

struct SourceText {
  text::StoredEncoding encoding;  // class, and whether the file starts with a mark
  std::u16string units;           // the text after the mark
};

SourceText DecodeSource(std::string_view file_bytes);

}  // namespace folian::convert
