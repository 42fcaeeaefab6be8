#include "app/tool_commands.h"

#include <cstdio>
#include <memory>
#include <system_error>

#include "app/ad_report.h"
#include "app/shell_access.h"
#include "app/tool_messages.h"
#include "charset/codepage.h"
#include "files/directory_merge.h"
#include "text/atomic_write.h"
#include "text/bracket_match.h"
#include "text/garbled.h"
#include "text/hard_returns.h"
#include "tidy/ad_removal.h"

namespace folian::app {
namespace {

using A = ShellAccess;
namespace fs = std::filesystem;

std::string Format(const char* format, int n) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, n);
  return buf;
}

std::size_t Caret(ShellView& view) { return view.SelectionStart() + view.SelectionLength(); }

int ShortLine(const std::string& field) {
  const int n = std::atoi(field.substr(0, 10).c_str());
  return n != 0 ? n : text::kDefaultShortLineBytes;
}

}  // namespace

void ToolCommands::FindGarbled() {
  if (shell_.busy()) return;
  ShellView& view = A::View(shell_);
  const std::string text = view.EditorText();
  if (auto run = text::FindGarbled(text, Caret(view))) {
    view.SelectBytes(run->start, run->length);
  } else {
    view.ShowMessage(msg::kNoGarbled, kCaption, MessageIcon::kInformation);
  }
}

void ToolCommands::RepairGarbled() {
  if (shell_.busy()) return;
  ShellView& view = A::View(shell_);
  if (view.SelectionLength() == 0) {
    view.ShowMessage(msg::kSelectGarbled, kCaption, MessageIcon::kInformation);
    return;
  }
  const std::string text = view.EditorText();
  const std::string selected = text.substr(view.SelectionStart(), view.SelectionLength());
  if (auto repair = text::RepairGarbled(selected)) {
    view.ReplaceSelection(repair->gbk);
  } else {
    view.ShowMessage(msg::kCannotRepair, kCaption, MessageIcon::kWarning);
  }
}

bool ToolCommands::SelectNext(bool found, std::size_t start, std::size_t length) {
  ShellView& view = A::View(shell_);
  if (found) view.SelectBytes(start, length);
  return found;
}

void ToolCommands::FindHardReturn() {
  if (shell_.busy()) return;
  ShellView& view = A::View(shell_);
  const std::string text = view.EditorText();
  const auto hit =
      text::FindHardReturn(text, Caret(view), ShortLine(view.FieldText(kReplaceField)));
  if (!SelectNext(hit.has_value(), hit ? hit->start : 0, hit ? hit->length : 0)) {
    view.ShowMessage(msg::kNoHardReturn, kCaption, MessageIcon::kInformation);
  }
  view.SetEnabled(kNextHardReturn, hit.has_value());
}

void ToolCommands::NextHardReturn() { FindHardReturn(); }

void ToolCommands::CheckBrackets() {
  if (shell_.busy()) return;
  ShellView& view = A::View(shell_);
  const std::string text = view.EditorText();
  const auto hit = text::FindUnmatchedBracket(text, Caret(view));
  if (!SelectNext(hit.has_value(), hit ? hit->start : 0, hit ? hit->length : 0)) {
    view.ShowMessage(msg::kNoBracket, kCaption, MessageIcon::kInformation);
  }
  view.SetEnabled(kNextBracket, hit.has_value());
}

void ToolCommands::NextBracket() { CheckBrackets(); }

void ToolCommands::AdReport() {
  if (shell_.busy() || shell_.current_path().empty()) return;
  ShellView& view = A::View(shell_);
  auto text = std::make_shared<std::string>(view.EditorText());
  if (text->find_first_of("\r\n") == std::string::npos) return;  // one line: nothing to list
  // A file of that name may be the user's own: never write over it.
  const fs::path wanted = AdReportPath(shell_.current_path());
  const fs::path report = files::FreeName(wanted.parent_path(), wanted.filename().string());
  const tidy::TidyOptions options = shell_.options();
  // What tidying would remove takes a whole tidy run: a worker's job.
  A::EnterBusy(shell_);
  A::Runner(shell_).Run([this, text, report, options]() -> Continuation {
    auto lines = std::make_shared<std::string>();
    auto error = std::make_shared<std::string>();
    try {
      std::vector<std::string> custom;
      tidy::LoadCustomRules("remove.txt", &custom);
      *lines = AdReportLines(*text, options, custom);
    } catch (const std::exception& e) {
      *error = e.what();
    }
    return [this, lines, error, report] {
      A::EnterReady(shell_);
      ShellView& view = A::View(shell_);
      if (error->empty() && !text::WriteFileAtomic(report, *lines, error.get()) && error->empty()) {
        *error = report.string();
      }
      if (!error->empty()) {
        view.ShowMessage(std::string(msg::kAdReportFailed) + *error, kCaption, MessageIcon::kError);
        return;
      }
      if (!tools_.OpenWithDefaultProgram(report)) {
        // No program for text files: the report is shown here instead, and
        // the file is not needed.
        std::error_code ec;
        fs::remove(report, ec);
        tools_.ShowReport(msg::kAdReportTitle, charset::GbkToUtf8(*lines));
        return;
      }
      // The program showing it has read it by then; the window never waits.
      tools_.RunAfter(kAdReportLifetime, [report] {
        std::error_code ec;
        fs::remove(report, ec);
      });
    };
  });
}

