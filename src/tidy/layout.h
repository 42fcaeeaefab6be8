// The last step of a tidy run: indentation and blank lines as the Tidy
// options choose them, on the lines the scanner and the advertisement
// removal left.
//
// Each line gets the indentation (INDENT and its count) and each line break
// is doubled when PARAGRAPH asks for a blank line between paragraphs. A
// blank line never carries indentation (blanks alone make it blank), the
// text starts with its first line of text and ends right after its last
// one. With the break after every "。" forced, the scanner leaves what
// followed a "。" in the same line ("。”", "。’”", a wrapped line's "。")
// on a line of its own; such a line of punctuation goes back to the end of
// the line before it.
//
// Tested by tests/tidy/layout_test.cc.
#pragma once

#include <string>
#include <string_view>

#include "tidy/tidy_options.h"

namespace folian::tidy {

std::string ApplyLayout(std::string text, const TidyOptions& options);

}  // namespace folian::tidy
