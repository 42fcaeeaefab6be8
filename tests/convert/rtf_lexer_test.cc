// The RTF lexer through a printable dump of its tokens: "{", "}",
// "\word", "\wordN", "sym:c", "byte:hh", "text:...", "bin:N".
#include "convert/rtf/lexer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace folian::convert::rtf {
namespace {

std::string Dump(std::string_view input) {
  Lexer lexer(input);
  std::string out;
  for (int guard = 0; guard < 10000; ++guard) {
    const Token t = lexer.Next();
    if (t.kind == TokenKind::kEnd) return out;
    if (!out.empty()) out += ' ';
    char hex[8];
    switch (t.kind) {
      case TokenKind::kGroupStart: out += '{'; break;
      case TokenKind::kGroupEnd: out += '}'; break;
      case TokenKind::kWord:
        out += '\\';
        out += t.word;
        if (t.has_param) out += std::to_string(t.param);
        break;
      case TokenKind::kSymbol: out += "sym:" + std::string(1, t.symbol); break;
      case TokenKind::kByte:
        std::snprintf(hex, sizeof hex, "%02x", t.byte);
        out += "byte:" + std::string(hex);
        break;
      case TokenKind::kText: out += "text:" + std::string(t.text); break;
      case TokenKind::kBinary: out += "bin:" + std::to_string(t.text.size()); break;
      case TokenKind::kEnd: break;
    }
  }
  return out + " <no end>";
}

TEST(RtfLexer, Tokens) {
  const struct {
    const char* input;
    const char* dump;
  } cases[] = {
      {"{\\rtf1\\ansi Hello}", "{ \\rtf1 \\ansi text:Hello }"},
      // The delimiting space belongs to the word; a second one is text.
      {"\\b  bold", "\\b text: bold"},
      {"\\fs24\\b0x", "\\fs24 \\b0 text:x"},
      {"\\u-3913?\\u8212-", "\\u-3913 text:? \\u8212 text:-"},
      {"\\li-x", "\\li text:-x"},  // a minus without digits is not a parameter
      {"\\'b2\\'E2\\'4", "byte:b2 byte:e2 text:4"},
      {"\\'zz rest", "text:zz rest"},  // a broken escape carries no byte
      {"a\\\\b\\{c\\}", "text:a text:\\ text:b text:{ text:c text:}"},
      {"\\~\\-\\_\\*\\:\\|", "sym:~ sym:- sym:_ sym:* sym:: sym:|"},
      {"line one\r\nline\ntwo", "text:line one text:line text:two"},
      {"a\\\r\nb", "text:a \\par text:b"},  // a backslash before a line break is \par
      {"\\bin4 {}\\x}", "bin:4 }"},
      {"\\bin0 x", "\\bin0 text:x"},
      {"\\bin-5 x", "\\bin-5 text:x"},
      {"\\bin100 ab", "bin:2"},  // longer than the input: the rest of it
      {"x\\", "text:x"},
      {"\\", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(Dump(c.input), c.dump) << c.input;
}

TEST(RtfLexer, ParametersAreClampedAndWordsCut) {
  EXPECT_EQ(Dump("\\u99999999999999999999 x"), "\\u2147483647 text:x");
  EXPECT_EQ(Dump("\\u-99999999999999999999 x"), "\\u-2147483647 text:x");
  const std::string long_word = "\\" + std::string(100, 'a') + "5 x";
  Lexer lexer(long_word);
  const Token t = lexer.Next();
  ASSERT_EQ(t.kind, TokenKind::kWord);
  EXPECT_GT(t.word.size(), kMaxWordLength) << "too long to match any word";
  EXPECT_LE(t.word.size(), kMaxWordLength + 1);
  EXPECT_EQ(t.param, 5);
  EXPECT_EQ(lexer.Next().text, "x");
}

}  // namespace
}  // namespace folian::convert::rtf
