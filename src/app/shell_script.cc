// The "简繁转换" combo box: the editor's whole text converted on a worker
// thread (Busy, with the progress bar and its stop button), then put back
// in the editor; the file itself is not written.
#include <memory>
#include <string>

#include "app/messages.h"
#include "app/posting_progress.h"
#include "app/shell.h"
#include "charset/script.h"

namespace folian::app {

void Shell::ConvertScript(int item) {
  if (busy_ || item < 0 || item > 3) return;
  struct Job {
    std::string text;
    charset::ScriptMode mode;
    charset::ScriptStatus status = charset::ScriptStatus::kOk;
    std::string error;
  };
  auto job = std::make_shared<Job>();
  job->text = view_.EditorText();
  job->mode = static_cast<charset::ScriptMode>(item);

  EnterBusy();
  view_.SetStatus(kStatusMessage, msg::kScriptConverting);
  view_.SetProgress(0);
  view_.SetProgressVisible(true);
  cancel_ = std::make_shared<CancelFlag>(false);
  auto cancel = cancel_;
  runner_.Run([this, job, cancel]() -> Continuation {
    PostingProgress progress(runner_, view_);
    // An empty text needs no dictionary and stays as it is.
    if (!job->text.empty() && !charset::LoadScriptTable(charset::DirectionOf(job->mode), &job->error)) {
      job->status = charset::ScriptStatus::kNoDictionary;
    } else {
      job->status = charset::ConvertScript(job->text, job->mode, {&progress, cancel.get()});
    }
    return [this, job] {
      EnterReady();
      view_.SetStatus(kStatusMessage, "");
      view_.SetProgress(0);
      view_.SetProgressVisible(false);
      switch (job->status) {
        case charset::ScriptStatus::kOk:
          view_.ReplaceEditorText(job->text);
          view_.ShowMessage(msg::kScriptConverted, kCaption, MessageIcon::kInformation);
          break;
        case charset::ScriptStatus::kNoDictionary:
          view_.ShowMessage(std::string(msg::kScriptFailed) + job->error, kCaption, MessageIcon::kError);
          break;
        case charset::ScriptStatus::kCancelled:
          break;  // stopped: the editor keeps its text
      }
    };
  });
}

}  // namespace folian::app
