#include "tidy/rule_tsv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace folian::tidy {
namespace {

std::vector<RuleRow> ParseOk(std::string_view text) {
  std::vector<RuleRow> rows;
  std::string error;
  EXPECT_TRUE(ParseRuleTsv(text, &rows, &error)) << error;
  return rows;
}

std::string ParseError(std::string_view text) {
  std::vector<RuleRow> rows;
  std::string error;
  EXPECT_FALSE(ParseRuleTsv(text, &rows, &error));
  return error;
}

TEST(RuleTsv, KindsColumnsAndLineNumbers) {
  auto rows = ParseOk(
      "# header\n"
      "\n"
      "replace\t首发\n"
      "repeat\t####\t###\n"
      "pattern\t[Ww].{0,1}[Ww]\t\n"
      "replace\t#8226\t·\n");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].rule.kind, RuleKind::kReplace);
  EXPECT_EQ(rows[0].rule.find, "首发");
  EXPECT_EQ(rows[0].rule.replace, "");
  EXPECT_EQ(rows[0].line, 3);
  EXPECT_EQ(rows[1].rule.kind, RuleKind::kReplaceRepeat);
  EXPECT_EQ(rows[1].rule.replace, "###");
  EXPECT_EQ(rows[2].rule.kind, RuleKind::kPatternDelete);
  EXPECT_EQ(rows[2].rule.find, "[Ww].{0,1}[Ww]");
  // A find may start with '#': only the first column decides what a comment is.
  EXPECT_EQ(rows[3].rule.find, "#8226");
  EXPECT_EQ(rows[3].line, 6);
}

TEST(RuleTsv, EscapesAndLiteralBackslashes) {
  auto rows = ParseOk(
      "replace\t首发\\r\\n\n"
      "replace\t\\r\\n//\\r\\n\t\\r\\n\\r\\n\n"
      "pattern\t 字数:[0-9]\\d*\n"
      "replace\ta\\tb\tc\\\\d\n");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].rule.find, "首发\r\n");
  EXPECT_EQ(rows[1].rule.find, "\r\n//\r\n");
  EXPECT_EQ(rows[1].rule.replace, "\r\n\r\n");
  // Leading blanks are part of the find; \d is not an escape and stays.
  EXPECT_EQ(rows[2].rule.find, " 字数:[0-9]\\d*");
  EXPECT_EQ(rows[3].rule.find, "a\tb");
  EXPECT_EQ(rows[3].rule.replace, "c\\d");
  EXPECT_EQ(UnescapeField("end\\"), "end\\");
  EXPECT_EQ(UnescapeField("\\\\n"), "\\n");
}

TEST(RuleTsv, LineEndingsAndMark) {
  auto rows = ParseOk("\xEF\xBB\xBFreplace\tx\ty\r\nreplace\tz");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].rule.find, "x");
  EXPECT_EQ(rows[0].rule.replace, "y");  // no CR left behind
  EXPECT_EQ(rows[1].rule.find, "z");     // last line without an ending
  EXPECT_TRUE(ParseOk("").empty());
  EXPECT_TRUE(ParseOk("# only a comment\n\n").empty());
}

TEST(RuleTsv, MalformedLinesNameTheirLine) {
  EXPECT_EQ(ParseError("replace\ta\nremove\tb\n"), "line 2: unknown kind \"remove\"");
  EXPECT_EQ(ParseError("\n\nreplace\n"),
            "line 3: expected kind, find and optionally replace separated by tabs");
  EXPECT_EQ(ParseError("replace\ta\tb\tc\n"),
            "line 1: expected kind, find and optionally replace separated by tabs");
  EXPECT_EQ(ParseError("replace\t\tb\n"), "line 1: empty find");
  EXPECT_EQ(ParseError("pattern\tw.w\tx\n"), "line 1: a pattern row deletes; its replace must be empty");
  // Would loop for ever.
  EXPECT_EQ(ParseError("repeat\t--\t---\n"), "line 1: a repeat row's replace contains its find");
  EXPECT_EQ(ParseError("replace\ta\rb\n"),
            "line 1: control character in a field (write \\r, \\n or \\t)");
  // Upper-case kinds are not accepted: the files are written by hand and a typo must show.
  EXPECT_EQ(ParseError("Replace\ta\n"), "line 1: unknown kind \"Replace\"");
}

TEST(RuleTsv, FailedParseLeavesNoHalfResult) {
  std::vector<RuleRow> rows{RuleRow{}};
  std::string error;
  EXPECT_FALSE(ParseRuleTsv("replace\ta\nbad\n", &rows, &error));
  EXPECT_EQ(error.rfind("line 2:", 0), 0u);
}

TEST(SiteTsv, KeysAndErrors) {
  SiteRows site;
  std::string error;
  ASSERT_TRUE(ParseSiteTsv("# c\nfragment\t.a.\nfragment\t.b.\nfooter_token\tabcde\n"
                           "footer_site_name\t飞库网\n",
                           &site, &error))
      << error;
  EXPECT_EQ(site.fragments, (std::vector<std::string>{".a.", ".b."}));
  EXPECT_EQ(site.footer_token, "abcde");
  EXPECT_EQ(site.footer_site_name, "飞库网");

  EXPECT_FALSE(ParseSiteTsv("fragment\t.a.\n", &site, &error));
  EXPECT_EQ(error, "missing footer_token or footer_site_name");
  EXPECT_FALSE(ParseSiteTsv("footer_token\tabcde\nfooter_token\tfghij\n", &site, &error));
  EXPECT_EQ(error, "line 2: \"footer_token\" given twice");
  EXPECT_FALSE(ParseSiteTsv("host\t.a.\n", &site, &error));
  EXPECT_EQ(error, "line 1: unknown key \"host\"");
  EXPECT_FALSE(ParseSiteTsv("fragment\t\n", &site, &error));
  EXPECT_EQ(error, "line 1: expected key and a non-empty value separated by one tab");
}

}  // namespace
}  // namespace folian::tidy
