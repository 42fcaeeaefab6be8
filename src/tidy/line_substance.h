// What a line of GBK text is made of, for the clean-up after advertisement
// removal and for the layout: Chinese characters (the content of a novel),
// letters and digits in any of their forms, and everything else
// (punctuation, symbols, blanks).
//
// Tested by tests/tidy/layout_test.cc.
#pragma once

#include <cstddef>
#include <string_view>

namespace folian::tidy {

struct LineSubstance {
  std::size_t chinese = 0;  // ideographs, and anything that is not plainly a symbol
  std::size_t alnum = 0;    // ASCII and full-width letters and digits, ①-style
                            // numbers, Greek, Cyrillic, kana and pinyin letters
  std::size_t marks = 0;    // punctuation and symbols (blanks not counted)

  bool blank() const { return chinese == 0 && alnum == 0 && marks == 0; }
  // Only punctuation and symbols.
  bool marks_only() const { return chinese == 0 && alnum == 0 && marks > 0; }
};

LineSubstance MeasureLine(std::string_view gbk);

}  // namespace folian::tidy
