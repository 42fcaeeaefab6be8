#include "convert/doc/word_characters.h"

namespace folian::convert::doc {
namespace {

constexpr char16_t kCellMark = 0x07;
constexpr char16_t kTab = 0x09;
constexpr char16_t kLineBreak = 0x0B;
constexpr char16_t kPageBreak = 0x0C;
constexpr char16_t kParagraphMark = 0x0D;
constexpr char16_t kColumnBreak = 0x0E;
constexpr char16_t kFieldBegin = 0x13;
constexpr char16_t kFieldSeparator = 0x14;
constexpr char16_t kFieldEnd = 0x15;
constexpr char16_t kNonBreakingHyphen = 0x1E;

}  // namespace

void WordCharacters::Add(char16_t c, std::uint32_t fc) {
  switch (c) {
    case kFieldBegin:
      if (fields_.size() < kMaxFieldDepth && overflow_ == 0) {
        fields_.push_back(true);
        ++instructions_;
      } else {
        ++overflow_;
      }
      return;
    case kFieldSeparator:
      if (overflow_ == 0 && !fields_.empty() && fields_.back()) {
        fields_.back() = false;
        --instructions_;
      }
      return;
    case kFieldEnd:
      if (overflow_ > 0) {
        --overflow_;
      } else if (!fields_.empty()) {
        if (fields_.back()) --instructions_;
        fields_.pop_back();
      }
      return;
    default: break;
  }
  if (instructions_ > 0 || overflow_ > 0) return;
  switch (c) {
    case kParagraphMark:
    case kLineBreak:
    case kPageBreak:
    case kColumnBreak: out_->LineEnd(); return;
    case kCellMark:
      if (rows_ != nullptr && rows_->EndsRow(fc)) {
        out_->LineEnd();
      } else {
        out_->CellEnd();
      }
      return;
    case kTab: out_->Append(u'\t'); return;
    case kNonBreakingHyphen: out_->Append(u'-'); return;
    default: break;
  }
  // Other controls anchor pictures, drawings and notes, or mark optional
  // hyphens. U+F0xx are glyph numbers of symbol fonts, not characters.
  if (c < 0x20 || (c >= 0xF000 && c <= 0xF0FF)) return;
  out_->Append(c);
}

}  // namespace folian::convert::doc
