// Whether a mark-less buffer holds UTF-8 or UTF-16LE text.
#pragma once

#include <cstddef>
#include <string_view>

namespace folian::text {

// Well-formed lead/continuation structure and at least one byte >= 0x80;
// pure ASCII is not UTF-8.
bool LooksLikeUtf8(std::string_view bytes);

// The platform's UTF-16 text test with every test requested; when it answers
// yes on statistics alone, any GBK lead byte in the buffer vetoes it.
bool LooksLikeUtf16(std::string_view bytes);

}  // namespace folian::text
