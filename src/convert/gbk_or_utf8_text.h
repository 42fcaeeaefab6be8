// Text a document reader decodes to Unicode (RTF, Word) and stores the way
// the program stores converted books: GBK while every character fits, and
// UTF-8 with a mark as soon as one does not, so nothing is lost. The switch
// happens once and converts what was collected so far.
//
// Units are buffered and checked against GBK in batches, so appending one
// character at a time stays cheap. No-break spaces become plain spaces
// (GBK has none, and one should not turn a whole book into UTF-8).
//
// Example:
//   GbkOrUtf8Text text(kMaxOutputBytes);
//   text.Append(u"第一回");
//   text.LineEnd();
//   if (text.overflowed()) ...;
//   sink.SetEncoding(text.encoding());
//   sink.Append(text.Finish());
//
// Tested by tests/convert/gbk_or_utf8_text_test.cc.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "convert/text_sink.h"

namespace folian::convert {

class GbkOrUtf8Text {
 public:
  // `cap`: the most bytes the finished text may take; text past it is
  // dropped and overflowed() becomes true.
  explicit GbkOrUtf8Text(std::size_t cap);

  void Append(char16_t unit);
  void Append(std::u16string_view units);
  void AppendAscii(std::string_view ascii);
  // Everything `other` holds (a part collected on its own, e.g. notes).
  void Append(GbkOrUtf8Text& other);
  // CR LF. Cell ends not followed by text on the line are dropped.
  void LineEnd();
  // The end of a table cell: a tab, written when more text follows on the
  // line (a row's last cell needs none).
  void CellEnd() { ++pending_cells_; }

  // The last unit appended ('\0' when empty).
  char16_t back() const { return last_; }
  bool empty() const { return size_ == 0; }
  // True when nothing but spaces, tabs and line ends was appended.
  bool blank() const { return !visible_; }
  bool overflowed() const { return overflowed_; }

  // Checks what is still buffered, so the answer covers everything
  // appended so far.
  TextEncoding encoding() {
    Flush();
    return unicode_ ? TextEncoding::kUtf8Mark : TextEncoding::kGbk;
  }
  // The text in encoding(), without the mark. Call once, at the end.
  std::string Finish();

 private:
  void Flush();
  bool Fits(std::size_t units);
  void WriteCells();

  std::size_t cap_;
  std::size_t size_ = 0;   // units appended
  bool unicode_ = false;
  bool visible_ = false;
  bool overflowed_ = false;
  char16_t last_ = 0;
  std::size_t pending_cells_ = 0;
  std::u16string pending_;  // not yet checked against GBK
  std::string gbk_;         // while unicode_ is false
  std::u16string wide_;     // once it is true
  std::string scratch_;
};

}  // namespace folian::convert
