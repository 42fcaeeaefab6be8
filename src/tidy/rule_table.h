// The advertisement rule table: eight ordered stages of (kind, find, replace)
// rows, kept as readable data files in data/ads/ and compiled into the binary.
// All strings here are GBK bytes (the data files are UTF-8 and are converted
// once, when the table is first used).
#pragma once

#include <array>
#include <memory>
#include <filesystem>
#include <string>
#include <vector>

namespace folian::tidy {

namespace detector {
class Vocabulary;
}

enum class RuleKind {
  kReplace,        // literal replace-all, case-sensitive, byte-exact
  kReplaceRepeat,  // literal replace-all, repeated until it finds nothing
  kPatternDelete,  // pattern, IGNORECASE|ALLMATCHES, empty replacement
};

struct Rule {
  RuleKind kind = RuleKind::kReplace;
  std::string find;     // GBK
  std::string replace;  // GBK; empty deletes
};

inline constexpr int kStageCount = 8;

struct RuleTable {
  // stages[0] is the first stage ("正在复原变形广告"); stage 5 (custom rules
  // from "remove.txt") and stage 7 (duplicated titles) have no rows here.
  std::array<std::vector<Rule>, kStageCount> stages;
  // Fragments of novel-site host names that set the site flag, in test order (lower case).
  std::vector<std::string> site_fragments;
  // The footer filter's five-letter site token and three-character site name.
  std::string footer_token;
  std::string footer_site_name;
  // The advertisement detector's words, when a folder gave its own; null:
  // the built-in ones.
  std::shared_ptr<const detector::Vocabulary> ad_words;
};

// The built-in table, parsed once on first use (thread-safe).
const RuleTable& BuiltinRules();

// A table read from a folder holding the files the built-in one is made of
// (stage1.tsv, stage2.tsv, stage3.tsv, stage4.tsv, stage6.tsv, stage8.tsv,
// site.tsv), checked as the built-in files are, and the detector's words
// (words.tsv) when the folder holds them. Lets a user try a changed table,
// and an evaluation run a table or a word list without some sites, without
// a rebuild. False with the reason (naming the file) in *error.
bool LoadRuleTable(const std::filesystem::path& dir, RuleTable* table, std::string* error);

}  // namespace folian::tidy
