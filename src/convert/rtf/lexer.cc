#include "convert/rtf/lexer.h"

#include <algorithm>
#include <limits>

namespace folian::convert::rtf {
namespace {

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Token Lexer::Next() {
  Token t;
  while (pos_ < in_.size()) {
    const char c = in_[pos_];
    if (c == '\r' || c == '\n') {  // line breaks of the file are not text
      ++pos_;
      continue;
    }
    if (c == '{' || c == '}') {
      ++pos_;
      t.kind = c == '{' ? TokenKind::kGroupStart : TokenKind::kGroupEnd;
      return t;
    }
    if (c != '\\') {
      const std::size_t start = pos_;
      while (pos_ < in_.size()) {
        const char d = in_[pos_];
        if (d == '\\' || d == '{' || d == '}' || d == '\r' || d == '\n') break;
        ++pos_;
      }
      t.kind = TokenKind::kText;
      t.text = in_.substr(start, pos_ - start);
      return t;
    }

    // A backslash.
    if (pos_ + 1 >= in_.size()) {
      pos_ = in_.size();
      break;
    }
    const char n = in_[pos_ + 1];
    if (IsLetter(n)) {
      std::size_t p = pos_ + 1;
      const std::size_t start = p;
      while (p < in_.size() && IsLetter(in_[p])) ++p;
      t.kind = TokenKind::kWord;
      t.word = in_.substr(start, p - start);
      if (t.word.size() > kMaxWordLength) t.word = t.word.substr(0, kMaxWordLength + 1);
      // The parameter: optional minus and digits, clamped to 32 bits; every
      // digit is consumed however many there are.
      const bool negative = p + 1 < in_.size() && in_[p] == '-' && IsDigit(in_[p + 1]);
      if (negative) ++p;
      if (p < in_.size() && IsDigit(in_[p])) {
        constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
        std::int64_t v = 0;
        while (p < in_.size() && IsDigit(in_[p])) {
          if (v <= kLimit) v = v * 10 + (in_[p] - '0');
          ++p;
        }
        if (v > kLimit) v = kLimit;
        t.has_param = true;
        t.param = static_cast<std::int32_t>(negative ? -v : v);
      }
      if (p < in_.size() && in_[p] == ' ') ++p;  // the delimiting space belongs to the word
      pos_ = p;
      if (t.word == "bin" && t.has_param && t.param > 0) {
        // Raw bytes follow; a length past the end of the input means the
        // file was cut, and the rest of it is the data.
        const std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(t.param), in_.size() - pos_);
        t.kind = TokenKind::kBinary;
        t.text = in_.substr(pos_, length);
        pos_ += length;
      }
      return t;
    }
    if (n == '\'') {
      const int hi = pos_ + 2 < in_.size() ? HexValue(in_[pos_ + 2]) : -1;
      const int lo = pos_ + 3 < in_.size() ? HexValue(in_[pos_ + 3]) : -1;
      if (hi < 0 || lo < 0) {  // a broken escape carries no byte
        pos_ += 2;
        continue;
      }
      pos_ += 4;
      t.kind = TokenKind::kByte;
      t.byte = static_cast<std::uint8_t>(hi << 4 | lo);
      return t;
    }
    if (n == '\\' || n == '{' || n == '}') {
      t.kind = TokenKind::kText;
      t.text = in_.substr(pos_ + 1, 1);
      pos_ += 2;
      return t;
    }
    if (n == '\r' || n == '\n') {  // a backslash ending a line is a paragraph mark
      pos_ += 2;
      t.kind = TokenKind::kWord;
      t.word = "par";
      return t;
    }
    pos_ += 2;
    t.kind = TokenKind::kSymbol;
    t.symbol = n;
    return t;
  }
  t.kind = TokenKind::kEnd;
  return t;
}

}  // namespace folian::convert::rtf
