// Joining a converter's new text to a text file that is already there (the
// HTML converter appends to a ".txt" of the same name). The joined file is
// in one encoding: the existing file's, when the new text fits it exactly;
// otherwise UTF-8 with a mark, the existing text converted too. Bytes are
// never joined across encodings.
// Tested by tests/app/convert_file_test.cc.
#pragma once

#include <string>
#include <string_view>

#include "convert/text_sink.h"

namespace folian::app {

// The whole file: `existing` (a file's bytes, mark included) followed by
// `text` (without a mark) in `encoding`.
std::string JoinTextFiles(std::string_view existing, std::string_view text,
                          convert::TextEncoding encoding);

}  // namespace folian::app
