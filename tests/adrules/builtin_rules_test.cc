// Checks on the shipped rule table itself: its shape, its order and that no
// row can cut story text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "support/temp_dir.h"
#include "tidy/rule_table.h"
#include "tidy/rule_tsv.h"

namespace folian::tidy {
namespace {

const RuleTable& Table() { return BuiltinRules(); }

std::string Gbk(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }
std::string Utf8(std::string_view gbk) { return charset::GbkToUtf8(gbk); }

bool IsDeletion(const Rule& r) { return r.kind != RuleKind::kPatternDelete && r.replace.empty(); }

// Stage numbers as users know them (1-based).
const std::vector<Rule>& Stage(int n) { return Table().stages[n - 1]; }

TEST(BuiltinRules, RowCountsAndKinds) {
  const int expected[kStageCount] = {385, 669, 71, 113, 0, 73, 0, 20};
  for (int s = 0; s < kStageCount; ++s) EXPECT_EQ(Table().stages[s].size(), expected[s]) << "stage " << s + 1;
  for (int s : {1, 2, 3, 8})
    for (const Rule& r : Stage(s)) EXPECT_EQ(r.kind, RuleKind::kReplace) << "stage " << s << ": " << Utf8(r.find);
  for (const Rule& r : Stage(6)) EXPECT_EQ(r.kind, RuleKind::kPatternDelete) << Utf8(r.find);
  int repeats = 0;
  for (const Rule& r : Stage(4)) repeats += r.kind == RuleKind::kReplaceRepeat;
  EXPECT_EQ(repeats, 9);

  // Stage 1 deletes stray entities and watermarks first, then restores spellings.
  const auto& s1 = Stage(1);
  EXPECT_EQ(std::count_if(s1.begin(), s1.end(), IsDeletion), 58);
  EXPECT_TRUE(std::all_of(s1.begin(), s1.begin() + 58, IsDeletion));
  const auto& s2 = Stage(2);
  EXPECT_EQ(std::count_if(s2.begin(), s2.end(), IsDeletion), 661);
  // A lone blank as replace is easy for an editor to strip from the file.
  const auto& s3 = Stage(3);
  auto nbsp = std::find_if(s3.begin(), s3.end(), [](const Rule& r) { return r.find == "&nbsp;"; });
  ASSERT_NE(nbsp, s3.end());
  EXPECT_EQ(nbsp->replace, " ");
}

TEST(BuiltinRules, SiteMarkers) {
  EXPECT_EQ(Table().site_fragments.size(), 5u);
  for (const std::string& f : Table().site_fragments) {
    ASSERT_GE(f.size(), 3u);
    EXPECT_EQ(f.front(), '.');
    EXPECT_EQ(f.back(), '.');
  }
  EXPECT_EQ(Table().footer_token.size(), 5u);
  EXPECT_EQ(Table().footer_site_name.size(), 6u);  // three GBK characters
}

// Same kind and find twice in one stage: the later row is dead or a mistake.
// Only these four are part of the table as users have always had it.
TEST(BuiltinRules, NoDuplicateRowsWithinAStage) {
  const std::map<std::pair<int, std::string>, int> allowed = {
      {{3, Gbk("&#215;")}, 2}, {{3, Gbk("．．．")}, 2}, {{4, Gbk("jiāo")}, 2}, {{4, Gbk("chun")}, 2}};
  for (int s = 1; s <= kStageCount; ++s) {
    std::map<std::pair<RuleKind, std::string>, int> seen;
    for (const Rule& r : Stage(s)) ++seen[{r.kind, r.find}];
    for (const auto& [key, n] : seen) {
      if (n == 1) continue;
      auto it = allowed.find({s, key.second});
      EXPECT_TRUE(it != allowed.end() && it->second == n)
          << "stage " << s << ": \"" << Utf8(key.second) << "\" appears " << n << " times";
    }
  }
  for (const auto& [key, n] : allowed) {
    int count = 0;
    for (const Rule& r : Stage(key.first)) count += r.find == key.second;
    EXPECT_EQ(count, n) << "stage " << key.first << ": " << Utf8(key.second);
  }
}

// Stage 2: eight entity rows, then the sentence block longest first, then 50
// names and fragments.
TEST(BuiltinRules, SentenceBlockLongestFirst) {
  const auto& s2 = Stage(2);
  const std::size_t begin = 8, end = s2.size() - 50;
  for (std::size_t i = 0; i < begin; ++i) EXPECT_FALSE(s2[i].replace.empty()) << i;
  for (std::size_t i = begin + 1; i < end; ++i)
    EXPECT_GE(s2[i - 1].find.size(), s2[i].find.size())
        << "\"" << Utf8(s2[i].find) << "\" is longer than the row before it";
  EXPECT_GE(end - begin, 600u);
  EXPECT_GE(s2[end - 1].find.size(), 4u);
}

// A row whose find holds an earlier row's find can never fire: the earlier
// row has already cut it apart. Stages 1 and 2 are meant to be free of that.
TEST(BuiltinRules, WholeSentencesBeforeTheirFragments) {
  for (int s : {1, 2}) {
    const auto& rows = Stage(s);
    for (std::size_t i = 0; i < rows.size(); ++i)
      for (std::size_t j = i + 1; j < rows.size(); ++j)
        EXPECT_EQ(rows[j].find.find(rows[i].find), std::string::npos)
            << "stage " << s << ": \"" << Utf8(rows[j].find) << "\" is broken up by the earlier \""
            << Utf8(rows[i].find) << "\"";
  }
}

// Stage 1 rewrites deformed spellings for good; a later literal holding one of
// them would never match.
TEST(BuiltinRules, LaterRowsUseRestoredSpellings) {
  const auto& s1 = Stage(1);
  for (int s = 2; s <= kStageCount; ++s)
    for (const Rule& r : Stage(s)) {
      if (r.kind == RuleKind::kPatternDelete) continue;
      for (std::size_t i = 58; i < s1.size(); ++i)
        EXPECT_EQ(r.find.find(s1[i].find), std::string::npos)
            << "stage " << s << " row \"" << Utf8(r.find) << "\" holds \"" << Utf8(s1[i].find)
            << "\", which stage 1 rewrites";
    }
}

// A restoration must produce the plain spelling: no full-width forms,
// look-alike letters, circled digits or other symbol-area characters.
TEST(BuiltinRules, RestorationsGivePlainSpelling) {
  const auto& s1 = Stage(1);
  for (std::size_t i = 58; i < s1.size(); ++i) {
    const std::string& out = s1[i].replace;
    for (std::size_t k = 0; k < out.size(); ++k) {
      unsigned char b = out[k];
      if (b < 0x80) continue;
      EXPECT_GE(b, 0xB0) << "\"" << Utf8(s1[i].find) << "\" -> \"" << Utf8(out) << "\"";
      ++k;  // trail byte
    }
  }
}

// The line scanner has already rewritten these before any rule runs, so a
// find that holds them is dead. (Stage 3's generic tag rows are exempt: they
// keep the ASCII quotes of the markup they were written for.)
// Whether GBK text holds the character `ch`, walking whole characters (a
// trail byte can look like an ASCII one).
bool HoldsChar(const std::string& gbk, const std::string& ch) {
  for (std::size_t i = 0; i < gbk.size();) {
    std::size_t n = static_cast<unsigned char>(gbk[i]) >= 0x81 && i + 1 < gbk.size() ? 2 : 1;
    if (gbk.compare(i, n, ch) == 0) return true;
    i += n;
  }
  return false;
}

TEST(BuiltinRules, FindsAreInScannedForm) {
  const std::vector<std::string> gone = {Gbk("「"), Gbk("『"), Gbk("」"), Gbk("』"), Gbk("\u3000"),
                                         "\"", "`", "\t"};
  ASSERT_TRUE(HoldsChar(Gbk("a「b"), Gbk("「")));
  // D0 A1 EE A1: a byte search would find A1 A1 (the full-width blank) inside.
  ASSERT_NE(Gbk("小☆").find(Gbk("\u3000")), std::string::npos);
  ASSERT_FALSE(HoldsChar(Gbk("小☆"), Gbk("\u3000")));
  for (int s : {1, 2, 4, 6, 8})
    for (const Rule& r : Stage(s))
      for (const std::string& g : gone)
        EXPECT_FALSE(HoldsChar(r.find, g)) << "stage " << s << ": \"" << Utf8(r.find) << "\"";
}

// Text that holds a site fragment is scanned with ASCII letters lower-cased
// and blanks dropped, so a row naming such a host must be written that way.
TEST(BuiltinRules, RowsNamingAFlaggedSiteAreInFlaggedForm) {
  for (int s = 1; s <= kStageCount; ++s)
    for (const Rule& r : Stage(s)) {
      if (r.kind == RuleKind::kPatternDelete) continue;
      std::string lower = r.find;
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      bool flagged = std::any_of(Table().site_fragments.begin(), Table().site_fragments.end(),
                                 [&](const std::string& f) { return lower.find(f) != std::string::npos; });
      if (!flagged) continue;
      EXPECT_FALSE(HoldsChar(r.find, " ")) << "stage " << s << ": \"" << Utf8(r.find) << "\"";
      for (char c = 'A'; c <= 'Z'; ++c)
        EXPECT_FALSE(HoldsChar(r.find, std::string(1, c))) << "stage " << s << ": \"" << Utf8(r.find) << "\"";
    }
}

// Every string converts to GBK and back unchanged: no best-fit substitutes.
TEST(BuiltinRules, StringsSurviveGbkRoundTrip) {
  RuleSources src = BuiltinRuleSources();
  for (int s = 0; s < kStageCount; ++s) {
    std::vector<RuleRow> rows;
    std::string error;
    ASSERT_TRUE(ParseRuleTsv(src.stages[s], &rows, &error)) << error;
    ASSERT_EQ(rows.size(), Table().stages[s].size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(Utf8(Table().stages[s][i].find), rows[i].rule.find) << src.stage_names[s] << ":" << rows[i].line;
      EXPECT_EQ(Utf8(Table().stages[s][i].replace), rows[i].rule.replace) << src.stage_names[s] << ":" << rows[i].line;
    }
  }
}

// No deletion (and no stage-1 rewrite) may touch story text: none of them
// occurs anywhere in the clean novels. The search is byte-wise, so a find
// that would hit across two GBK characters shows up here too.
TEST(BuiltinRules, NoRowTouchesCleanNovels) {
  const std::filesystem::path dir = std::filesystem::path(FOLIAN_SHARED_DIR) / "text" / "clean";
  std::vector<std::pair<std::string, std::string>> novels;
  if (std::filesystem::is_directory(dir))
    for (const auto& e : std::filesystem::directory_iterator(dir))
      if (e.path().string().ends_with(".gbk.txt")) novels.emplace_back(e.path().filename().string(), testing::ReadBytes(e.path()));
  if (novels.empty()) GTEST_SKIP() << "no clean GBK novels in " << dir;

  // A generic row of stage 3: it deletes an empty pair of quotes, which one
  // novel happens to contain.
  const std::set<std::pair<int, std::string>> allowed = {{3, Gbk("“”")}};
  for (int s = 1; s <= kStageCount; ++s) {
    for (std::size_t i = 0; i < Stage(s).size(); ++i) {
      const Rule& r = Stage(s)[i];
      bool rewrite_of_stage1 = s == 1 && i >= 58;
      if (r.kind == RuleKind::kPatternDelete || !(IsDeletion(r) || rewrite_of_stage1)) continue;
      if (allowed.count({s, r.find})) continue;
      for (const auto& [name, text] : novels)
        EXPECT_EQ(text.find(r.find), std::string::npos)
            << "stage " << s << " row \"" << Utf8(r.find) << "\" occurs in " << name;
    }
  }
}

TEST(BuildRuleTable, ReportsFileAndLine) {
  RuleSources src;
  src.stage_names = {"s1", "s2", "s3", "s4", "s5", "s6", "s7", "s8"};
  const std::string site =
      "fragment\t.a.\nfragment\t.b.\nfragment\t.c.\nfragment\t.d.\nfragment\t.e.\n"
      "footer_token\tqisuu\nfooter_site_name\t飞库网\n";
  src.site = site;
  RuleTable table;
  std::string error;
  src.stages[1] = "# c\nreplace\t首发\\r\\n\n";
  ASSERT_TRUE(BuildRuleTable(src, &table, &error)) << error;
  ASSERT_EQ(table.stages[1].size(), 1u);
  EXPECT_EQ(table.stages[1][0].find, "\xCA\xD7\xB7\xA2\r\n");  // GBK
  EXPECT_EQ(table.footer_site_name, "\xB7\xC9\xBF\xE2\xCD\xF8");

  // A character GBK lacks is an error, not a silent '?'.
  src.stages[5] = "replace\ta\n\nreplace\t\xED\x95\x9C\n";  // a Hangul syllable
  EXPECT_FALSE(BuildRuleTable(src, &table, &error));
  EXPECT_EQ(error, "s6:3: not representable in GBK");
  src.stages[5] = "pattern\tx\ty\n";
  EXPECT_FALSE(BuildRuleTable(src, &table, &error));
  EXPECT_EQ(error, "s6: line 1: a pattern row deletes; its replace must be empty");
}

TEST(BuildRuleTable, ChecksSiteMarkers) {
  RuleSources src;
  RuleTable table;
  std::string error;
  auto build = [&](const std::string& site) {
    src.site = site;
    return BuildRuleTable(src, &table, &error);
  };
  const std::string five = "fragment\t.a.\nfragment\t.b.\nfragment\t.c.\nfragment\t.d.\nfragment\t.e.\n";
  EXPECT_TRUE(build(five + "footer_token\tQiSuu\nfooter_site_name\t飞库网\n")) << error;
  // Fragments are tested on lower-cased text: an upper-case one could never hit.
  EXPECT_FALSE(build("fragment\t.A.\n" + five.substr(13) + "footer_token\tqisuu\nfooter_site_name\t飞库网\n"));
  EXPECT_NE(error.find("fragment \".A.\""), std::string::npos) << error;
  EXPECT_FALSE(build("fragment\tqisuu\n" + five.substr(13) + "footer_token\tqisuu\nfooter_site_name\t飞库网\n"));
  EXPECT_FALSE(build(five.substr(13) + "footer_token\tqisuu\nfooter_site_name\t飞库网\n"));
  EXPECT_NE(error.find("five site fragments"), std::string::npos) << error;
  EXPECT_FALSE(build(five + "footer_token\tqisu\nfooter_site_name\t飞库网\n"));
  EXPECT_FALSE(build(five + "footer_token\tqis8u\nfooter_site_name\t飞库网\n"));
  EXPECT_FALSE(build(five + "footer_token\tqisuu\nfooter_site_name\t飞库\n"));
  EXPECT_FALSE(build(five + "footer_token\tqisuu\nfooter_site_name\tabcdef\n"));
  EXPECT_NE(error.find("three GBK characters"), std::string::npos) << error;
}

}  // namespace
}  // namespace folian::tidy
