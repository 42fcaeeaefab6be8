#include "app/book_commands.h"

#include <memory>

#include "app/book_export.h"
#include "app/options_store.h"
#include "app/posted_progress.h"
#include "app/settings_store.h"
#include "app/shell_access.h"

namespace folian::app {

template <typename Make>
void BookCommands::Run(Make make) {
  using A = ShellAccess;
  Shell& shell = shell_;
  if (shell.busy() || shell.current_path().empty() || !A::OfferSave(shell)) return;
  ShellView& view = A::View(shell);
  A::EnterBusy(shell);
  view.SetProgress(0);
  view.SetProgressVisible(true);
  A::Runner(shell).Run([&shell, make]() -> Continuation {
    PostedProgress progress(A::Runner(shell), A::View(shell));
    auto result = std::make_shared<ExportResult>(make(&progress));
    return [&shell, result] {
      ShellView& v = A::View(shell);
      v.SetProgressVisible(false);
      A::EnterReady(shell);
      v.ShowMessage(result->Text(), kCaption, result->ok ? MessageIcon::kInformation : MessageIcon::kError);
    };
  });
}

void BookCommands::Txt2Umd() {
  ShellView& view = ShellAccess::View(shell_);
  Run([source = shell_.current_path(), title = view.FieldText(kFindField),
       author = view.FieldText(kReplaceField)](ProgressSink* progress) {
    return ExportUmd(source, title, author, progress);
  });
}

void BookCommands::Txt2Jar() {
  std::filesystem::path template_jar;
  const std::filesystem::path store =
      shell_.options_store().empty() ? SettingsPath() : shell_.options_store();
  std::string error;
  if (!LoadJarTemplate(store, &template_jar, &error)) {
    ShellAccess::View(shell_).ShowMessage(error, kCaption, MessageIcon::kError);
    return;
  }
  Run([source = shell_.current_path(), template_jar](ProgressSink* progress) {
    return ExportJar(source, template_jar, progress);
  });
}

}  // namespace folian::app
