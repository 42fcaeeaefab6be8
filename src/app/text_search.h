// Find and replace on GBK text as the find/replace panel does it: the
// field escapes, and plain searches that only match on character
// boundaries (a trail byte followed by a lead byte is not a character).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace folian::app {

// "\r", "\t" and "\n" stand for CR, tab and LF; everything else is kept.
std::string ProcessEscapes(std::string_view field);

// The first character start at or after `pos` (text.size() past the end).
std::size_t NextCharStart(std::string_view text, std::size_t pos);

// The next occurrence of `needle` at or after `from` (a character boundary)
// that starts on a character boundary; npos when none (or `needle` is empty).
std::size_t FindGbk(std::string_view text, std::string_view needle, std::size_t from = 0);

// Replaces every occurrence found that way; returns the count.
std::size_t ReplaceAllGbk(std::string& text, std::string_view needle, std::string_view replacement);

}  // namespace folian::app
