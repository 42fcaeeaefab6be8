// The straightforward advertisement removal: every rule is a full pass over
// the text, in table order. Kept as the yardstick AdRemover must match byte
// for byte, and as the baseline of the benchmark.
#include <cstdio>

#include "tidy/ad_removal.h"
#include "tidy/ad_stages_internal.h"
#include "tidy/replace_all.h"
#include "tidy/status_texts.h"

namespace folian::tidy {
namespace internal {

bool DriveStages(const AdRunInput& in, const std::function<bool(Stage)>& run) {
  ProgressSink& sink = in.progress != nullptr ? *in.progress : NullProgress();
  struct Step {
    Stage stage;
    std::string_view status;  // empty: keeps the current one
    int position;             // 0: unchanged
  };
  static constexpr Step kSteps[] = {
      {Stage::kRestore, {}, 0},
      {Stage::kAdText, status::kClearingAdText, 85},
      {Stage::kHtml, status::kClearingHtml, 90},
      {Stage::kPunctuation, status::kPunctuation, 95},
      {Stage::kCustom, status::kCustomAds, 0},
      {Stage::kPatterns, status::kDeformedAds, 0},
      {Stage::kDuplicateTitles, status::kDuplicateTitles, 0},
      {Stage::kClosing, {}, 0},
  };
  for (const Step& step : kSteps) {
    if (Cancelled(in.cancel)) return false;
    if (!step.status.empty()) sink.SetStatus(step.status);
    if (step.position != 0) sink.SetPosition(step.position);
    if (!run(step.stage)) return false;
  }
  return !Cancelled(in.cancel);
}

bool CollapseTitlesReference(std::string& text, const std::vector<std::string>& t,
                             const CancelFlag* cancel, AdRowObserver* observer) {
  for (std::size_t i = 0; i + 1 < t.size(); ++i) {
    if (Cancelled(cancel)) return false;
    Rule first{RuleKind::kReplace, "\r\n" + t[i] + "\r\n" + t[i], "\r\n" + t[i] + "\r\n"};
    if (observer != nullptr) observer->BeforeRow(7, i + 1, first, text);
    ReplaceAll(text, first.find, first.replace);
    if (t[i].empty()) continue;
    Rule second{RuleKind::kReplace, t[i + 1] + "\r\n" + t[i + 1], t[i + 1] + "\r\n"};
    if (observer != nullptr) observer->BeforeRow(7, i + 1, second, text);
    ReplaceAll(text, second.find, second.replace);
  }
  return true;
}

}  // namespace internal

namespace {

using internal::Stage;

bool RunRows(std::string& text, const std::vector<Rule>& rows, const CancelFlag* cancel,
             AdRowObserver* observer, int stage) {
  std::size_t row = 0;
  for (const Rule& rule : rows) {
    if (Cancelled(cancel)) return false;
    ++row;
    if (observer != nullptr) observer->BeforeRow(stage, row, rule, text);
    switch (rule.kind) {
      case RuleKind::kReplace:
        ReplaceAll(text, rule.find, rule.replace);
        break;
      case RuleKind::kReplaceRepeat:
        ReplaceAllRepeat(text, rule.find, rule.replace);
        break;
      case RuleKind::kPatternDelete: {
        const auto pattern =
            regex::Pattern::Compiled(rule.find, "", internal::kAdPatternFlags);
        pattern.Substitute(text, 0, std::string::npos, cancel);
        break;
      }
    }
  }
  return true;
}

int TableIndex(Stage s) { return static_cast<int>(s); }

}  // namespace

bool RemoveAdsReference(std::string& text, const RuleTable& rules, const AdRunInput& in) {
  return internal::DriveStages(in, [&](Stage stage) {
    switch (stage) {
      case Stage::kCustom:
        if (in.custom != nullptr) {
          std::size_t row = 0;
          for (const std::string& line : *in.custom) {
            if (Cancelled(in.cancel)) return false;
            if (in.observer != nullptr) in.observer->BeforeRow(5, ++row, Rule{RuleKind::kReplace, line, ""}, text);
            ReplaceAll(text, line, "");
          }
        }
        return true;
      case Stage::kDuplicateTitles:
        return in.titles == nullptr ||
               internal::CollapseTitlesReference(text, *in.titles, in.cancel, in.observer);
      default:
        return RunRows(text, rules.stages[TableIndex(stage)], in.cancel, in.observer,
                       TableIndex(stage) + 1);
    }
  });
}

bool LoadCustomRules(const std::string& path, std::vector<std::string>* lines) {
  std::FILE* f = std::fopen(path.c_str(), "r");
  if (f == nullptr) return false;
  // fgets-sized reads: a longer line arrives as several pieces, each a rule.
  std::string buf(100000, '\0');
  while (std::fgets(buf.data(), static_cast<int>(buf.size()), f) != nullptr) {
    std::size_t n = 0;
    while (n < buf.size() && buf[n] != '\0') ++n;
    std::string line(buf.data(), n);
    for (int k = 0; k < 2 && !line.empty() && (line.back() == '\r' || line.back() == '\n'); ++k) {
      line.pop_back();
    }
    if (!line.empty()) lines->push_back(std::move(line));
  }
  std::fclose(f);
  return true;
}

}  // namespace folian::tidy
