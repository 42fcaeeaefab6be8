// Matching and substitution behaviour: byte semantics on GBK text, the
// result layout, options, and the template syntax.
#include <gtest/gtest.h>

#include "regex/pattern_set.h"
#include "test_util.h"

namespace folian::regex {
namespace {

using testing::Describe;
using testing::Subst;

// GBK bytes of the characters used below.
#define DI "\xB5\xDA"     // 第
#define SHI "\xCA\xAE"    // 十
#define ER "\xB6\xFE"     // 二
#define ZHANG "\xD5\xC2"  // 章
#define COMMA "\xA3\xAC"  // ，

TEST(GbkBytes, ChapterGapCountsBytes) {
  const char* pat = DI ".{1,10}(\xD5\xC2|\xBD\xDA|\xB9\x9D|\xBB\xD8|\xBC\xAF|\xC6\xAA|\xB2\xBF|\xBE\xED)";
  EXPECT_EQ(Describe(pat, DI SHI ER ZHANG), "0:8 6:2");
  EXPECT_EQ(Describe(DI ".{1,3}" ZHANG, DI SHI ER ZHANG), "NOMATCH");  // the gap is four bytes
  EXPECT_EQ(Describe(DI ".{4}" ZHANG, DI SHI ER ZHANG), "0:8");
}

// An empty subject may come without any bytes behind it (a default view);
// an empty back-reference compared against it must not touch that pointer.
TEST(EmptySubject, BackReferenceToAnEmptyGroup) {
  EXPECT_EQ(Describe("(a?)\\1$", std::string_view()), "0:0 0:0");
  EXPECT_EQ(Describe("(a?)\\1$", std::string_view(), 1), "0:0 0:0");  // case-blind
}

TEST(GbkBytes, ClassListsBytesNotCharacters) {
  // [一二三] is six bytes; 度 (B6 C8) and 叶 (D2 B6) are made of them.
  const char* cls = "^[\xD2\xBB\xB6\xFE\xC8\xFD]{2}$";
  EXPECT_EQ(Describe(cls, "\xB6\xC8"), "0:2");
  EXPECT_EQ(Describe(cls, "\xD2\xB6"), "0:2");
  EXPECT_EQ(Describe(cls, "\xB6\xA1"), "NOMATCH");
  // The built-in chapter pattern lists every chapter title.
  const std::string chapter =
      DI "[\xD2\xBB\xB6\xFE\xC8\xFD\xCB\xC4\xCE\xE5\xC1\xF9\xC6\xDF\xB0\xCB\xBE\xC5\xCA\xAE\xA1\xF0\xC1\xE3\xB0\xD9"
         "\xC7\xA7" "0-9\xA3\xB1\xA3\xB2\xA3\xB3\xA3\xB4\xA3\xB5\xA3\xB6\xA3\xB7\xA3\xB8\xA3\xB9\xA3\xB0]{1,12}"
         "(" ZHANG "|\xBD\xDA|\xB9\x9D|\xBB\xD8|\xBC\xAF|\xB2\xBF\xB7\xD6).*?\n";
  const std::string text = "x\n" DI SHI ER ZHANG " a\nbody\n" DI "12" "\xBD\xDA" "\n" DI "x" ZHANG "\n";
  EXPECT_EQ(Describe(chapter, text, ALLMATCHES | KEEPGROUPS), "2:11 8:2 18:7 22:2");
}

TEST(GbkBytes, ClassesAreAsciiOnly) {
  EXPECT_EQ(Describe("\\w+", "\xC1\xE3" "ab_9\xE0"), "2:4");
  EXPECT_EQ(Describe("[[:alpha:]]", "\xC0\xE0z"), "2:1");
  EXPECT_EQ(Describe("\\W", "a\x80"), "1:1");
  EXPECT_EQ(Describe("\\s+", "\xA0\xA1 \t\v\f\r\n!"), "2:6");
  EXPECT_EQ(Describe("\\bx", "\xE9x"), "1:1");
  EXPECT_EQ(Describe("[[:^digit:][:space:]]+", "12 a3"), "2:2");
}

TEST(CaseFolding, AsciiLettersOnly) {
  EXPECT_EQ(Describe("[a-z]+", "ABC", IGNORECASE), "0:3");
  EXPECT_EQ(Describe("\xE0", "\xC0", IGNORECASE), "NOMATCH");
  EXPECT_EQ(Describe("\xA3\xE1", "\xA3\xC1", IGNORECASE), "NOMATCH");  // full-width a / A
  EXPECT_EQ(Describe("(a)\\1", "aA", IGNORECASE), "0:2 0:1");
  EXPECT_EQ(Describe("(a)\\1", "aA"), "NOMATCH");
  EXPECT_EQ(Describe("a(?i)b|c", "C"), "0:1");
  EXPECT_EQ(Describe("(?i:a)b", "AB"), "NOMATCH");
  EXPECT_EQ(Describe("[^a]", "A", IGNORECASE), "NOMATCH");
  EXPECT_EQ(Describe("ab(?-i)c", "ABc", IGNORECASE), "0:3");
}

TEST(Layout, AllMatchesKeepGroupsListsEveryMatch) {
  Pattern p = Pattern::Compiled("(\\d+)-(\\d+)", ALLMATCHES | KEEPGROUPS);
  MatchResult r;
  ASSERT_TRUE(p.Match("1-2, 33-44, 555-6", &r));
  ASSERT_EQ(r.size(), 9u);
  EXPECT_EQ(p.GroupCount(), 3);
  for (std::size_t i : {0u, 3u, 6u}) EXPECT_TRUE(r[i].matched);
  EXPECT_EQ(r[3].start, 5);
  EXPECT_EQ(r[3].length, 5u);
  EXPECT_EQ(r[8].start, 16);
  EXPECT_EQ(Describe("(a)|(b)", "ab", ALLMATCHES | KEEPGROUPS), "0:1 0:1 - 1:1 - 1:1");
  // ALLMATCHES alone reports the first match's groups only.
  EXPECT_EQ(Describe("(\\d)(\\w)", "1a 2b", ALLMATCHES), "0:2 0:1 1:1");
  EXPECT_EQ(Describe("(x)?y", "y"), "0:1 -");
  Pattern none = Pattern::Compiled("(\\d)", ALLMATCHES | KEEPGROUPS);
  r.assign(3, Span{});
  EXPECT_FALSE(none.Match("abc", &r));
  EXPECT_TRUE(r.empty());
}

TEST(Layout, EmptyMatchesAdvanceLikePerl) {
  EXPECT_EQ(Describe("x*", "abxd", ALLMATCHES | KEEPGROUPS), "0:0 1:0 2:1 3:0 4:0");
  std::size_t n = 0;
  EXPECT_EQ(Subst("x*", "-", "abxd", ALLMATCHES, &n), "-a-b--d-");
  EXPECT_EQ(n, 5u);
  EXPECT_EQ(Subst("", "-", "", ALLMATCHES, &n), "-");
  EXPECT_EQ(n, 1u);
}

TEST(Anchors, FinalNewlineAndLines) {
  EXPECT_EQ(Describe("a$", "a\n"), "0:1");
  EXPECT_EQ(Describe("a$", "a\r\n"), "NOMATCH");
  EXPECT_EQ(Describe("a$", "a\n\n"), "NOMATCH");
  EXPECT_EQ(Describe("a\\z", "a\n"), "NOMATCH");
  EXPECT_EQ(Describe("a\\Z", "a\n"), "0:1");
  EXPECT_EQ(Describe("^b", "a\nb", LINEANCHORS), "2:1");
  EXPECT_EQ(Describe("(?m)a$", "a\nb"), "0:1");
  EXPECT_EQ(Describe("\\Ab", "a\nb", LINEANCHORS), "NOMATCH");
  // ^ does not match where ALLMATCHES resumes.
  EXPECT_EQ(Describe("^a", "aaa", ALLMATCHES | KEEPGROUPS), "0:1");
  EXPECT_EQ(Describe("(?<=a)b", "ab", ALLMATCHES | KEEPGROUPS), "1:1");
}

TEST(Options, DotAllAndFreeSpacing) {
  EXPECT_EQ(Describe("a.b", "a\nb"), "NOMATCH");
  EXPECT_EQ(Describe("a.b", "a\nb", DOTALL), "0:3");
  EXPECT_EQ(Describe("(?s)a.b", "a\nb"), "0:3");
  EXPECT_EQ(Describe("a b # comment\n c", "abc", FREESPACING), "0:3");
  EXPECT_EQ(Describe("a b", "abc"), "NOMATCH");
  EXPECT_EQ(Describe("(?x) a + b", "aab"), "0:3");
}

TEST(Constructs, LookAroundAtomicConditionalRecursion) {
  EXPECT_EQ(Describe("(?>a+)b", "aaab"), "0:4");
  EXPECT_EQ(Describe("(?>a+)a", "aaaa"), "NOMATCH");
  EXPECT_EQ(Describe("foo(?=bar)", "foobaz foobar"), "7:3");
  EXPECT_EQ(Describe("(?<!c)b", "cbab"), "3:1");
  EXPECT_EQ(Describe("(?<=ab|c)d", "abd"), "2:1");
  EXPECT_EQ(Describe("(?<=a{2,3})b", "ab aab"), "5:1");
  EXPECT_EQ(Describe("(a)?(?(1)b|c)", "c ab"), "0:1 -");
  EXPECT_EQ(Describe("^(?(?=a)ab|cd)$", "cd"), "0:2");
  EXPECT_EQ(Describe("\\((?:[^()]|(?R))*\\)", "x(a(b)c)y"), "1:7");
  EXPECT_EQ(Describe("^(a\\1?){4}$", "aaaaaaaaaa"), "0:10 6:4");
  EXPECT_EQ(Describe("\\Q.*\\E+", ".**"), "0:3");
  EXPECT_EQ(Describe("a(?#note)b", "ab"), "0:2");
  EXPECT_EQ(Describe("(a|ab)(c|bcd)(d*)", "abcd"), "0:4 0:1 1:3 4:0");
  EXPECT_EQ(Describe("a.*?b", "axbxb"), "0:3");
  EXPECT_EQ(Describe("a{2,3}?", "aaaa"), "0:2");
  EXPECT_EQ(Describe("\\x41\\x4g\\cA\\e\\0", std::string("A\x04g\x01\x1B\0", 6)), "0:6");
  EXPECT_EQ(Describe("[\\b]\\v", "\b\v"), "0:2");
  EXPECT_EQ(Describe("\\h\\K", "hK"), "0:2");  // unknown escapes are literals
  // A failed leading loop at the very end of the subject (found by fuzzing).
  EXPECT_EQ(Describe(".*(?<=foo)", "ral/al\x03\x03"), "NOMATCH");
  EXPECT_EQ(Describe(".*(?<=foo)", "xfoo\nab"), "0:4");
}

TEST(Substitute, CommasAndRanges) {
  std::size_t n = 0;
  EXPECT_EQ(Subst(COMMA COMMA, COMMA, COMMA COMMA COMMA COMMA, ALLMATCHES, &n), COMMA COMMA);
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(Subst("a", "b", "aaa", 0, &n), "baa");
  EXPECT_EQ(n, 1u);
  EXPECT_EQ(Subst("x", "b", "aaa", ALLMATCHES, &n), "aaa");
  EXPECT_EQ(n, 0u);
  Pattern p = Pattern::Compiled("a", "-", ALLMATCHES);
  std::string s = "aaaaa";
  EXPECT_EQ(p.Substitute(s, 1, 3), 3u);
  EXPECT_EQ(s, "a---a");
  s = "aaa";
  EXPECT_EQ(p.Substitute(s, 5), 0u);
  EXPECT_EQ(s, "aaa");
  EXPECT_EQ(p.Substitute(s, 2, 100), 1u);
  EXPECT_EQ(s, "aa-");
}

TEST(Substitute, TemplateSyntax) {
  EXPECT_EQ(Subst("(\\w+)@(\\w+)", "$2@$1", "a@b c@d", ALLMATCHES), "b@a d@c");
  EXPECT_EQ(Subst("(\\w+)", "\\u$1", "hello big", ALLMATCHES), "Hello Big");
  EXPECT_EQ(Subst("(\\w+) (\\w+)", "\\U$1\\E-$2", "ab cd", 0), "AB-cd");
  EXPECT_EQ(Subst("(\\w+) (\\w+)", "\\L$1\\E-$2", "AB CD", 0), "ab-CD");
  EXPECT_EQ(Subst("[a-z]+", "\\U$&", "ab\xD6\xD0" "cd", ALLMATCHES), "AB\xD6\xD0" "CD");
  EXPECT_EQ(Subst("b", "[$`|$&|$']", "abc", 0), "a[a|b|c]c");
  EXPECT_EQ(Subst("b", "[$`|$']", "abcb", ALLMATCHES), "a[a|cb]c[abc|]");
  EXPECT_EQ(Subst("(b)", "\\Q$1\\E", "abc", 0), "a$1c");
  EXPECT_EQ(Subst("b", "\\$&", "abc", 0), "a$&c");
  EXPECT_EQ(Subst("b", "\\101\\102", "abc", 0), "aABc");
  EXPECT_EQ(Subst("(b)", "\\1", "abc", 0), std::string("a\x01" "c"));
  EXPECT_EQ(Subst("b", "\\0101", "abc", 0), std::string("a\x08" "1c"));
  EXPECT_EQ(Subst("(a)|b", "<$1>", "ab", ALLMATCHES), "<a><>");
  EXPECT_EQ(Subst("&#(\\d+);", "[$1]", "&#65;&#x42;&#67;", ALLMATCHES), "[65]&#x42;[67]");
  EXPECT_EQ(Subst("b", "$", "abc", 0), "a$c");
  EXPECT_EQ(Subst("b", "\\n", "abc", 0), "a\nc");
}

TEST(Substitute, RangeSeesOnlyItself) {
  Pattern p = Pattern::Compiled("^a", "X", ALLMATCHES);
  std::string s = "aaa";
  EXPECT_EQ(p.Substitute(s, 1), 1u);
  EXPECT_EQ(s, "aXa");
}

}  // namespace
}  // namespace folian::regex