void ToolCommands::Rename(const char* title, std::vector<files::RenameStep> wanted) {
  ShellView& view = A::View(shell_);
  const fs::path folder = shell_.working_folder();
  std::vector<files::RenameStep> plan = files::PlanRenames(folder, std::move(wanted));
  std::erase_if(plan, [](const files::RenameStep& s) { return s.to.empty(); });
  if (plan.empty()) {
    view.ShowMessage(msg::kNothingToRename, kCaption, MessageIcon::kInformation);
    return;
  }
  if (!tools_.ConfirmRenames(title, plan)) return;
  const files::RenameOutcome outcome = files::ApplyRenames(folder, plan);
  FileList& list = A::List(shell_);
  // Rows follow by old name; apply in two steps so swapped names stay apart.
  std::vector<std::pair<int, std::string>> renamed;
  for (const files::RenameStep& step : outcome.done) {
    for (int i = 0; i < list.size(); ++i) {
      if (list.row(i).name == step.from) renamed.emplace_back(i, step.to);
    }
  }
  const int current = shell_.current_row();
  for (const auto& [row, name] : renamed) A::RowRenamed(shell_, row, name, row == current);
  view.FileListChanged();
  std::string message = Format(msg::kRenamedFormat, outcome.renamed);
  if (!outcome.failed.empty()) {
    message += msg::kRenameFailures;
    for (const files::RenameStep& f : outcome.failed) message += "\r\n" + f.from + ": " + f.problem;
  }
  view.ShowMessage(message, kCaption,
                   outcome.failed.empty() ? MessageIcon::kInformation : MessageIcon::kWarning);
}

void ToolCommands::NormaliseNames() {
  if (shell_.busy()) return;
  const FileList& list = A::List(shell_);
  std::vector<files::RenameStep> wanted;
  for (const FileRow& row : list.rows()) {
    if (fs::path(row.name).is_absolute()) continue;  // a converter's result elsewhere
    wanted.push_back({row.name, files::NormaliseFileName(row.name), {}});
  }
  Rename(msg::kNormaliseTitle, std::move(wanted));
}

void ToolCommands::BatchRename() {
  if (shell_.busy()) return;
  const FileList& list = A::List(shell_);
  std::vector<std::string> names;
  for (const FileRow& row : list.rows()) {
    if (row.checked && !fs::path(row.name).is_absolute()) names.push_back(row.name);
  }
  if (names.empty()) {
    A::View(shell_).ShowMessage(msg::kNothingToRename, kCaption, MessageIcon::kInformation);
    return;
  }
  const auto pattern = tools_.AskRenamePattern();
  if (!pattern) return;
  std::vector<files::RenameStep> wanted;
  for (std::size_t i = 0; i < names.size(); ++i) {
    wanted.push_back({names[i], files::PatternName(*pattern, names[i], static_cast<int>(i)), {}});
  }
  Rename(msg::kBatchRenameTitle, std::move(wanted));
}

void ToolCommands::MergeDirectories() {
  if (shell_.busy() || shell_.working_folder().empty()) return;
  ShellView& view = A::View(shell_);
  // The list is read again afterwards, which replaces the editor's text.
  if (!A::OfferSave(shell_)) return;
  const files::MergeResult result = files::MergeSubfolders(shell_.working_folder());
  if (result.root) {
    view.ShowMessage(msg::kRootFolder, kCaption, MessageIcon::kWarning);
    return;
  }
  std::string message = Format(msg::kMergedFormat, result.folders);
  if (!result.failures.empty()) {
    message += msg::kMergeFailures;
    for (const std::string& f : result.failures) message += "\r\n" + f;
  }
  view.ShowMessage(message, kCaption,
                   result.failures.empty() ? MessageIcon::kInformation : MessageIcon::kWarning);
  if (result.files > 0) A::Rescan(shell_);
}

}  // namespace folian::app
