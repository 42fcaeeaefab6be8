#include "app/shell.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "app/folder_scan.h"
#include "app/messages.h"
#include "charset/codepage.h"
#include "text/encoding_text.h"

namespace folian::app {

Shell::Shell(ShellView& view, TaskRunner& runner, tidy::TidyOptions options,
             std::filesystem::path options_store)
    : view_(view), runner_(runner), options_(options), options_store_(std::move(options_store)) {}

Shell::~Shell() { cancel_->store(true); }

void Shell::Start(const std::optional<std::filesystem::path>& folder) {
  for (ControlId id : HiddenControls()) view_.SetEnabled(id, false);
  EnterEmptyFolder();
  view_.SetChecked(kRegexMode, false);
  view_.SetChecked(kBatchMode, false);
  view_.SetCurrentItem(kCommonPatterns, 0);
  if (folder) OpenFolder(*folder);
}

// --- states ---

void Shell::EnterReady() {
  busy_ = false;
  for (ControlId id : AllControls()) view_.SetEnabled(id, !Contains(ReadyExceptions(), id));
  // The advertisement pattern keeps "全部替换*" off until another pattern is chosen.
  if (pattern_item_ == 1 && regex_mode_) view_.SetEnabled(kReplaceAll, false);
  view_.SetEditorEnabled(true);
  if (!current_path_.empty() && !batch_mode_) EnableConversions(encoding_.bom_class);
  ShowEncoding();
}

void Shell::EnterBusy() {
  busy_ = true;
  for (ControlId id : AllControls()) view_.SetEnabled(id, false);
  view_.SetEditorEnabled(false);
}

void Shell::EnterEmptyFolder() {
  EnterBusy();
  for (ControlId id : EmptyFolderControls()) view_.SetEnabled(id, true);
  view_.SetEditorEnabled(true);
  // Nothing runs: the shell takes commands again, only no file is there.
  busy_ = false;
}

void Shell::ShowEncoding() {
  // The encoding the document was read in and will be saved in: a file
  // without a mark is read as UTF-8 or UTF-16 when its content says so,
  // though the detector's sample may have named the ANSI code page.
  int codepage = codepage_;
  int flag = bom_flag_;
  if (codepage != 0) {
    switch (encoding_.bom_class) {
      case text::kBomUtf8: codepage = charset::kUtf8; break;
      case text::kBomUtf16LE: codepage = charset::kUtf16LE; break;
      case text::kBomUtf16BE: codepage = charset::kUtf16BE; break;
      default:
        if (codepage == charset::kUtf8 || codepage == charset::kUtf16LE ||
            codepage == charset::kUtf16BE) {
          codepage = charset::kAnsiCodePage;
        }
        break;
    }
    flag = encoding_.mark ? 1 : 0;
  }
  view_.SetStatus(kStatusEncoding, text::EncodingText(codepage, flag));
}

void Shell::EnableConversions(int bom_class) {
  const bool utf16 = bom_class == text::kBomUtf16LE || bom_class == text::kBomUtf16BE;
  const bool utf8 = bom_class == text::kBomUtf8;
  view_.SetEnabled(kConvertAnsi, utf16 || utf8);
  view_.SetEnabled(kConvertUnicode, !utf16);
  view_.SetEnabled(kConvertUtf8, !utf8);
}

// --- the File list ---

void Shell::ChooseFolder() {
  if (busy_) return;
  if (!OfferSave()) return;
  if (auto folder = view_.ChooseFolder(msg::kChooseFolderTitle)) OpenFolder(*folder);
}

void Shell::OpenFolder(const std::filesystem::path& folder) {
  std::error_code ec;
  std::filesystem::path absolute = std::filesystem::absolute(folder, ec);
  if (ec) absolute = folder;
  folder_ = absolute;
  view_.SetFieldText(kFolderPath, folder_.string());
  list_.Clear();
  view_.FileListChanged();
  ClearDocument();
  batch_mode_ = false;
  view_.SetChecked(kBatchMode, false);
  EnterBusy();
  scan_running_ = true;
  // "remove.txt" is read from the current directory: the Working folder's.
  std::filesystem::current_path(folder_, ec);
  cancel_ = std::make_shared<CancelFlag>(false);
  auto cancel = cancel_;
  runner_.Run([this, absolute, cancel]() -> Continuation {
    auto rows = std::make_shared<std::vector<FileRow>>(ScanFolder(absolute, cancel.get()));
    return [this, rows] { FinishScan(std::move(*rows)); };
  });
}

void Shell::FinishScan(std::vector<FileRow> rows) {
  list_.Assign(std::move(rows));
  scan_running_ = false;
  view_.FileListChanged();
  if (list_.empty()) {
    view_.SetEditorText("");
    EnterEmptyFolder();
    return;
  }
  EnterReady();
  current_name_ = list_.row(0).name;
  current_path_ = PathOfRow(0);
  LoadCurrent();
}

std::filesystem::path Shell::PathOfRow(int row) const {
  const std::filesystem::path name = list_.row(row).name;
  return name.is_absolute() ? name : folder_ / name;
}

int Shell::current_row() const {
  if (current_name_.empty()) return -1;
  for (int i = 0; i < list_.size(); ++i) {
    if (list_.row(i).name == current_name_) return i;
  }
  return -1;
}

void Shell::ClickRow(int row) {
  if (busy_ || row < 0 || row >= list_.size()) return;
  if (!OfferSave()) {
    list_.SelectOnly(current_row());
    view_.FileListChanged();
    return;
  }
  list_.SelectOnly(row);
  current_name_ = list_.row(row).name;
  current_path_ = PathOfRow(row);
  LoadCurrent();
  view_.SetEnabled(kFindNext, false);
  view_.SetEnabled(kReplaceHere, false);
}

void Shell::SetRowChecked(int row, bool checked) {
  if (row < 0 || row >= list_.size()) return;
  list_.row(row).checked = checked;
}

void Shell::SetRowSelected(int row, bool selected) {
  if (row < 0 || row >= list_.size()) return;
  list_.row(row).selected = selected;
}

void Shell::SortByColumn(int column) {
  if (busy_) return;
  list_.SortByColumn(column, options_.sort_as_num != 0, scan_running_);
  view_.FileListChanged();
}

void Shell::Move(MoveKind kind) {
  if (busy_) return;
  switch (list_.Move(kind)) {
    case MoveResult::kAlreadyFirst:
      view_.ShowMessage(msg::kAlreadyFirst, kCaption, MessageIcon::kNone);
      break;
    case MoveResult::kAlreadyLast:
      view_.ShowMessage(msg::kAlreadyLast, kCaption, MessageIcon::kNone);
      break;
    case MoveResult::kMoved:
      view_.FileListChanged();
      view_.ScrollToRow(list_.FirstSelected());
      break;
    case MoveResult::kNoSelection:
      break;
  }
}

void Shell::RemoveSelectedRows(bool delete_files) {
  if (busy_ || list_.FirstSelected() < 0) return;
  if (!view_.AskOkCancel(delete_files ? msg::kConfirmDelete : msg::kConfirmRemove, kCaption)) {
    return;
  }
  if (!OfferSave()) return;
  int index = current_row();
  std::string failures;
  std::vector<FileRow> kept;
  for (int i = 0; i < list_.size(); ++i) {
    FileRow& row = list_.row(i);
    if (row.selected && delete_files) {
      std::error_code ec;
      const std::filesystem::path path = PathOfRow(i);
      if (!std::filesystem::remove(path, ec) && ec) {
        // A file that is still there keeps its row.
        failures += "\n" + path.string() + ": " + ec.message();
        row.selected = false;
      }
    }
    if (row.selected) {
      --index;
    } else {
      kept.push_back(std::move(row));
    }
  }
  list_.Assign(std::move(kept));
  index = std::max(index + 1, 0);
  view_.FileListChanged();
  if (!failures.empty()) {
    view_.ShowMessage(std::string(msg::kDeleteFailed) + failures, kCaption, MessageIcon::kWarning);
  }
  if (list_.empty()) {
    ClearDocument();
    EnterEmptyFolder();
    return;
  }
  if (index >= list_.size()) index = list_.size() - 1;
  list_.SelectOnly(index);
  current_name_ = list_.row(index).name;
  current_path_ = PathOfRow(index);
  LoadCurrent();
}

void Shell::RenameSelectedRow() {
  const int row = list_.FirstSelected();
  if (busy_ || row < 0) return;
  const std::string old_name = list_.row(row).name;
  const auto answer = view_.AskNewName(old_name);
  if (!answer || answer->empty() || *answer == old_name) return;
  const std::string& new_name = *answer;
  if (new_name.find('/') != std::string::npos || new_name == "." || new_name == "..") {
    view_.ShowMessage(std::string(msg::kRenameFailed) + new_name, kCaption, MessageIcon::kWarning);
    return;
  }
  const std::filesystem::path from = PathOfRow(row);
  const std::filesystem::path to = from.parent_path() / new_name;
  std::error_code ec;
  if (std::filesystem::exists(std::filesystem::symlink_status(to, ec))) {
    view_.ShowMessage(std::string(msg::kRenameFailed) + msg::kNameTaken, kCaption,
                      MessageIcon::kWarning);
    return;
  }
  std::filesystem::rename(from, to, ec);
  if (ec) {
    view_.ShowMessage(std::string(msg::kRenameFailed) + old_name + ": " + ec.message(), kCaption,
                      MessageIcon::kWarning);
    return;
  }
  const bool was_current = (list_.row(row).name == current_name_);
  list_.row(row).name = std::filesystem::path(list_.row(row).name).is_absolute()
                            ? to.string()
                            : new_name;
  if (was_current) {
    current_name_ = list_.row(row).name;
    current_path_ = to;
  }
  view_.FileListChanged();
  view_.ShowMessage(msg::kRenamed, kCaption, MessageIcon::kInformation);
}

// --- the Current document ---

void Shell::ClearDocument() {
  current_path_.clear();
  current_name_.clear();
  encoding_ = {};
  loaded_loss_ = 0;
  codepage_ = 0;
  bom_flag_ = 0;
  view_.SetEditorText("");
  ShowEncoding();
}

void Shell::LoadCurrent() {
  const int row = current_row();
  view_.SetStatus(kStatusMessage, msg::kReading);
  text::LoadedText loaded;
  std::string error;
  if (!text::LoadTextFile(current_path_, &loaded, &error)) {
    // Keeping the previous text would let a save write it over this file.
    view_.SetEditorText("");
    encoding_ = {};
    loaded_loss_ = 0;
    codepage_ = 0;
    bom_flag_ = 0;
    view_.SetStatus(kStatusMessage, "");
    view_.ShowMessage(std::string(msg::kOpenFailed) + error, kCaption, MessageIcon::kWarning);
  } else {
    view_.SetEditorText(loaded.text);
    encoding_ = loaded.encoding;
    loaded_loss_ = loaded.unmappable;
    codepage_ = loaded.codepage;
    bom_flag_ = loaded.bom_flag;
    if (!busy_) EnableConversions(encoding_.bom_class);
    if (row >= 0 && encoding_.bom_class != text::kBomAnsi) {
      list_.row(row).size = std::to_string(loaded.converted_size);
    }
    view_.SetStatus(kStatusMessage, "");
  }
  if (row >= 0) {
    list_.SelectOnly(row);
    view_.FileListChanged();
    view_.ScrollToRow(row);
  }
  view_.SelectBytes(0, 0);
  view_.SetStatus(kStatusModified, "");
  ShowEncoding();
}

bool Shell::OfferSave() {
  // Typed text without a file counts as much as a changed file.
  if (!view_.EditorCanUndo()) return true;
  switch (view_.AskYesNoCancel(msg::kSavePrompt, kCaption)) {
    case Answer::kYes: return Save();
    case Answer::kNo: return true;
    case Answer::kCancel: return false;
  }
  return false;
}

bool Shell::Save() {
  if (busy_) return false;
  if (current_path_.empty()) return SaveAs(view_.EditorText());
  view_.SetEnabled(kSave, false);
  const std::string text = view_.EditorText();
  text::SaveRequest request;
  request.loaded_loss = loaded_loss_;
  std::string error;
  std::size_t lost = 0;
  bool ok = text::SaveTextFile(current_path_, text, encoding_, request, &error, &lost);
  if (!ok && lost > 0) {
    if (view_.AskYesNoCancel(error + msg::kForceSave, kCaption) == Answer::kYes) {
      request.force = true;
      error.clear();
      ok = text::SaveTextFile(current_path_, text, encoding_, request, &error, &lost);
    } else {
      view_.SetEnabled(kSave, !busy_);
      return false;
    }
  }
  if (!ok) {
    view_.ShowMessage(std::string(msg::kSaveFailed) + error, kCaption, MessageIcon::kError);
    view_.SetEnabled(kSave, !busy_);
    return false;
  }
  loaded_loss_ = 0;
  const int row = current_row();
  if (row >= 0 && encoding_.bom_class == text::kBomAnsi) {
    list_.row(row).size = std::to_string(text.size());
    view_.FileListChanged();
  }
  view_.ClearUndo();
  view_.SetStatus(kStatusModified, "");
  ShowEncoding();
  view_.ShowMessage(msg::kSaved, kCaption, MessageIcon::kInformation);
  view_.SetEnabled(kSave, !busy_);
  return true;
}

bool Shell::SaveAs(const std::string& text) {
  const auto chosen = view_.AskSaveFileName(msg::kSaveAsTitle, folder_);
  if (!chosen || chosen->empty()) return false;
  std::error_code ec;
  std::filesystem::path path = std::filesystem::absolute(*chosen, ec);
  if (ec) path = *chosen;
  // The editor's bytes as they are: GBK, the encoding of a new file.
  const text::StoredEncoding ansi{text::kBomAnsi, false};
  std::string error;
  if (!text::SaveTextFile(path, text, ansi, text::SaveRequest{}, &error)) {
    view_.ShowMessage(std::string(msg::kSaveFailed) + error, kCaption, MessageIcon::kError);
    return false;
  }
  current_path_ = path;
  current_name_.clear();
  encoding_ = ansi;
  loaded_loss_ = 0;
  codepage_ = charset::kAnsiCodePage;
  bom_flag_ = 0;
  // Saved into the Working folder as a file the list shows: it gets its
  // row at the top, as a converter's result does, and the window is Ready.
  if (!folder_.empty() && !busy_ && path.parent_path() == folder_ &&
      IsListedExtension(path.filename())) {
    const std::string name = path.filename().string();
    int row = -1;
    for (int i = 0; i < list_.size(); ++i) {
      if (list_.row(i).name == name) row = i;
    }
    if (row < 0) {
      list_.Insert(0, RowForFile(path));
      row = 0;
    } else {
      list_.row(row).size = std::to_string(text.size());
    }
    current_name_ = name;
    list_.SelectOnly(row);
    view_.FileListChanged();
    EnterReady();
  }
  view_.ClearUndo();
  view_.SetStatus(kStatusModified, "");
  ShowEncoding();
  view_.ShowMessage(msg::kSaved, kCaption, MessageIcon::kInformation);
  return true;
}

void Shell::EditorModifiedChanged(bool modified) {
  if (busy_ || !list_.empty()) return;
  view_.SetEnabled(kSave, modified);
}

bool Shell::Close() {
  // A running worker may be writing a file: closing now would cut it off.
  if (busy_ && !list_.empty()) return false;
  return OfferSave();
}

void Shell::OpenForum() { view_.OpenHelpPage(); }

void Shell::EditorSelectionChanged(bool has_selection, bool clipboard_has_text) {
  if (busy_) return;
  view_.SetEnabled(kCut, has_selection);
  view_.SetEnabled(kCopy, has_selection);
  view_.SetEnabled(kPaste, clipboard_has_text);
}

std::string Shell::FieldGbk(ControlId id) { return charset::Utf8ToGbk(view_.FieldText(id)); }

bool Shell::RunBatch(BatchCommand command) {
  if (!batch_mode_) return false;
  if (batch_runner_) {
    batch_runner_(command);
  } else {
    view_.ShowMessage(msg::kBatchUnavailable, kCaption, MessageIcon::kInformation);
  }
  return true;
}

void Shell::SetBatchMode(bool checked) {
  if (busy_) return;
  if (!checked && !OfferSave()) {
    view_.SetChecked(kBatchMode, true);
    return;
  }
  batch_mode_ = checked;
  list_.SetAllChecked(checked);
  list_.SetAllSelected(checked);
  view_.SetEnabled(kConvertAnsi, checked);
  view_.SetEnabled(kConvertUnicode, checked);
  view_.SetEnabled(kConvertUtf8, checked);
  view_.FileListChanged();
  if (!checked && !current_path_.empty()) {
    LoadCurrent();
    view_.ClearUndo();
  }
}

}  // namespace folian::app
