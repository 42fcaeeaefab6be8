// Cuts RTF bytes into tokens: group braces, control words with their
// optional parameter, control symbols, `\'hh` bytes, runs of plain text and
// `\binN` data. It keeps no state beyond its position, so a file of any
// size or nesting is read in one pass with constant memory; what the tokens
// mean is the reader's business (reader.cc).
//
// Tested by tests/convert/rtf_lexer_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace folian::convert::rtf {

enum class TokenKind {
  kEnd,         // no more input
  kGroupStart,  // {
  kGroupEnd,    // }
  kWord,        // \name or \nameN; `word`, `has_param`, `param`
  kSymbol,      // \ followed by one non-letter (\~ \- \_ \* \: \|); `symbol`
  kByte,        // \'hh; `byte`
  kText,        // plain bytes (no CR or LF) or an escaped \ { }; `text`
  kBinary,      // the N bytes after \binN; `text`
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string_view word;
  bool has_param = false;
  std::int32_t param = 0;
  char symbol = 0;
  std::uint8_t byte = 0;
  std::string_view text;
};

// Control words longer than this are not RTF; the rest of the letters are
// read but not kept in the name, so they match nothing.
inline constexpr std::size_t kMaxWordLength = 32;

class Lexer {
 public:
  explicit Lexer(std::string_view input) : in_(input) {}

  Token Next();
  std::size_t pos() const { return pos_; }

 private:
  std::string_view in_;
  std::size_t pos_ = 0;
};

}  // namespace folian::convert::rtf
