#include "tidy/removal_log.h"

#include <algorithm>

#include "regex/regex.h"
#include "tidy/ad_stages_internal.h"

namespace folian::tidy::internal {
namespace {

// The line of `text` that holds position `at`.
std::string_view LineAround(std::string_view text, std::size_t at) {
  std::size_t begin = std::min(at, text.size());
  while (begin > 0 && text[begin - 1] != '\n' && text[begin - 1] != '\r') --begin;
  std::size_t end = text.find_first_of("\r\n", begin);
  if (end == std::string_view::npos) end = text.size();
  return text.substr(begin, end - begin);
}

}  // namespace

void RemovalLog::Add(Removal::Source source, int stage, std::size_t row, const Rule& rule,
                     std::string_view text, std::size_t at, std::size_t len) {
  Removal r;
  r.source = source;
  r.stage = stage;
  r.row = row;
  r.rule = rule.find;
  r.text = std::string(text.substr(at, len));
  // A find that starts with a line break stands for the line after it.
  std::size_t probe = at;
  while (probe < at + len && (text[probe] == '\r' || text[probe] == '\n')) ++probe;
  r.line = std::string(LineAround(text, probe));
  out_->push_back(std::move(r));
}

void RemovalLog::BeforeRow(int stage, std::size_t row, const Rule& rule, std::string_view text) {
  if (rule.find.empty()) return;
  if (stage == 7) {
    // "\r\nT\r\nT" -> "\r\nT\r\n" and "T\r\nT" -> "T\r\n": the second T goes.
    const std::size_t keep = rule.replace.size();
    for (std::size_t at = text.find(rule.find); at != std::string_view::npos;
         at = text.find(rule.find, at + rule.find.size())) {
      Add(Removal::Source::kDuplicateTitle, stage, row, rule, text, at + keep,
          rule.find.size() - keep);
    }
    return;
  }
  const Removal::Source source = stage == 5 ? Removal::Source::kCustomRow : Removal::Source::kStageRow;
  if (rule.kind == RuleKind::kPatternDelete) {
    regex::Pattern p;
    try {
      p.Compile(rule.find, kAdPatternFlags | regex::KEEPGROUPS);
    } catch (const regex::bad_regexpr&) {
      return;  // the run itself reports it
    }
    regex::MatchResult m;
    if (!p.Match(text, &m)) return;
    const std::size_t per = static_cast<std::size_t>(p.GroupCount());
    for (std::size_t i = 0; i + per <= m.size(); i += per) {
      if (!m[i].matched || m[i].length == 0) continue;
      Add(source, stage, row, rule, text, static_cast<std::size_t>(m[i].start), m[i].length);
    }
    return;
  }
  if (!rule.replace.empty()) return;  // a restoration or a tidier spelling
  for (std::size_t at = text.find(rule.find); at != std::string_view::npos;
       at = text.find(rule.find, at + rule.find.size())) {
    Add(source, stage, row, rule, text, at, rule.find.size());
  }
}

void LogFooterDrops(std::string_view text, const ScanConfig& config, std::vector<Removal>* out) {
  ScanConfig one = config;
  one.progress = nullptr;
  one.progress_step = 0;
  std::string scanned;
  std::vector<std::string> titles;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(at, end - at);
    at = end;
    while (at < text.size() && (text[at] == '\r' || text[at] == '\n')) ++at;
    if (line.find_first_not_of(" \t") == std::string_view::npos) continue;
    scanned.clear();
    titles.clear();
    ScanLines(line, one, &scanned, &titles);
    if (!scanned.empty()) continue;
    // Blank but for full-width blanks: the scanner drops those as empty.
    if (line.find_first_not_of(" \t\xA1") == std::string_view::npos) continue;
    Removal r;
    r.source = Removal::Source::kFooterFilter;
    r.text = std::string(line);
    r.line = r.text;
    out->push_back(std::move(r));
  }
}

void LogDetected(std::vector<DetectedAd> found, std::vector<Removal>* out) {
  for (DetectedAd& ad : found) {
    Removal r;
    r.source = Removal::Source::kDetector;
    r.text = ad.text;
    r.line = ad.line;
    r.detected = std::move(ad);
    out->push_back(std::move(r));
  }
}

}  // namespace folian::tidy::internal
