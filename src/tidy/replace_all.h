// Literal replace-all on byte strings, the primitive of every literal rule.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace folian::tidy {

// Scans from the start, replaces each occurrence of `find` (non-empty) by
// `replace` and continues after the inserted text; returns the count. The
// result is built once, not shifted per hit.
std::size_t ReplaceAll(std::string& text, std::string_view find, std::string_view replace);

// ReplaceAll repeated until it finds nothing; returns the total count. A
// replacement that contains `find` would never finish, so it runs once.
std::size_t ReplaceAllRepeat(std::string& text, std::string_view find, std::string_view replace);

// First occurrence of `find` in `text` at or after `from`, or npos.
std::size_t FindBytes(std::string_view text, std::string_view find, std::size_t from = 0);

}  // namespace folian::tidy
