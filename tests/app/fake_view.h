// The recording window of the batch tests with the dialogs the shell's own
// commands ask answered from the test: every question is kept, and the
// editor's replaced selection leaves the caret after it.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "batch/fakes.h"

namespace folian::app {

class FakeView : public FakeWindow {
 public:
  std::optional<std::filesystem::path> folder_answer;
  std::optional<std::string> name_answer;
  std::optional<std::filesystem::path> save_answer;  // AskSaveFileName
  std::filesystem::path save_folder;                 // where it was asked to start
  std::vector<std::string> file_filters;
  std::map<int, int> current_item;
  int help_opened = 0;
  bool editor_enabled = false;

  std::optional<std::filesystem::path> ChooseFolder(std::string_view title) override {
    questions.emplace_back(title);
    return folder_answer;
  }
  std::optional<std::filesystem::path> ChooseFile(std::string_view title, std::string_view filter) override {
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
  void SetCurrentItem(ControlId id, int index) override { current_item[id] = index; }
  void ReplaceSelection(std::string_view gbk) override {
    editor.replace(sel_start, sel_length, gbk);
    sel_start += gbk.size();
    sel_length = 0;
    can_undo = true;
  }
  void SetEditorEnabled(bool on) override { editor_enabled = on; }

  // The user types into the editor.
  void Type(std::string_view gbk) { ReplaceEditorText(editor + std::string(gbk)); }
};

}  // namespace folian::app
