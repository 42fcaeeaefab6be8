// Every compile error message, and that a failed compile leaves a Pattern
// as it was.
#include <gtest/gtest.h>

#include "test_util.h"

namespace folian::regex {
namespace {

using testing::CompileError;
using testing::TemplateError;

struct ErrorCase {
  const char* pattern;
  const char* message;
};

class CompileErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CompileErrors, ThrowsExactMessage) {
  EXPECT_EQ(CompileError(GetParam().pattern), GetParam().message) << "pattern: " << GetParam().pattern;
}

INSTANTIATE_TEST_SUITE_P(
    AllMessages, CompileErrors,
    ::testing::Values(
        ErrorCase{"(abc", "mismatched parenthesis"}, ErrorCase{"abc)", "mismatched parenthesis"},
        ErrorCase{")(", "mismatched parenthesis"}, ErrorCase{"(?:a", "mismatched parenthesis"},
        ErrorCase{"a(?=b", "mismatched parenthesis"}, ErrorCase{"(?", "mismatched parenthesis"},
        ErrorCase{"*a", "quantifier not expected"}, ErrorCase{"a|*b", "quantifier not expected"},
        ErrorCase{"(+a)", "quantifier not expected"}, ErrorCase{"a**", "quantifier not expected"},
        ErrorCase{"a{2}{3}", "quantifier not expected"}, ErrorCase{"{2}", "quantifier not expected"},
        ErrorCase{"^*", "sub-expression cannot be quantified"},
        ErrorCase{"a\\b+", "sub-expression cannot be quantified"},
        ErrorCase{"a(?=b)*", "look-ahead assertion cannot be quantified"},
        ErrorCase{"a(?!b){2}", "look-ahead assertion cannot be quantified"},
        ErrorCase{"(?<=a)?b", "look-ahead assertion cannot be quantified"},
        ErrorCase{"a(?R)?b", "recursion sub-expression cannot be quantified"},
        ErrorCase{"x{3,2}", "Can't do {n, m} with n > m"}, ErrorCase{"a{10,9}", "Can't do {n, m} with n > m"},
        ErrorCase{"[abc", "expecting end of character set"}, ErrorCase{"x[^", "expecting end of character set"},
        ErrorCase{"[a-", "expecting end of character set"},
        ErrorCase{"[[:alpha:]", "expecting end of character set"},
        ErrorCase{"[a\\", "expecting end of character set"},
        ErrorCase{"[z-a]", "invalid range specified in character set"},
        ErrorCase{"[\\x7f-\\x20]", "invalid range specified in character set"},
        ErrorCase{"abc\\c", "incomplete escape sequence \\c"},
        ErrorCase{"a\\E", "quotemeta turned off, but was never turned on"},
        ErrorCase{"\\Qa\\E\\E", "quotemeta turned off, but was never turned on"},
        ErrorCase{"(?P<n>a)", "bad extension sequence"}, ErrorCase{"(?<n>a)", "bad extension sequence"},
        ErrorCase{"(?&x)", "bad extension sequence"}, ErrorCase{"(?(R)a)", "bad extension sequence"},
        ErrorCase{"(?i-m-s)", "bad extension sequence"}, ErrorCase{"(?Rx)", "bad extension sequence"},
        ErrorCase{"a(?#comment", "Expecting end of comment"},
        ErrorCase{"(a)(?(1)b|c|d)", "Too many alternates in conditional subexpression"},
        ErrorCase{"(?(?=a)a|b|c)", "Too many alternates in conditional subexpression"},
        ErrorCase{"(a)\\2", "reference to nonexistent group"}, ErrorCase{"\\1", "reference to nonexistent group"},
        ErrorCase{"(a)|\\3", "reference to nonexistent group"},
        ErrorCase{"(?(2)a|b)(x)", "reference to nonexistent group"},
        ErrorCase{"a\\", "ill-formed regular expression"},
        ErrorCase{"[[:word:]]", "ill-formed regular expression"},
        ErrorCase{"(?<=a+)b", "ill-formed regular expression"},
        ErrorCase{"(a)(?<=\\1)", "ill-formed regular expression"}));

TEST(CompileErrors, ValidPatternsCompile) {
  for (const char* ok : {"a{2,}", "a{,2}", "x{", "[]a]", "[a-]", "[-a]", "(?i)a(?-i)b", "(?)", "\\Qab", "(a)\\1",
                         "(\\1a|b)+", "(?(1)a)(b)", "[\\d-z]", "(?>a+)*", "(?(1)a|b)+(x)", "(?<=ab|c)d",
                         "(?<=a{2,3})b"}) {
    EXPECT_EQ(CompileError(ok), "") << ok;
  }
}

TEST(TemplateErrors, LoneBackslashAndMissingGroup) {
  EXPECT_EQ(TemplateError("a", "b\\"), "expecting escape sequence in substitution string");
  EXPECT_EQ(TemplateError("a", "\\"), "expecting escape sequence in substitution string");
  EXPECT_EQ(TemplateError("(a)", "$2"), "invalid backreference in substitution");
  EXPECT_EQ(TemplateError("(a)(b)", "$1$3"), "invalid backreference in substitution");
  EXPECT_EQ(TemplateError("a", "$1"), "invalid backreference in substitution");
  EXPECT_EQ(TemplateError("(a)", "$1$&$0\\\\"), "");
}

TEST(CompileErrors, DeepNestingIsRefusedNotACrash) {
  EXPECT_EQ(CompileError(std::string(100000, '(') + std::string(100000, ')')), "ill-formed regular expression");
  EXPECT_EQ(CompileError(std::string(100, '(') + "a" + std::string(100, ')')), "");
  EXPECT_EQ(CompileError(std::string(101, '(') + "a" + std::string(101, ')')), "ill-formed regular expression");
  // Deeply nested loops compile in time proportional to their size.
  std::string nested = "a*";
  for (int i = 0; i < 90; ++i) nested = "(" + nested + ")*";
  EXPECT_EQ(CompileError(nested), "");
  // Counts whose product exceeds any subject still compile and behave.
  Pattern p = Pattern::Compiled("(?:(?:(?:a{1000}){1000}){1000}){1000}|b");
  EXPECT_TRUE(p.Match("xb"));
  EXPECT_EQ(CompileError("(?<=(?:a{1000}){2000000})b"), "ill-formed regular expression");
}

TEST(CompileErrors, ExceptionIsAnInvalidArgument) {
  try {
    Pattern::Compiled("(");
    FAIL() << "no exception";
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "mismatched parenthesis");
  }
}

TEST(CompileErrors, FailedCompileChangesNothing) {
  Pattern p;
  p.Compile("(a)(b)", "[$2$1]", ALLMATCHES);
  EXPECT_THROW(p.Compile("x{3,2}", IGNORECASE), bad_regexpr);
  EXPECT_THROW(p.Compile("(c)", "$2", 0), bad_regexpr);
  EXPECT_EQ(p.GroupCount(), 3);
  EXPECT_EQ(p.options(), unsigned{ALLMATCHES});
  std::string s = "abab";
  EXPECT_EQ(p.Substitute(s), 2u);
  EXPECT_EQ(s, "[ba][ba]");

  Pattern empty;
  EXPECT_THROW(empty.Compile("[z-a]"), bad_regexpr);
  EXPECT_TRUE(empty.empty());
  EXPECT_FALSE(empty.Match("anything"));
}

}  // namespace
}  // namespace folian::regex
