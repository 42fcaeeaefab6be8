#include "app/ad_report.h"

#include <cstdio>
#include <vector>

#include "app/tool_messages.h"
#include "charset/codepage.h"
#include "tidy/rule_table.h"
#include "tidy/tidy_text.h"

namespace folian::app {
namespace {

// Line breaks inside a piece would break the report's one-piece-a-line form.
std::string OneLine(std::string_view gbk) {
  std::string out;
  for (std::size_t i = 0; i < gbk.size(); ++i) {
    if (gbk[i] == '\r' && i + 1 < gbk.size() && gbk[i + 1] == '\n') continue;
    if (gbk[i] == '\r' || gbk[i] == '\n') {
      out += "\\n";
    } else {
      out += gbk[i];
    }
  }
  return out;
}

std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }

template <typename... Args>
std::string Format(const char* utf8_format, Args... args) {
  const std::string f = G(utf8_format);
  const int n = std::snprintf(nullptr, 0, f.c_str(), args...);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  std::snprintf(out.data(), out.size() + 1, f.c_str(), args...);
  return out;
}

std::string DetectorReason(const tidy::DetectedAd& d) {
  std::vector<std::string> parts;
  if (!d.words.empty()) {
    std::string words;
    for (const std::string& w : d.words) {
      if (!words.empty()) words += G(msg::kWhySeparator);
      words += w;
    }
    parts.push_back(Format(msg::kWhyWordsFormat, words.c_str(), d.weight));
  }
  const std::pair<tidy::AdShape, const char*> shapes[] = {
      {tidy::kShapeHost, msg::kWhyHost},           {tidy::kShapeJunkName, msg::kWhyJunkName},
      {tidy::kShapeBracket, msg::kWhyBracket},     {tidy::kShapeClause, msg::kWhyClause},
      {tidy::kShapeResidue, msg::kWhyResidue},     {tidy::kShapeIsolated, msg::kWhyIsolated},
      {tidy::kShapeBesideTitle, msg::kWhyBesideTitle}, {tidy::kShapeRepeated, msg::kWhyRepeated},
      {tidy::kShapeTitle, msg::kWhyTitle},         {tidy::kShapeTail, msg::kWhyTail},
      {tidy::kShapeRepeatedSpan, msg::kWhyRepeatedSpan}, {tidy::kShapeOtherScript, msg::kWhyOtherScript},
      {tidy::kShapeSiteName, msg::kWhySiteName}};
  for (const auto& [bit, text] : shapes) {
    if ((d.shapes & bit) != 0) parts.push_back(G(text));
  }
  std::string out = G(d.whole_line ? msg::kWhyDetectorLine : msg::kWhyDetectorPiece);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += G(msg::kWhySeparator);
    out += parts[i];
  }
  return out;
}

}  // namespace

std::string DescribeRemoval(const tidy::Removal& r) {
  using Source = tidy::Removal::Source;
  std::string why;
  switch (r.source) {
    case Source::kFooterFilter:
      why = G(msg::kWhyFooter);
      break;
    case Source::kStageRow:
      why = Format(msg::kWhyStageRowFormat, r.stage, r.row, OneLine(r.rule).c_str());
      break;
    case Source::kCustomRow:
      why = Format(msg::kWhyCustomFormat, r.row, OneLine(r.rule).c_str());
      break;
    case Source::kDuplicateTitle:
      why = G(msg::kWhyDuplicateTitle);
      break;
    case Source::kDetector:
      why = DetectorReason(r.detected);
      break;
  }
  std::string out = G("〔") + why + G("〕") + OneLine(r.text);
  const bool piece = r.source == Source::kFooterFilter || (r.source == Source::kDetector && r.detected.whole_line)
                         ? false
                         : r.line != r.text;
  if (piece && !r.line.empty()) out += G(msg::kWhyInLine) + OneLine(r.line);
  return out;
}

std::string AdReportLines(std::string_view gbk, tidy::TidyOptions options,
                          const std::vector<std::string>& custom) {
  options.has_adver = 1;
  options.split_at_fullstop = false;
  std::vector<tidy::Removal> removals;
  tidy::TidyParams params;
  params.removals = &removals;
  params.custom = custom;
  tidy::TidyText(gbk, options, tidy::BuiltinRules(), params);
  std::string out;
  for (const tidy::Removal& r : removals) {
    out += DescribeRemoval(r);
    out += "\r\n";
  }
  return out;
}

std::filesystem::path AdReportPath(const std::filesystem::path& document) {
  std::filesystem::path p = document;
  p += ".txt";
  return p;
}

}  // namespace folian::app
