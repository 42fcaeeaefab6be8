// Character references of web pages: the named entities novel pages use and
// numeric references (decimal "&#26524;" and hexadecimal "&#x679C;").
// Tested by tests/convert/html_reader_test.cc.
#pragma once

#include <cstddef>
#include <string_view>

namespace folian::convert::html {

struct Reference {
  std::size_t length = 0;       // bytes of the reference, "&" and ";" included; 0: none here
  bool named = false;
  std::string_view utf8;        // a named entity's replacement (may be empty)
  char32_t code_point = 0;      // a numeric reference's character
};

// The reference starting at `at` (which begins with "&"). Names are matched
// case-sensitively and need their ";". A numeric reference's ";" may be
// missing (old pages omit it); one naming no character (zero, a surrogate,
// past U+10FFFF, a control other than tab and line feed) is not a reference.
// Bytes 0x80-0x9F are read as the Western code page, as browsers do.
Reference MatchReference(std::string_view at);

}  // namespace folian::convert::html
