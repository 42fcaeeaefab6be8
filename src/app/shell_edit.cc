// The commands that change the editor's text: find and replace (plain or by
// pattern), the common patterns and the encoding buttons.
#include <cstdio>
#include <string>

#include "app/common_patterns.h"
#include "app/conversion_notes.h"
#include "app/messages.h"
#include "app/shell.h"
#include "app/text_search.h"
#include "charset/codepage.h"
#include "regex/regex.h"

namespace folian::app {
namespace {

// Substitutes in `text`; a bad pattern or an overrun budget is shown to the
// user and leaves `text` for the caller to drop (returns false).
bool SubstitutePattern(ShellView& view, const std::string& find, const std::string& replacement,
                       unsigned options, std::string& text, std::size_t* count = nullptr) {
  try {
    bool over_budget = false;
    const std::size_t n = regex::Pattern::Compiled(find, replacement, options)
                              .Substitute(text, 0, std::string::npos, nullptr, &over_budget);
    if (over_budget) {
      view.ShowMessage(regex::kOverBudgetMessage, kCaption, MessageIcon::kWarning);
      return false;
    }
    if (count) *count = n;
    return true;
  } catch (const regex::bad_regexpr& e) {
    view.ShowMessage(e.what(), kCaption, MessageIcon::kWarning);
    return false;
  }
}

}  // namespace

bool Shell::SearchFrom(std::size_t from) {
  std::string find = FieldGbk(kFindField);
  if (find.empty()) return false;
  const std::string text = view_.EditorText();
  // Searches resume on a character start, so a pattern's byte-level view
  // never begins inside a character.
  from = NextCharStart(text, from);
  std::size_t start = std::string::npos, length = 0;
  if (regex_mode_) {
    regex::Pattern pattern;
    try {
      pattern.Compile(find, regex::WHOLECHARS);
    } catch (const regex::bad_regexpr& e) {
      view_.ShowMessage(e.what(), kCaption, MessageIcon::kWarning);
      return false;
    }
    regex::MatchResult result;
    bool over_budget = false;
    const bool found = pattern.Match(std::string_view(text).substr(from), &result, nullptr, &over_budget);
    if (over_budget) {
      view_.ShowMessage(regex::kOverBudgetMessage, kCaption, MessageIcon::kWarning);
      return false;
    }
    if (found && !result.empty() && result[0].matched) {
      start = from + static_cast<std::size_t>(result[0].start);
      length = result[0].length;
    }
  } else {
    find = ProcessEscapes(find);
    start = FindGbk(text, find, from);
    length = find.size();
  }
  if (start == std::string::npos) {
    view_.ShowMessage(msg::kNotFound, kCaption, MessageIcon::kInformation);
    return false;
  }
  view_.SelectBytes(start, length);
  view_.SetEnabled(kFindNext, true);
  view_.SetEnabled(kReplaceHere, true);
  return true;
}

void Shell::Find() {
  if (busy_ || RunBatch(BatchCommand::kFind)) return;
  SearchFrom(view_.SelectionStart() + view_.SelectionLength());
}

void Shell::FindNext() {
  if (busy_) return;
  const std::size_t start = view_.SelectionStart(), length = view_.SelectionLength();
  // An empty match would be found again at the same place: step past it.
  SearchFrom(length == 0 && regex_mode_ ? start + 1 : start + length);
}

void Shell::ReplaceHere() {
  if (busy_ || view_.SelectionLength() == 0) return;
  const std::string replacement = ProcessEscapes(FieldGbk(kReplaceField));
  if (!regex_mode_) {
    view_.ReplaceSelection(replacement);
    return;
  }
  const std::string text = view_.EditorText();
  std::string selected = text.substr(view_.SelectionStart(), view_.SelectionLength());
  if (!SubstitutePattern(view_, FieldGbk(kFindField), replacement, regex::WHOLECHARS, selected)) return;
  view_.ReplaceSelection(selected);
}

void Shell::ReplaceAll() {
  if (busy_ || RunBatch(BatchCommand::kReplaceAll)) return;
  const std::string find = FieldGbk(kFindField);
  if (find.empty()) return;
  const std::string replacement = ProcessEscapes(FieldGbk(kReplaceField));
  std::string text = view_.EditorText();
  std::size_t count = 0;
  if (regex_mode_) {
    if (!SubstitutePattern(view_, find, replacement, regex::ALLMATCHES | regex::WHOLECHARS, text, &count)) return;
  } else {
    count = ReplaceAllGbk(text, ProcessEscapes(find), replacement);
  }
  if (count > 0) view_.ReplaceEditorText(text);
  char message[256];
  std::snprintf(message, sizeof message, msg::kReplacedFormat, static_cast<int>(count));
  view_.ShowMessage(message, kCaption, MessageIcon::kInformation);
}

void Shell::SetRegexMode(bool checked) {
  regex_mode_ = checked;
  if (checked) return;
  view_.SetFieldText(kFindField, "");
  pattern_item_ = 0;
  view_.SetCurrentItem(kCommonPatterns, 0);
  if (!busy_) view_.SetEnabled(kReplaceAll, true);
}

void Shell::SelectCommonPattern(int item) {
  const auto patterns = CommonPatterns();
  if (item < 0 || item >= static_cast<int>(patterns.size())) return;
  pattern_item_ = item;
  view_.SetFieldText(kFindField, patterns[static_cast<std::size_t>(item)].pattern);
  regex_mode_ = item != 0;
  view_.SetChecked(kRegexMode, regex_mode_);
  if (!busy_) view_.SetEnabled(kReplaceAll, item != kAdPatternItem);
}

void Shell::ConvertEncoding(text::EncodingCommand command) {
  if (busy_) return;
  const BatchCommand batch = command == text::EncodingCommand::kToAnsi  ? BatchCommand::kToAnsi
                             : command == text::EncodingCommand::kToUtf8 ? BatchCommand::kToUtf8
                                                                         : BatchCommand::kToUnicode;
  if (RunBatch(batch) || current_path_.empty()) return;
  // The file is rewritten from disk and reloaded: unsaved edits would be lost.
  if (!OfferSave()) return;
  text::ConversionReport report = text::ConvertFileEncoding(current_path_, command, false);
  if (report.outcome == text::ConversionOutcome::kRefusedLoss) {
    const std::string question = std::to_string(report.unmappable) + msg::kForceConvert;
    if (view_.AskYesNoCancel(question, kCaption) != Answer::kYes) return;
    report = text::ConvertFileEncoding(current_path_, command, true);
  }
  if (report.outcome == text::ConversionOutcome::kFailed) {
    view_.ShowMessage(std::string(msg::kConvertFailed) + report.error, kCaption,
                      MessageIcon::kError);
    return;
  }
  if (report.outcome != text::ConversionOutcome::kConverted) {
    view_.ShowMessage(std::string(msg::kNotConverted) + LeftAloneReason(report), kCaption,
                      MessageIcon::kInformation);
    return;
  }
  LoadCurrent();
  view_.ClearUndo();
  view_.ShowMessage(msg::kConverted, kCaption, MessageIcon::kInformation);
}

}  // namespace folian::app
