#include "app/merge_command.h"

#include <cstdio>
#include <memory>
#include <system_error>
#include <vector>

#include "app/folder_scan.h"
#include "app/merge_split_messages.h"
#include "app/messages.h"
#include "app/posting_progress.h"
#include "app/shell_access.h"
#include "files/merge.h"

namespace folian::app {
namespace {

using A = ShellAccess;
namespace fs = std::filesystem;

bool ValidName(const std::string& name) {
  return name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

bool SameFolder(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) || a.lexically_normal() == b.lexically_normal();
}

bool SamePath(const fs::path& a, const fs::path& b) {
  return a.lexically_normal() == b.lexically_normal();
}

std::string ListOf(const std::vector<files::FileProblem>& problems) {
  std::string out;
  for (const files::FileProblem& p : problems) out += "\r\n" + p.reason;
  return out;
}

struct MergeJob {
  std::vector<fs::path> sources;
  MergeChoice choice;
  std::string name;
  fs::path target;
  bool in_working_folder = false;
  bool replace = false;
  files::MergedText merged;
  files::MergeOutcome outcome;
};

void LeaveBusy(Shell& shell) {
  ShellView& view = A::View(shell);
  A::EnterReady(shell);
  view.SetProgress(0);
  view.SetProgressVisible(false);
}

// Rows of deleted sources go; the merged file becomes the top row and the
// Current document when it is in the Working folder.
void UpdateList(Shell& shell, const MergeJob& job) {
  FileList& list = A::List(shell);
  const fs::path current = shell.current_path();
  bool current_gone = false;
  std::vector<FileRow> kept;
  for (int i = 0; i < list.size(); ++i) {
    const fs::path path = A::PathOfRow(shell, i);
    bool gone = false;
    for (const fs::path& d : job.outcome.deleted) gone = gone || SamePath(d, path);
    if (job.in_working_folder && SamePath(path, job.target)) gone = true;
    if (gone && SamePath(path, current)) current_gone = true;
    if (!gone) kept.push_back(list.row(i));
  }
  list.Assign(std::move(kept));
  if (job.in_working_folder) {
    FileRow row = RowForFile(job.target);
    row.size = std::to_string(job.merged.gbk.size());
    list.Insert(0, std::move(row));
    list.SelectOnly(0);
    A::View(shell).FileListChanged();
    A::OpenRow(shell, 0);
    return;
  }
  A::View(shell).FileListChanged();
  if (!current_gone) return;
  if (list.empty()) {
    A::Rescan(shell);  // ends in the empty-folder state
  } else {
    list.SelectOnly(0);
    A::OpenRow(shell, 0);
  }
}

std::string Format(const char* format, const std::string& text) {
  std::vector<char> buf(text.size() + 256);
  std::snprintf(buf.data(), buf.size(), format, text.c_str());
  return buf.data();
}

std::string Format(const char* format, std::size_t n) {
  char buf[512];
  std::snprintf(buf, sizeof buf, format, n);
  return buf;
}

void Finish(Shell& shell, MergeJob& job) {
  ShellView& view = A::View(shell);
  LeaveBusy(shell);
  A::EndBatchMode(shell);
  if (!job.outcome.written) {
    view.ShowMessage(msg::kMergeFailed + job.outcome.error, kCaption, MessageIcon::kError);
    return;
  }
  UpdateList(shell, job);
  std::string problems;
  if (!job.merged.unreadable.empty()) {
    problems += msg::kMergeUnreadable + ListOf(job.merged.unreadable);
  }
  if (!job.outcome.not_deleted.empty()) {
    if (!problems.empty()) problems += "\r\n\r\n";
    problems += msg::kMergeNotDeleted;
    for (const files::FileProblem& p : job.outcome.not_deleted) {
      problems += "\r\n" + p.path.string() + ": " + p.reason;
    }
  }
  if (!problems.empty()) view.ShowMessage(problems, kCaption, MessageIcon::kWarning);
}

}  // namespace

void MergeCommand::Merge() {
  if (shell_.busy()) return;
  ShellView& view = A::View(shell_);
  FileList& list = A::List(shell_);
  auto job = std::make_shared<MergeJob>();
  for (int i = 0; i < list.size(); ++i) {
    if (list.row(i).selected) job->sources.push_back(A::PathOfRow(shell_, i));
  }
  if (job->sources.size() < 2) {
    view.ShowMessage(msg::kMergeNeedTwo, kCaption, MessageIcon::kWarning);
    return;
  }
  // The merged file replaces the editor's text, and a source may be deleted.
  if (!A::OfferSave(shell_)) return;
  auto choice = dialogs_.AskMergeOptions();
  if (!choice || choice->name.empty()) return;
  job->choice = *choice;
  job->name = files::MergedFileName(choice->name);
  if (!ValidName(job->name)) {
    view.ShowMessage(msg::kMergeInvalidName + choice->name, kCaption, MessageIcon::kWarning);
    return;
  }
  const fs::path folder = choice->folder.empty() ? shell_.working_folder() : choice->folder;
  job->target = folder / job->name;
  job->in_working_folder = SameFolder(folder, shell_.working_folder());

  A::EnterBusy(shell_);
  view.SetProgress(0);
  view.SetProgressVisible(true);
  auto cancel = A::ResetCancel(shell_);
  Shell& shell = shell_;
  A::Runner(shell_).Run([&shell, job, cancel]() -> Continuation {
    PercentProgress progress(A::Runner(shell), A::View(shell));
    job->merged = files::BuildMergedText(job->sources, job->choice.chapter_names, &progress,
                                         cancel.get());
    return [&shell, job] {
      ShellView& view = A::View(shell);
      if (job->merged.cancelled) {
        LeaveBusy(shell);
        view.ShowMessage(msg::kMergeStopped, kCaption, MessageIcon::kInformation);
        return;
      }
      if (job->merged.merged.empty()) {
        LeaveBusy(shell);
        view.ShowMessage(msg::kMergeNothingRead + ListOf(job->merged.unreadable), kCaption,
                         MessageIcon::kWarning);
        return;
      }
      if (job->merged.unmappable > 0 &&
          view.AskYesNoCancel(Format(msg::kMergeLossFormat, job->merged.unmappable), kCaption) !=
              Answer::kYes) {
        LeaveBusy(shell);
        return;
      }
      std::error_code ec;
      if (fs::exists(fs::symlink_status(job->target, ec))) {
        if (view.AskYesNoCancel(Format(msg::kMergeReplaceFormat, job->target.string()), kCaption) !=
            Answer::kYes) {
          LeaveBusy(shell);
          return;
        }
        job->replace = true;
      }
      A::Runner(shell).Run([&shell, job]() -> Continuation {
        job->outcome = files::WriteMerged(job->target, job->merged, job->replace,
                                          job->choice.delete_originals);
        return [&shell, job] { Finish(shell, *job); };
      });
    };
  });
}

}  // namespace folian::app
