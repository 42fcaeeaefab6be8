// Bracket matching in GBK text: "()", "[]", "{}" and their full-width forms
// "（）", "［］", "｛｝". A half-width and a full-width bracket of the same kind
// pair with each other (novels mix them freely). Brackets pair within one
// line only: a paragraph of a novel is one line, and one stray bracket must
// not swallow the rest of the book.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "text/garbled.h"

namespace folian::text {

// Every unmatched bracket, in text order (ranges of 1 or 2 bytes).
std::vector<ByteRange> UnmatchedBrackets(std::string_view text);

// The first unmatched bracket starting at or after `from`.
std::optional<ByteRange> FindUnmatchedBracket(std::string_view text, std::size_t from);

}  // namespace folian::text
