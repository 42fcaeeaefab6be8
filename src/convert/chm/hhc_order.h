// The reading order of a help file's pages, from its table of contents (the
// ".hhc" file, an HTML list of <object> entries whose <param name="Local"
// value="..."> names a page). Each page is named once, at its first entry,
// as the help file stores it (folders from '/', no "#anchor"), so the order
// can be matched against the extracted pages' names.
//
// Tested by tests/convert/chm_reader_test.cc.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace folian::convert {

// `hhc` in UTF-8 or, as older compilers wrote it, GBK.
std::vector<std::string> HhcPageOrder(std::string_view hhc);

}  // namespace folian::convert
