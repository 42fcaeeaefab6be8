// "合并选定文件": the selected File list rows, in list order, merged into one
// ANSI text file named through the rename/merge dialog (see files/merge.h for
// the text). The window asks before characters become "?" and before an
// existing file is replaced; sources are deleted (with their rows) only
// after the merged file is in place. When the merged file lands in the
// Working folder it becomes the top row and the Current document. The batch
// box goes off. Window thread only; reading and writing run on workers.
//
// Tested by tests/app/merge_command_test.cc.
#pragma once

#include "app/merge_split_view.h"
#include "app/shell.h"

namespace folian::app {

class MergeCommand {
 public:
  MergeCommand(Shell& shell, MergeSplitView& dialogs) : shell_(shell), dialogs_(dialogs) {}
  void Merge();

 private:
  Shell& shell_;
  MergeSplitView& dialogs_;
};

}  // namespace folian::app
