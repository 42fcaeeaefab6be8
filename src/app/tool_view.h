// What the batch runner and the window's further commands need from the
// window beyond ShellView: the desktop's default program (and a text window
// of our own where there is none), a timer on the window's thread, the
// clipboard, and the two rename dialogs.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/file_names.h"
#include "files/rename_plan.h"

namespace folian::app {

class ToolView {
 public:
  virtual ~ToolView() = default;
  // Opens a file with the desktop's default program for its type; false
  // when no program could be started.
  virtual bool OpenWithDefaultProgram(const std::filesystem::path& file) = 0;
  // Shows a text (UTF-8) in a window of the program's own, for when no
  // desktop program can show it.
  virtual void ShowReport(std::string_view title, std::string_view utf8) = 0;
  // Runs `task` on the window's thread after `delay`, without blocking.
  virtual void RunAfter(std::chrono::milliseconds delay, std::function<void()> task) = 0;
  // The clipboard's text (UTF-8), nothing when it holds no text.
  virtual std::optional<std::string> ClipboardText() = 0;
  // Shows the planned renames; true when the user chose OK.
  virtual bool ConfirmRenames(std::string_view title, const std::vector<files::RenameStep>& plan) = 0;
  // Asks for the batch rename pattern; nothing when cancelled.
  virtual std::optional<files::RenamePattern> AskRenamePattern() = 0;
};

}  // namespace folian::app
