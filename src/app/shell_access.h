// The shell's state as the batch runner and the window's further commands
// (tool_commands.h) need it. Window thread only, like every shell command.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "app/shell.h"

namespace folian::app {

struct ShellAccess {
  static FileList& List(Shell& s) { return s.list_; }
  static ShellView& View(Shell& s) { return s.view_; }
  static TaskRunner& Runner(Shell& s) { return s.runner_; }
  static std::filesystem::path PathOfRow(const Shell& s, int row) { return s.PathOfRow(row); }
  static std::string FieldGbk(Shell& s, ControlId id) { return s.FieldGbk(id); }
  static void EnterBusy(Shell& s) { s.EnterBusy(); }
  static void EnterReady(Shell& s) { s.EnterReady(); }
  static bool OfferSave(Shell& s) { return s.OfferSave(); }
  // Characters the editor's text lost when the Current document was loaded.
  static std::size_t LoadedLoss(const Shell& s) { return s.loaded_loss_; }
  // Hands a starred command to the batch runner when the batch box is checked.
  static bool RunBatch(Shell& s, BatchCommand command) { return s.RunBatch(command); }

  // A fresh flag for a new run (a stop never reaches the next one);
  // RequestStop sets it.
  static std::shared_ptr<CancelFlag> ResetCancel(Shell& s) {
    s.cancel_ = std::make_shared<CancelFlag>(false);
    return s.cancel_;
  }

  // The batch box goes off; the rows keep their checks (batch find's result).
  static void EndBatchMode(Shell& s) {
    s.batch_mode_ = false;
    s.view_.SetChecked(kBatchMode, false);
  }

  // Opens `row` as the Current document with an empty undo buffer.
  static void OpenRow(Shell& s, int row) {
    if (row < 0 || row >= s.list_.size()) return;
    s.current_name_ = s.list_.row(row).name;
    s.current_path_ = s.PathOfRow(row);
    s.LoadCurrent();
    s.view_.ClearUndo();
  }

  // Reads the Current document again from disk (after a run rewrote it).
  static void ReloadCurrent(Shell& s) {
    if (s.current_path_.empty()) return;
    s.LoadCurrent();
    s.view_.ClearUndo();
  }

  // A row's file was renamed on disk: the row, and the Current document if
  // it is that file (`current`, known from before any of the renames), follow.
  static void RowRenamed(Shell& s, int row, const std::string& new_name, bool current) {
    FileRow& r = s.list_.row(row);
    r.name = new_name;
    if (current) {
      s.current_name_ = new_name;
      s.current_path_ = s.PathOfRow(row);
    }
  }

  // Scans the Working folder again (after files moved into it).
  static void Rescan(Shell& s) {
    if (!s.folder_.empty()) s.OpenFolder(s.folder_);
  }
};

}  // namespace folian::app
