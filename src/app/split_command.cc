#include "app/split_command.h"

#include <memory>

#include "app/merge_split_messages.h"
#include "app/messages.h"
#include "app/posting_progress.h"
#include "app/shell_access.h"
#include "app/split_session.h"
#include "files/split.h"

namespace folian::app {
namespace {

using A = ShellAccess;
namespace fs = std::filesystem;

// The first selected row's name, lower-cased, without extension.
std::string SuggestedPrefix(const Shell& shell) {
  const FileList& list = shell.file_list();
  const int row = list.FirstSelected();
  std::string name = fs::path(row >= 0 ? list.row(row).name : shell.current_path().string())
                         .stem()
                         .string();
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name;
}

std::string Outcome(const files::SplitResult& result) {
  if (result.cancelled) return msg::kSplitStopped;
  std::string told = msg::kSplitFailed + result.error;
  if (!result.replaced.empty()) {
    told += msg::kSplitReplacedKept;
    for (const fs::path& piece : result.replaced) told += "\r\n" + piece.filename().string();
  }
  return told;
}

}  // namespace

void SplitCommand::Split() {
  if (shell_.busy() || shell_.file_list().empty() || shell_.current_path().empty()) return;
  ShellView& view = A::View(shell_);
  SplitDocument document;
  document.gbk = view.EditorText();
  document.path = shell_.current_path();
  document.encoding = shell_.document_encoding();
  document.loaded_loss = A::LoadedLoss(shell_);
  document.prefix = SuggestedPrefix(shell_);
  document.working_folder = shell_.working_folder();

  auto plan = std::make_shared<files::SplitPlan>();
  bool replace = false;
  {
    SplitSession session(view, A::Runner(shell_), std::move(document), &split_folder_);
    if (!dialogs_.RunSplitDialog(session)) return;
    *plan = session.TakePlan();
    replace = session.replace();
  }

  A::EnterBusy(shell_);
  view.SetEnabled(kSplit, false);
  view.SetProgress(0);
  view.SetProgressVisible(true);
  auto cancel = A::ResetCancel(shell_);
  Shell& shell = shell_;
  A::Runner(shell_).Run([&shell, plan, replace, cancel]() -> Continuation {
    PercentProgress progress(A::Runner(shell), A::View(shell));
    auto result = std::make_shared<files::SplitResult>(
        files::WritePieces(*plan, replace, &progress, cancel.get()));
    return [&shell, result] {
      ShellView& view = A::View(shell);
      A::EnterReady(shell);
      view.SetProgress(0);
      view.SetProgressVisible(false);
      if (result->ok()) {
        view.ShowMessage(msg::kSplitDone, kCaption, MessageIcon::kInformation);
      } else {
        view.ShowMessage(Outcome(*result), kCaption,
                         result->cancelled ? MessageIcon::kInformation : MessageIcon::kError);
      }
    };
  });
}

}  // namespace folian::app
