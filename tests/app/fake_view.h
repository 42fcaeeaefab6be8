// A recording ShellView for driving the shell without a window: answers
// come from a queue, messages and control states are recorded, and the
// editor is a byte string with an undo flag.
#pragma once

#include <algorithm>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/shell_view.h"

namespace folian::app {

struct Shown {
  std::string text, caption;
  MessageIcon icon;
};

class FakeView : public ShellView {
 public:
  std::deque<Answer> answers;        // AskYesNoCancel; kCancel when empty
  std::deque<bool> ok_answers;       // AskOkCancel; false when empty
  std::optional<std::filesystem::path> folder_answer;
  std::optional<std::string> name_answer;
  std::optional<std::filesystem::path> save_answer;  // AskSaveFileName
  std::filesystem::path save_folder;                 // where it was asked to start
  std::optional<std::filesystem::path> file_answer;  // the open-file dialog
  std::vector<std::string> file_filters;
  std::vector<std::string> questions;
  std::vector<Shown> messages;
  std::map<int, bool> enabled;
  std::map<int, bool> checked;
  std::map<int, std::string> fields;
  std::map<int, int> current_item;
  std::map<int, std::string> status;
  bool progress_visible = false;
  int progress = 0;
  int progress_peak = 0;  // the highest position shown
  int list_changes = 0;
  int help_opened = 0;
  std::string editor;
  bool can_undo = false;
  bool editor_enabled = false;
  std::size_t sel_start = 0, sel_length = 0;

  Answer AskYesNoCancel(std::string_view text, std::string_view) override {
    questions.emplace_back(text);
    if (answers.empty()) return Answer::kCancel;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  bool AskOkCancel(std::string_view text, std::string_view) override {
    questions.emplace_back(text);
    if (ok_answers.empty()) return false;
    bool a = ok_answers.front();
    ok_answers.pop_front();
    return a;
  }
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    messages.push_back({std::string(text), std::string(caption), icon});
  }
  std::optional<std::filesystem::path> ChooseFolder(std::string_view title) override {
    questions.emplace_back(title);
    return folder_answer;
  }
  std::optional<std::filesystem::path> ChooseFile(std::string_view title,
                                                  std::string_view filter) override {
    questions.emplace_back(title);
    file_filters.emplace_back(filter);
    return file_answer;
  }
  std::optional<std::string> AskNewName(std::string_view) override { return name_answer; }
  std::optional<std::filesystem::path> AskSaveFileName(std::string_view title,
                                                       const std::filesystem::path& folder) override {
    questions.emplace_back(title);
    save_folder = folder;
    return save_answer;
  }
  void OpenHelpPage() override { ++help_opened; }
  void SetEnabled(ControlId id, bool on) override { enabled[id] = on; }
  void SetChecked(ControlId id, bool on) override { checked[id] = on; }
  std::string FieldText(ControlId id) override { return fields[id]; }
  void SetFieldText(ControlId id, std::string_view text) override { fields[id] = std::string(text); }
  void SetCurrentItem(ControlId id, int index) override { current_item[id] = index; }
  void SetStatus(StatusPart part, std::string_view text) override { status[part] = std::string(text); }
  void SetProgressVisible(bool visible) override { progress_visible = visible; }
  void SetProgress(int position) override {
    progress = position;
    progress_peak = std::max(progress_peak, position);
  }
  void FileListChanged() override { ++list_changes; }
  void ScrollToRow(int) override {}
  std::string EditorText() override { return editor; }
  void SetEditorText(std::string_view gbk) override {
    editor = std::string(gbk);
    can_undo = false;
    sel_start = sel_length = 0;
  }
  void ReplaceEditorText(std::string_view gbk) override {
    editor = std::string(gbk);
    can_undo = true;
  }
  void SelectBytes(std::size_t start, std::size_t length) override {
    sel_start = start;
    sel_length = length;
  }
  std::size_t SelectionStart() override { return sel_start; }
  std::size_t SelectionLength() override { return sel_length; }
  void ReplaceSelection(std::string_view gbk) override {
    editor.replace(sel_start, sel_length, gbk);
    sel_start += gbk.size();
    sel_length = 0;
    can_undo = true;
  }
  bool EditorCanUndo() override { return can_undo; }
  void ClearUndo() override { can_undo = false; }
  void SetEditorEnabled(bool on) override { editor_enabled = on; }

  // The user types into the editor.
  void Type(std::string_view gbk) { ReplaceEditorText(editor + std::string(gbk)); }
  bool IsEnabled(ControlId id) const {
    auto it = enabled.find(id);
    return it != enabled.end() && it->second;
  }
  std::string LastMessage() const { return messages.empty() ? "" : messages.back().text; }
};

}  // namespace folian::app
