// The names a container's files are unpacked under (pages of a help file,
// resources and archive entries of an .exe book). A stored name becomes a
// relative name below the output folder, or is refused when it could climb
// out of it or is not a name a file system takes.
//
// Tested by tests/convert/chm_reader_test.cc and tests/convert/pe_reader_test.cc.
#pragma once

#include <string>
#include <string_view>

namespace folian::convert {

// `stored` with backslashes as '/' and one leading '/' (a container's root)
// dropped, e.g. "\html\A.htm" -> "html/A.htm"; empty when refused: empty,
// not UTF-8, an empty, "." or ".." folder or name, one longer than 255
// bytes, a ':' (drive letter or stream name) or a control byte anywhere.
std::string SafeEntryName(std::string_view stored);

// True when `s` is well-formed UTF-8.
bool IsUtf8(std::string_view s);

// ASCII letter case ignored; `suffix` in lower case.
bool EndsWithNoCase(std::string_view s, std::string_view suffix);

// ".htm" or ".html" in any letter case.
bool IsPageName(std::string_view name);

}  // namespace folian::convert
