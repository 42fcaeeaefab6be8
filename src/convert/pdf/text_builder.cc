#include "convert/pdf/text_builder.h"

#include "charset/codepage.h"
#include "convert/pdf/encoding_tables.h"
#include "convert/pdf/encodings.h"

namespace folian::convert::pdf {
namespace {

// The letters a ligature glyph (U+FB00..U+FB06) stands for.
const char16_t* Ligature(char16_t c) {
  switch (c) {
    case 0xFB00: return u"ff";
    case 0xFB01: return u"fi";
    case 0xFB02: return u"fl";
    case 0xFB03: return u"ffi";
    case 0xFB04: return u"ffl";
    case 0xFB05:
    case 0xFB06: return u"st";
    default: return nullptr;
  }
}

}  // namespace

TextBuilder::TextBuilder(std::size_t cap) : cap_(cap) {}

bool TextBuilder::Fits(std::size_t more) {
  // UTF-8 needs up to 3 bytes per unit; GBK at most 2 per unit.
  const std::size_t size = unicode_ ? wide_.size() * 3 : gbk_.size();
  if (overflowed_ || more > cap_ || size > cap_ - more) {
    overflowed_ = true;
    return false;
  }
  return true;
}

void TextBuilder::ToUnicode() {
  if (unicode_) return;
  charset::ToWide(charset::kGbk, gbk_, wide_);
  gbk_.clear();
  gbk_.shrink_to_fit();
  unicode_ = true;
}

void TextBuilder::Raw(std::string_view bytes) {
  if (bytes.empty() || !Fits(bytes.size() * (unicode_ ? 3 : 1))) return;
  if (!unicode_) {
    gbk_.append(bytes);
    return;
  }
  std::u16string w;
  charset::ToWide(charset::kGbk, bytes, w);
  wide_.append(w);
}

void TextBuilder::Ascii(std::string_view bytes) {
  if (!Fits(bytes.size() * (unicode_ ? 3 : 1))) return;
  if (!unicode_) {
    gbk_.append(bytes);
  } else {
    for (const char c : bytes) wide_.push_back(static_cast<unsigned char>(c));
  }
}

void TextBuilder::Text(std::u16string_view text) {
  clean_.clear();
  for (const char16_t c : text) {
    // White-space controls separate words (some writers map the space
    // glyph to a tab); other control characters are no text.
    if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v') {
      clean_.push_back(u' ');
      continue;
    }
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) continue;
    if (c == 0xA0) {
      clean_.push_back(u' ');
    } else if (c == 0xAD) {
      clean_.push_back(u'-');
    } else if (const char16_t* lig = Ligature(c)) {
      clean_.append(lig);
    } else if (c >= 0x2E80 && c < 0x2FD6 && detail::kRadicals[c - 0x2E80] != 0) {
      // Fonts that draw an ideograph and its radical with one glyph map it
      // to the radical; the reader means the ideograph.
      AppendUtf16(detail::kRadicals[c - 0x2E80], &clean_);
    } else {
      clean_.push_back(c);
    }
  }
  if (clean_.empty() || !Fits(clean_.size() * 3)) return;
  if (!unicode_) {
    bool ascii = true;
    for (const char16_t c : clean_) ascii = ascii && c < 0x80;
    if (ascii) {
      for (const char16_t c : clean_) gbk_.push_back(static_cast<char>(c));
      return;
    }
    if (charset::InexactCount(charset::kGbk, clean_) == 0) {
      charset::FromWide(charset::kGbk, clean_, encoded_);
      gbk_.append(encoded_);
      return;
    }
    ToUnicode();
  }
  wide_.append(clean_);
}

bool TextBuilder::at_line_start() const {
  if (unicode_) return wide_.empty() || wide_.back() == u'\n';
  return gbk_.empty() || gbk_.back() == '\n';
}

bool TextBuilder::ends_with_space() const {
  if (unicode_) return !wide_.empty() && (wide_.back() == u' ' || wide_.back() == u'\t');
  return !gbk_.empty() && (gbk_.back() == ' ' || gbk_.back() == '\t');
}

std::string TextBuilder::Finish() const {
  if (!unicode_) return gbk_;
  return charset::FromWide(charset::kUtf8, wide_);
}

}  // namespace folian::convert::pdf
