// "分割选定文件": the split dialog over the Current document (see
// split_session.h), then the pieces written on a worker with progress, all
// or none: a failed piece is named and no piece of the run stays, and a stop
// writes nothing. The save folder chosen in the dialog is remembered while
// the program runs. Window thread only.
//
// Tested by tests/app/split_command_test.cc.
#pragma once

#include <filesystem>

#include "app/merge_split_view.h"
#include "app/shell.h"

namespace folian::app {

class SplitCommand {
 public:
  SplitCommand(Shell& shell, MergeSplitView& dialogs) : shell_(shell), dialogs_(dialogs) {}
  void Split();
  // Where pieces go; empty = the Working folder.
  const std::filesystem::path& split_folder() const { return split_folder_; }

 private:
  Shell& shell_;
  MergeSplitView& dialogs_;
  std::filesystem::path split_folder_;
};

}  // namespace folian::app
