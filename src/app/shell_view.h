// What the shell needs from a window: questions and messages, the folder
// browser, control states by id, the status bar, the progress bar and the
// editor (whose text is GBK bytes; offsets are byte offsets). Texts other
// than the editor's are UTF-8. The desktop window implements it; the tests
// implement it with a recording fake.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "app/control_ids.h"

namespace folian::app {

inline constexpr char kCaption[] = "Folian";

enum class Answer { kYes, kNo, kCancel };
enum class MessageIcon { kNone, kInformation, kWarning, kError };

// Status bar parts.
enum StatusPart : int {
  kStatusMessage = 0,
  kStatusCaret = 1,
  kStatusModified = 2,
  kStatusEditMode = 3,
  kStatusEncoding = 4,
};

class ShellView {
 public:
  virtual ~ShellView() = default;

  virtual Answer AskYesNoCancel(std::string_view text, std::string_view caption) = 0;
  // True for OK.
  virtual bool AskOkCancel(std::string_view text, std::string_view caption) = 0;
  virtual void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) = 0;
  virtual std::optional<std::filesystem::path> ChooseFolder(std::string_view title) = 0;
  // Where to save text that has no file yet (starting in `folder`), or
  // nothing when cancelled.
  virtual std::optional<std::filesystem::path> AskSaveFileName(
      std::string_view title, const std::filesystem::path& folder) = 0;
  // The converters' open-file dialog: an existing file matching `filter`
  // (e.g. "*.pdb"), or nothing when cancelled. A view without one offers none.
  virtual std::optional<std::filesystem::path> ChooseFile(std::string_view /*title*/,
                                                          std::string_view /*filter*/) {
    return std::nullopt;
  }
  // The new name for a file ("文件更名"), or nothing when cancelled.
  virtual std::optional<std::string> AskNewName(std::string_view old_name) = 0;
  virtual void OpenHelpPage() = 0;

  virtual void SetEnabled(ControlId id, bool enabled) = 0;
  virtual void SetChecked(ControlId id, bool checked) = 0;
  // Text of an edit field or the folder path display (UTF-8).
  virtual std::string FieldText(ControlId id) = 0;
  virtual void SetFieldText(ControlId id, std::string_view text) = 0;
  // The selected item of a drop-down list.
  virtual void SetCurrentItem(ControlId id, int index) = 0;

  virtual void SetStatus(StatusPart part, std::string_view text) = 0;
  virtual void SetProgressVisible(bool visible) = 0;
  virtual void SetProgress(int position) = 0;

  // The File list's rows changed (contents, order, checks or selection).
  virtual void FileListChanged() = 0;
  virtual void ScrollToRow(int row) = 0;

  // The editor. SetEditorText replaces the document and empties the undo
  // buffer; ReplaceEditorText and ReplaceSelection are undoable edits.
  virtual std::string EditorText() = 0;
  virtual void SetEditorText(std::string_view gbk) = 0;
  virtual void ReplaceEditorText(std::string_view gbk) = 0;
  virtual void SelectBytes(std::size_t start, std::size_t length) = 0;
  // Selection as byte offsets; the caret is start + length.
  virtual std::size_t SelectionStart() = 0;
  virtual std::size_t SelectionLength() = 0;
  virtual void ReplaceSelection(std::string_view gbk) = 0;
  virtual bool EditorCanUndo() = 0;
  virtual void ClearUndo() = 0;
  virtual void SetEditorEnabled(bool enabled) = 0;
};

}  // namespace folian::app
