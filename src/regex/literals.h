// What a pattern tells about where it can match, before running it: anchors,
// the bytes a match can start with, and a literal every match contains.
// The searcher uses these to skip start positions that cannot match.
#pragma once

#include <cstddef>
#include <string_view>

#include "regex/ast.h"
#include "regex/program.h"

namespace folian::regex {

void AnalyzeLiterals(const Node& root, Program* prog);

// First occurrence of `needle` in `hay` at or after `from`; npos when none.
// With `icase`, `needle` is lower case and ASCII letters in `hay` fold.
std::size_t FindLiteral(std::string_view hay, std::string_view needle, bool icase, std::size_t from);

}  // namespace folian::regex
