// Pattern text -> Ast. Throws bad_regexpr with the dialect's messages.
#pragma once

#include <string_view>

#include "regex/ast.h"

namespace folian::regex {

// The dialect's compile error messages.
namespace msg {
inline constexpr const char* kIllFormed = "ill-formed regular expression";
inline constexpr const char* kParen = "mismatched parenthesis";
inline constexpr const char* kQuantifier = "quantifier not expected";
inline constexpr const char* kSubexprQuant = "sub-expression cannot be quantified";
inline constexpr const char* kLookQuant = "look-ahead assertion cannot be quantified";
inline constexpr const char* kRecursionQuant = "recursion sub-expression cannot be quantified";
inline constexpr const char* kRange = "Can't do {n, m} with n > m";
inline constexpr const char* kSetEnd = "expecting end of character set";
inline constexpr const char* kSetRange = "invalid range specified in character set";
inline constexpr const char* kEscapeC = "incomplete escape sequence \\c";
inline constexpr const char* kQuoteEnd = "quotemeta turned off, but was never turned on";
inline constexpr const char* kExtension = "bad extension sequence";
inline constexpr const char* kComment = "Expecting end of comment";
inline constexpr const char* kCondAlts = "Too many alternates in conditional subexpression";
inline constexpr const char* kNoGroup = "reference to nonexistent group";
inline constexpr const char* kSubstEscape = "expecting escape sequence in substitution string";
inline constexpr const char* kSubstRef = "invalid backreference in substitution";
}  // namespace msg

Ast Parse(std::string_view pattern, unsigned options);

// Shared with the template parser: the byte class tables of the "C" locale.
bool IsWordByte(unsigned char c);
bool IsSpaceByte(unsigned char c);  // \s: space \t \n \v \f \r

}  // namespace folian::regex
