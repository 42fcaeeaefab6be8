// The Main window: every control of the window's table addressable by its
// id, the File list view, the editor, the menu and the status bar. It is
// the shell's view; the shell (src/app) decides what each command does.
#pragma once

#include <QMainWindow>
#include <map>
#include <memory>

#include "app/shell.h"
#include "app/shell_view.h"
#include "rename_merge_dialog.h"

class FileListModel;
class GbkEditor;
class Prompter;
class QtTaskRunner;
class QAction;
class QLabel;
class QProgressBar;
class QScrollArea;
class QSplitter;
class QTableView;

class MainWindow : public QMainWindow, public folian::app::ShellView {
  Q_OBJECT

 public:
  // `prompter` answers the window's questions (the dialogs when null);
  // `options_store` empty means the user's settings file.
  MainWindow(folian::tidy::TidyOptions options, std::filesystem::path options_store = {},
             Prompter* prompter = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  folian::app::Shell& shell() { return *shell_; }
  QWidget* control(folian::app::ControlId id) const;
  GbkEditor* editor() const { return editor_; }
  QTableView* fileView() const { return list_view_; }
  QLabel* statusPart(int part) const;
  QProgressBar* progressBar() const { return progress_; }
  QAction* wrapAction() const { return wrap_action_; }
  QSplitter* splitter() const { return splitter_; }
  // True while no worker runs (tests wait for this).
  bool idle() const;
  // What the rename/merge dialog starts from: the Working folder, the editor's
  // text, the clipboard, and the name source and merge folder kept while the
  // program runs.
  RenameMergeContext renameMergeContext();
  // Opens the options dialog (modal unless `modal` is false, for tests).
  class OptionsDialog* OpenOptionsDialog(bool modal = true);

  // --- ShellView ---
  folian::app::Answer AskYesNoCancel(std::string_view text, std::string_view caption) override;
  bool AskOkCancel(std::string_view text, std::string_view caption) override;
  void ShowMessage(std::string_view text, std::string_view caption,
                   folian::app::MessageIcon icon) override;
  std::optional<std::filesystem::path> ChooseFolder(std::string_view title) override;
  std::optional<std::filesystem::path> AskSaveFileName(std::string_view title,
                                                       const std::filesystem::path& folder) override;
  std::optional<std::filesystem::path> ChooseFile(std::string_view title,
                                                  std::string_view filter) override;
  std::optional<std::string> AskNewName(std::string_view old_name) override;
  void OpenHelpPage() override;
  void SetEnabled(folian::app::ControlId id, bool enabled) override;
  void SetChecked(folian::app::ControlId id, bool checked) override;
  std::string FieldText(folian::app::ControlId id) override;
  void SetFieldText(folian::app::ControlId id, std::string_view text) override;
  void SetCurrentItem(folian::app::ControlId id, int index) override;
  void SetStatus(folian::app::StatusPart part, std::string_view text) override;
  void SetProgressVisible(bool visible) override;
  void SetProgress(int position) override;
  void FileListChanged() override;
  void ScrollToRow(int row) override;
  std::string EditorText() override;
  void SetEditorText(std::string_view gbk) override;
  void ReplaceEditorText(std::string_view gbk) override;
  void SelectBytes(std::size_t start, std::size_t length) override;
  std::size_t SelectionStart() override;
  std::size_t SelectionLength() override;
  void ReplaceSelection(std::string_view gbk) override;
  bool EditorCanUndo() override;
  void ClearUndo() override;
  void SetEditorEnabled(bool enabled) override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildUi();
  void BuildMenu();
  void BuildStatusBar();
  void Connect();
  void Register(folian::app::ControlId id, QWidget* widget);
  void SyncSelectionFromList();
  void UpdateClipboardButtons();
  void ApplyFont();
  void SaveFont();
  void ChooseFont();
  void ShowFileListMenu(const QPoint& pos);

  std::unique_ptr<Prompter> own_prompter_;
  Prompter* prompter_;
  std::unique_ptr<QtTaskRunner> runner_;
  std::unique_ptr<folian::app::Shell> shell_;
  std::map<int, QWidget*> controls_;
  GbkEditor* editor_ = nullptr;
  QTableView* list_view_ = nullptr;
  FileListModel* model_ = nullptr;
  QLabel* status_[5] = {};
  QProgressBar* progress_ = nullptr;
  QAction* wrap_action_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QScrollArea* panel_ = nullptr;
  bool layout_applied_ = false;  // the splitter's sizes, once, at the first show
  bool syncing_selection_ = false;
  std::filesystem::path settings_path_;
  // The rename/merge dialog's name source and merge folder, kept while the program runs.
  int name_source_ = 0;
  std::filesystem::path merge_folder_;
};
