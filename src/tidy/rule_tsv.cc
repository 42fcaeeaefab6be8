#include "tidy/rule_tsv.h"

#include <string>

namespace folian::tidy {
namespace {

// Splits off the next line; handles LF and CR LF endings and a last line
// without an ending.
bool NextLine(std::string_view& text, std::string_view* line) {
  if (text.empty()) return false;
  std::size_t nl = text.find('\n');
  std::string_view l = text.substr(0, nl);
  text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
  if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
  *line = l;
  return true;
}

std::vector<std::string_view> SplitTabs(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos) break;
    start = tab + 1;
  }
  return fields;
}

bool IsComment(std::string_view line) { return line.empty() || line.front() == '#'; }

std::string LineError(int line, std::string_view what) {
  return "line " + std::to_string(line) + ": " + std::string(what);
}

// Rejects bytes that cannot be meant: control characters other than the
// escaped ones would be invisible in the file and never match usefully.
bool HasRawControl(std::string_view field) {
  for (unsigned char c : field)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}

}  // namespace

std::string UnescapeField(std::string_view field) {
  std::string out;
  out.reserve(field.size());
  for (std::size_t i = 0; i < field.size(); ++i) {
    char c = field[i];
    if (c == '\\' && i + 1 < field.size()) {
      char n = field[i + 1];
      char r = n == 'r' ? '\r' : n == 'n' ? '\n' : n == 't' ? '\t' : n == '\\' ? '\\' : 0;
      if (r) {
        out.push_back(r);
        ++i;
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

bool ParseRuleTsv(std::string_view text, std::vector<RuleRow>* rows, std::string* error) {
  rows->clear();
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::string_view line;
  int number = 0;
  while (NextLine(text, &line)) {
    ++number;
    if (IsComment(line)) continue;
    std::vector<std::string_view> f = SplitTabs(line);
    if (f.size() < 2 || f.size() > 3) {
      *error = LineError(number, "expected kind, find and optionally replace separated by tabs");
      return false;
    }
    RuleRow row;
    row.line = number;
    if (f[0] == "replace") {
      row.rule.kind = RuleKind::kReplace;
    } else if (f[0] == "repeat") {
      row.rule.kind = RuleKind::kReplaceRepeat;
    } else if (f[0] == "pattern") {
      row.rule.kind = RuleKind::kPatternDelete;
    } else {
      *error = LineError(number, "unknown kind \"" + std::string(f[0]) + "\"");
      return false;
    }
    if (f[1].empty()) {
      *error = LineError(number, "empty find");
      return false;
    }
    if (HasRawControl(f[1]) || (f.size() == 3 && HasRawControl(f[2]))) {
      *error = LineError(number, "control character in a field (write \\r, \\n or \\t)");
      return false;
    }
    row.rule.find = UnescapeField(f[1]);
    if (f.size() == 3) row.rule.replace = UnescapeField(f[2]);
    if (row.rule.kind == RuleKind::kPatternDelete && !row.rule.replace.empty()) {
      *error = LineError(number, "a pattern row deletes; its replace must be empty");
      return false;
    }
    if (row.rule.kind == RuleKind::kReplaceRepeat &&
        row.rule.replace.find(row.rule.find) != std::string::npos) {
      // Would never stop finding.
      *error = LineError(number, "a repeat row's replace contains its find");
      return false;
    }
    rows->push_back(std::move(row));
  }
  return true;
}

bool ParseSiteTsv(std::string_view text, SiteRows* site, std::string* error) {
  *site = SiteRows();
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  bool have_token = false, have_name = false;
  std::string_view line;
  int number = 0;
  while (NextLine(text, &line)) {
    ++number;
    if (IsComment(line)) continue;
    std::vector<std::string_view> f = SplitTabs(line);
    if (f.size() != 2 || f[1].empty() || HasRawControl(f[1])) {
      *error = LineError(number, "expected key and a non-empty value separated by one tab");
      return false;
    }
    std::string value = UnescapeField(f[1]);
    if (f[0] == "fragment") {
      site->fragments.push_back(std::move(value));
    } else if (f[0] == "footer_token" || f[0] == "footer_site_name") {
      bool& seen = f[0] == "footer_token" ? have_token : have_name;
      if (seen) {
        *error = LineError(number, "\"" + std::string(f[0]) + "\" given twice");
        return false;
      }
      seen = true;
      (f[0] == "footer_token" ? site->footer_token : site->footer_site_name) = std::move(value);
    } else {
      *error = LineError(number, "unknown key \"" + std::string(f[0]) + "\"");
      return false;
    }
  }
  if (!have_token || !have_name) {
    *error = "missing footer_token or footer_site_name";
    return false;
  }
  return true;
}

}  // namespace folian::tidy
