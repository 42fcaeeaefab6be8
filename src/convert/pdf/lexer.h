// The PDF token reader: numbers, names, literal and hexadecimal strings,
// array and dictionary brackets, and bare keywords (operators, obj, R, ...).
// It reads a bounded byte range and never looks past its end; malformed
// input gives the nearest sensible token rather than an error, the way
// viewers read damaged files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace folian::convert::pdf {

enum class TokenKind {
  kEnd,           // no more input
  kNumber,
  kName,          // text: the name without '/', #xx decoded
  kString,        // text: the bytes of a (literal) string, escapes decoded
  kHexString,     // text: the bytes of a <hex> string
  kArrayOpen,     // [
  kArrayClose,    // ]
  kDictOpen,      // <<
  kDictClose,     // >>
  kBraceOpen,     // {  (PostScript procedures in CMaps)
  kBraceClose,    // }
  kKeyword,       // raw: the bytes of a bare word (true, obj, Tj, ...)
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  double number = 0;
  bool integer = false;    // a number written without a point
  std::int64_t int_value = 0;
  std::string_view raw;    // the token's bytes in the input
  std::string text;        // decoded bytes of names and strings (reused)
};

inline bool IsPdfSpace(unsigned char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == 0;
}
inline bool IsPdfDelimiter(unsigned char c) {
  return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
         c == '}' || c == '/' || c == '%';
}
inline bool IsPdfRegular(unsigned char c) { return !IsPdfSpace(c) && !IsPdfDelimiter(c); }

class Lexer {
 public:
  explicit Lexer(std::string_view data, std::size_t pos = 0) : data_(data), pos_(pos) {}

  // Reads the next token into `*t` (its text buffer is reused).
  void Next(Token* t);
  // Skips white space and comments; false at the end.
  bool SkipSpace();

  std::size_t pos() const { return pos_; }
  void set_pos(std::size_t pos) { pos_ = pos < data_.size() ? pos : data_.size(); }
  std::string_view data() const { return data_; }
  bool at_end() const { return pos_ >= data_.size(); }

 private:
  void ReadLiteral(Token* t);
  void ReadHex(Token* t);
  void ReadName(Token* t);
  void ReadNumberOrKeyword(Token* t);

  std::string_view data_;
  std::size_t pos_;
};

// Parses a number the lenient way viewers do ("-.5", "+3", "1.2.3" -> 1.2,
// "--4" -> -4). False when `s` holds no digit.
bool ParsePdfNumber(std::string_view s, double* value, bool* integer, std::int64_t* int_value);

}  // namespace folian::convert::pdf
