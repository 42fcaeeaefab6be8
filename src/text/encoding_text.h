// The status-bar text naming a file's encoding (UTF-8 for display).
#pragma once

#include <string>

namespace folian::text {

// "当前文件编码:..." for `codepage`; empty for code page 0. A UTF-16 or UTF-8
// file without a mark gets "  *BOM" appended.
std::string EncodingText(int codepage, int bom_flag);

}  // namespace folian::text
