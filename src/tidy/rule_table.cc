#include "tidy/rule_table.h"

#include <cctype>
#include <fstream>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <string>

#include "charset/codepage.h"
#include "tidy/ad_vocabulary.h"
#include "tidy/rule_tsv.h"

// The data files, compiled in by data/CMakeLists.txt.
extern const unsigned char ads_stage1_tsv[];
extern const std::size_t ads_stage1_tsv_size;
extern const unsigned char ads_stage2_tsv[];
extern const std::size_t ads_stage2_tsv_size;
extern const unsigned char ads_stage3_tsv[];
extern const std::size_t ads_stage3_tsv_size;
extern const unsigned char ads_stage4_tsv[];
extern const std::size_t ads_stage4_tsv_size;
extern const unsigned char ads_stage6_tsv[];
extern const std::size_t ads_stage6_tsv_size;
extern const unsigned char ads_stage8_tsv[];
extern const std::size_t ads_stage8_tsv_size;
extern const unsigned char ads_site_tsv[];
extern const std::size_t ads_site_tsv_size;

namespace folian::tidy {
namespace {

bool ToGbk(std::string_view utf8, std::string* gbk) {
  std::size_t defaulted = 0;
  *gbk = charset::Utf8ToGbk(utf8, &defaulted);
  return defaulted == 0;
}

std::string Where(std::string_view file, int line) {
  return std::string(file) + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": ";
}

bool ValidFragment(std::string_view f) {
  if (f.size() < 3 || f.front() != '.' || f.back() != '.') return false;
  for (char c : f.substr(1, f.size() - 2)) {
    unsigned char u = static_cast<unsigned char>(c);
    // Compared against lower-cased text, so an upper-case letter could never hit.
    if (!(std::islower(u) || std::isdigit(u) || c == '-')) return false;
  }
  return true;
}

std::string_view View(const unsigned char* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

}  // namespace

bool BuildRuleTable(const RuleSources& sources, RuleTable* table, std::string* error) {
  RuleTable out;
  for (int s = 0; s < kStageCount; ++s) {
    std::string_view name = sources.stage_names[s];
    std::vector<RuleRow> rows;
    std::string why;
    if (!ParseRuleTsv(sources.stages[s], &rows, &why)) {
      *error = std::string(name) + ": " + why;
      return false;
    }
    out.stages[s].reserve(rows.size());
    for (RuleRow& row : rows) {
      Rule rule;
      rule.kind = row.rule.kind;
      if (!ToGbk(row.rule.find, &rule.find) || !ToGbk(row.rule.replace, &rule.replace)) {
        *error = Where(name, row.line) + "not representable in GBK";
        return false;
      }
      out.stages[s].push_back(std::move(rule));
    }
  }

  SiteRows site;
  std::string why;
  if (!ParseSiteTsv(sources.site, &site, &why)) {
    *error = std::string(sources.site_name) + ": " + why;
    return false;
  }
  for (const std::string& f : site.fragments) {
    if (!ValidFragment(f)) {
      *error = Where(sources.site_name, 0) + "fragment \"" + f + "\" is not a lower-case \".token.\"";
      return false;
    }
  }
  if (site.fragments.size() != 5) {
    *error = Where(sources.site_name, 0) + "five site fragments are needed";
    return false;
  }
  bool letters = site.footer_token.size() == 5;
  for (char c : site.footer_token) letters = letters && std::isalpha(static_cast<unsigned char>(c));
  if (!letters) {
    *error = Where(sources.site_name, 0) + "footer_token must be five ASCII letters";
    return false;
  }
  std::string name_gbk;
  if (!ToGbk(site.footer_site_name, &name_gbk) || name_gbk.size() != 6 ||
      !charset::IsLeadByte(charset::kGbk, static_cast<unsigned char>(name_gbk[0])) ||
      !charset::IsLeadByte(charset::kGbk, static_cast<unsigned char>(name_gbk[2])) ||
      !charset::IsLeadByte(charset::kGbk, static_cast<unsigned char>(name_gbk[4]))) {
    *error = Where(sources.site_name, 0) + "footer_site_name must be three GBK characters";
    return false;
  }
  out.site_fragments = std::move(site.fragments);
  out.footer_token = std::move(site.footer_token);
  out.footer_site_name = std::move(name_gbk);
  *table = std::move(out);
  return true;
}

RuleSources BuiltinRuleSources() {
  RuleSources src;
  src.stages[0] = View(ads_stage1_tsv, ads_stage1_tsv_size);
  src.stages[1] = View(ads_stage2_tsv, ads_stage2_tsv_size);
  src.stages[2] = View(ads_stage3_tsv, ads_stage3_tsv_size);
  src.stages[3] = View(ads_stage4_tsv, ads_stage4_tsv_size);
  src.stages[5] = View(ads_stage6_tsv, ads_stage6_tsv_size);
  src.stages[7] = View(ads_stage8_tsv, ads_stage8_tsv_size);
  for (int s = 0; s < kStageCount; ++s)
    src.stage_names[s] = std::array<std::string_view, kStageCount>{
        "stage1.tsv", "stage2.tsv", "stage3.tsv", "stage4.tsv",
        "(remove.txt)", "stage6.tsv", "(titles)", "stage8.tsv"}[s];
  src.site = View(ads_site_tsv, ads_site_tsv_size);
  return src;
}

bool LoadRuleTable(const std::filesystem::path& dir, RuleTable* table, std::string* error) {
  // The stage files in table order; the custom and title stages have none.
  static constexpr std::array<std::string_view, kStageCount> kFiles = {
      "stage1.tsv", "stage2.tsv", "stage3.tsv", "stage4.tsv", "", "stage6.tsv", "", "stage8.tsv"};
  std::array<std::string, kStageCount + 1> texts;
  auto read = [&](std::string_view name, std::string* into) {
    std::ifstream in(dir / name, std::ios::binary);
    if (!in) {
      *error = (dir / name).string() + ": cannot be opened";
      return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) {
      *error = (dir / name).string() + ": cannot be read";
      return false;
    }
    *into = ss.str();
    return true;
  };
  RuleSources src = BuiltinRuleSources();
  for (int s = 0; s < kStageCount; ++s) {
    src.stages[s] = {};
    if (kFiles[s].empty()) continue;
    if (!read(kFiles[s], &texts[s])) return false;
    src.stages[s] = texts[s];
  }
  if (!read("site.tsv", &texts[kStageCount])) return false;
  src.site = texts[kStageCount];
  if (!BuildRuleTable(src, table, error)) return false;
  std::error_code ec;
  if (std::filesystem::exists(dir / "words.tsv", ec)) {
    std::string text;
    if (!read("words.tsv", &text)) return false;
    auto words = std::make_shared<detector::Vocabulary>();
    if (!detector::Vocabulary::Parse(text, words.get(), error)) {
      *error = (dir / "words.tsv").string() + ": " + *error;
      return false;
    }
    table->ad_words = std::move(words);
  }
  return true;
}

const RuleTable& BuiltinRules() {
  // The data is checked by the tests; a failure here means a broken build.
  static const RuleTable table = [] {
    RuleTable t;
    std::string error;
    if (!BuildRuleTable(BuiltinRuleSources(), &t, &error))
      throw std::logic_error("built-in advertisement rules: " + error);
    return t;
  }();
  return table;
}

}  // namespace folian::tidy