namespace folian::regex {
namespace {

TEST(PatternSet, SameResultAsSubstitutingInSequence) {
  const std::vector<std::pair<const char*, const char*>> rules = {
      {"X", ""}, {"abc", "<$&>"}, {"[Ww].{0,1}[Ww].{0,1}[Ww]", ""}, {"q+", ""}, {"\\d{3}", "#"},
      {"\xB8\xFC.{0,2}\xD0\xC2", ""}, {"zz", "ab"}, {"b<", "c"}};
  const std::vector<std::string> texts = {
      "abXc wXww W.w.W 123 45 q", "zzc", "\xB8\xFC" "a" "\xD0\xC2", "", "nothing here", "abzzc"};
  std::vector<Pattern> pats;
  for (const auto& [p, t] : rules) pats.push_back(Pattern::Compiled(p, t, ALLMATCHES | IGNORECASE));
  const PatternSet set(pats);
  for (const std::string& original : texts) {
    std::string expected = original;
    std::vector<std::size_t> expected_counts;
    for (const auto& p : pats) expected_counts.push_back(p.Substitute(expected));
    std::string got = original;
    EXPECT_EQ(set.SubstituteEach(got), expected_counts) << original;
    EXPECT_EQ(got, expected) << original;
  }
  // Deleting X makes "abc" (a pair that was not in the text) and then
  // "zz" -> "ab" makes "b<" only after the second rule ran.
  std::string t = "abXc";
  EXPECT_EQ(set.SubstituteEach(t), (std::vector<std::size_t>{1, 1, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(t, "<abc>");
}

}  // namespace
}  // namespace folian::regex

namespace folian::regex {
namespace {

TEST(Substitute, SmallStringsKeepSmallBuffers) {
  Pattern p = Pattern::Compiled("a", "b", ALLMATCHES);
  for (int i = 0; i < 3; ++i) {
    std::string big(4 << 20, 'a');
    EXPECT_EQ(p.Substitute(big), big.size());
    EXPECT_EQ(big.find('a'), std::string::npos);
    std::string small = "xax";
    EXPECT_EQ(p.Substitute(small), 1u);
    EXPECT_EQ(small, "xbx");
    EXPECT_LT(small.capacity(), std::size_t{1} << 20);
  }
}

}  // namespace
}  // namespace folian::regex
