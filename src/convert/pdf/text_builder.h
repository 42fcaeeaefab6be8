// Collects the extracted text and decides how it is stored. Text stays GBK
// (the program's own encoding) while every character fits; the first one
// GBK cannot hold turns the whole text into UTF-8, written with a mark, so
// nothing is lost. Bytes passed on as they are (strings of fonts nothing is
// known about) are GBK by the scan's old rule and follow the same way.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "convert/text_sink.h"

namespace folian::convert::pdf {

class TextBuilder {
 public:
  explicit TextBuilder(std::size_t cap);

  // Bytes in code page 936, as the literal-string scan writes them.
  void Raw(std::string_view bytes);
  // Decoded text. White-space controls and no-break spaces become spaces,
  // other control characters are dropped, typographic ligatures spelt out,
  // radicals read as the ideographs they stand for.
  void Text(std::u16string_view text);
  void Ascii(std::string_view bytes);  // separators and line ends
  void LineEnd() { Ascii("\r\n"); }

  bool at_line_start() const;
  bool ends_with_space() const;  // a space or tab is last
  bool empty() const { return unicode_ ? wide_.empty() : gbk_.empty(); }
  // True once the text went past the cap; later text is dropped.
  bool overflowed() const { return overflowed_; }

  TextEncoding encoding() const { return unicode_ ? TextEncoding::kUtf8Mark : TextEncoding::kGbk; }
  // The text in that encoding, without the mark.
  std::string Finish() const;

 private:
  void ToUnicode();
  bool Fits(std::size_t more);

  std::size_t cap_;
  bool unicode_ = false;
  bool overflowed_ = false;
  std::string gbk_;
  std::u16string wide_;
  std::u16string clean_;   // scratch
  std::string encoded_;    // scratch
};

}  // namespace folian::convert::pdf
