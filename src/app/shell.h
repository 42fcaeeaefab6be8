// The shell of the Main window without any toolkit: the Working folder, the
// File list, the Current document, the Ready/Busy states and the commands of
// the window, each a function over that state. It talks to the window only
// through ShellView, and runs long work through a TaskRunner, so the window
// thread alone touches the shell.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/file_list.h"
#include "app/shell_view.h"
#include "app/task_runner.h"
#include "common/progress.h"
#include "text/file_conversion.h"
#include "text/text_file.h"
#include "tidy/tidy_options.h"

namespace folian::app {

// The starred commands, which act on every listed file in batch mode.
enum class BatchCommand { kFind, kReplaceAll, kTidy, kToAnsi, kToUtf8, kToUnicode, kHtm2Txt };

class Shell {
 public:
  // `options_store` empty means the user's settings file.
  Shell(ShellView& view, TaskRunner& runner, tidy::TidyOptions options,
        std::filesystem::path options_store = {});
  ~Shell();
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;

  // The state at start (only the commands that need no file enabled), then
  // the folder, when given, as if chosen.
  void Start(const std::optional<std::filesystem::path>& folder = std::nullopt);

  // Who runs the starred commands in batch mode (the batch runner installs itself).
  void SetBatchRunner(std::function<void(BatchCommand)> runner) { batch_runner_ = std::move(runner); }

  // --- the File list ---
  void ChooseFolder();
  void OpenFolder(const std::filesystem::path& folder);
  void ClickRow(int row);
  void SetRowChecked(int row, bool checked);
  void SetRowSelected(int row, bool selected);
  void SortByColumn(int column);
  void Move(MoveKind kind);
  void RemoveSelectedRows(bool delete_files);
  void RenameSelectedRow();

  // --- the Current document ---
  // Text without a file (typed with no folder open) is saved under a name
  // the user chooses, which then is its file.
  bool Save();
  // True when the window may close.
  bool Close();
  void Tidy();
  void ConvertEncoding(text::EncodingCommand command);
  void ConvertScript(int item);

  // --- find and replace ---
  void Find();
  void FindNext();
  void ReplaceHere();
  void ReplaceAll();
  void SetRegexMode(bool checked);
  void SelectCommonPattern(int item);
  void SetBatchMode(bool checked);

  // --- the rest ---
  void OpenForum();
  void EditorSelectionChanged(bool has_selection, bool clipboard_has_text);
  // The editor's text became changed (it can undo) or unchanged. Without a
  // listed document the save button follows it, so typed text can be saved.
  void EditorModifiedChanged(bool modified);

  // --- state, for the window and the tests ---
  const FileList& file_list() const { return list_; }
  tidy::TidyOptions& options() { return options_; }
  const std::filesystem::path& options_store() const { return options_store_; }
  const std::filesystem::path& working_folder() const { return folder_; }
  const std::filesystem::path& current_path() const { return current_path_; }
  int current_row() const;
  bool busy() const { return busy_; }
  bool scan_running() const { return scan_running_; }
  bool batch_mode() const { return batch_mode_; }
  bool regex_mode() const { return regex_mode_; }
  const text::StoredEncoding& document_encoding() const { return encoding_; }
  // Asks the running worker to stop at its next check (each worker has its
  // own flag, so a stop never reaches the next run).
  void RequestStop() { cancel_->store(true); }

 private:
  // The batch runner and the window's further commands work on this state
  // as the commands above do, on the window's thread.
  friend struct ShellAccess;

  void EnterReady();
  void EnterBusy();
  void EnterEmptyFolder();
  void FinishScan(std::vector<FileRow> rows);
  void LoadCurrent();
  void ClearDocument();
  void ShowEncoding();
  bool SaveAs(const std::string& text);
  void EnableConversions(int bom_class);
  // The save prompt before the editor's text is replaced; false when the
  // user cancelled or the save failed.
  bool OfferSave();
  std::filesystem::path PathOfRow(int row) const;
  std::string FieldGbk(ControlId id);
  bool RunBatch(BatchCommand command);
  // Searches from `from`; selects and returns true when found.
  bool SearchFrom(std::size_t from);

  ShellView& view_;
  TaskRunner& runner_;
  tidy::TidyOptions options_;
  std::filesystem::path options_store_;
  std::function<void(BatchCommand)> batch_runner_;

  FileList list_;
  std::filesystem::path folder_;
  std::filesystem::path current_path_;
  std::string current_name_;  // the current row's name; rows move, names stay
  text::StoredEncoding encoding_;
  std::size_t loaded_loss_ = 0;
  int codepage_ = 0;
  int bom_flag_ = 0;
  bool busy_ = false;
  bool scan_running_ = false;
  bool batch_mode_ = false;
  bool regex_mode_ = false;
  int pattern_item_ = 0;
  std::shared_ptr<CancelFlag> cancel_ = std::make_shared<CancelFlag>(false);
};

}  // namespace folian::app
