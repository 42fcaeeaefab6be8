// Reading the advertisement rule files (data/ads/*.tsv).
//
// A stage file is UTF-8 text, one rule a line: kind, find, replace separated
// by tabs, where kind is "replace", "repeat" or "pattern" and the replace
// column may be left off (it is empty then: the find is deleted). Lines that
// are empty or start with '#' are comments. Inside find and replace, "\r",
// "\n", "\t" and "\\" stand for CR, LF, tab and a backslash; any other
// backslash is kept as it is, so patterns such as "\d" need no doubling.
//
// The site file holds "key<TAB>value" lines: "fragment" (repeatable, in test
// order), "footer_token" and "footer_site_name" (once each).
//
// Strings come back as UTF-8; BuildRuleTable converts them to GBK.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tidy/rule_table.h"

namespace folian::tidy {

struct RuleRow {
  Rule rule;     // UTF-8 here
  int line = 0;  // 1-based line in its file
};

struct SiteRows {
  std::vector<std::string> fragments;
  std::string footer_token;
  std::string footer_site_name;
};

// false with "line N: ..." in *error at the first malformed line.
bool ParseRuleTsv(std::string_view text, std::vector<RuleRow>* rows, std::string* error);
bool ParseSiteTsv(std::string_view text, SiteRows* site, std::string* error);

// Undoes the field escapes described above.
std::string UnescapeField(std::string_view field);

// The texts of all stage files (stage i at index i; an empty text for a stage
// without rows) and of the site file, parsed and converted to GBK. A string
// that GBK cannot hold is an error naming its file and line, never a silent
// '?'. The names label the files in messages.
struct RuleSources {
  std::array<std::string_view, kStageCount> stages;
  std::array<std::string_view, kStageCount> stage_names;
  std::string_view site;
  std::string_view site_name = "site.tsv";
};
bool BuildRuleTable(const RuleSources& sources, RuleTable* table, std::string* error);

// The files compiled into the binary (what BuiltinRules() is built from).
RuleSources BuiltinRuleSources();

}  // namespace folian::tidy
