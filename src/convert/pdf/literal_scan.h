// The plain scan for files whose page tree cannot be found: every
// "stream" ... "endstream" body in the file, found by byte search, is
// inflated and scanned for text objects (BT ... ET) whose literal strings
// are written out. Line breaks, tabs and blanks are guessed from the
// numbers before TD and before each string, through a window of the last
// 15 bytes. It knows nothing of fonts: string bytes are written as they are.
#pragma once

#include <string_view>

#include "common/progress.h"
#include "convert/pdf/text_builder.h"

namespace folian::convert::pdf {

// Scans one inflated content stream.
void ScanLiteralText(std::string_view content, TextBuilder* out);

// Runs the scan over every stream body of `file`. False when stopped by `cancel`.
bool ScanAllStreams(std::string_view file, TextBuilder* out, const CancelFlag* cancel);

}  // namespace folian::convert::pdf
