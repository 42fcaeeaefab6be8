// Hard returns: line breaks inside a paragraph, left by text that was wrapped
// at a fixed width. A break is hard when the line before it does not end a
// paragraph by the rule tidying joins lines with: it is not a chapter title,
// is at least the short-line threshold long, and does not end in closing
// punctuation or one of the paragraph-ending ASCII characters.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "text/garbled.h"

namespace folian::text {

inline constexpr int kDefaultShortLineBytes = 44;

// Whether a line (GBK, without its break) ends a paragraph. The line is
// trimmed of blanks, tabs and full-width blanks first, as tidying does; an
// empty line ends one.
bool LineEndsParagraph(std::string_view line, int short_line = kDefaultShortLineBytes);

// The first hard return whose line break starts at or after `from`: the
// range of its CR/LF bytes (CR LF, LF or CR). Nothing when there is none.
std::optional<ByteRange> FindHardReturn(std::string_view text, std::size_t from,
                                        int short_line = kDefaultShortLineBytes);

}  // namespace folian::text
