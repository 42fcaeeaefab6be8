// The window's txt2umd and txt2jar: the Current document packed as a phone
// e-book beside it, on a worker, the window Busy meanwhile. txt2umd takes the
// title from the find field and the author from the replace field (the file's
// name when the find field is empty); txt2jar uses the reader template jar of
// the settings store, if one is set. Unsaved changes are offered for saving
// first, since the book is made from the file. Window thread only.
//
// Tested by tests/app/book_commands_test.cc.
#pragma once

#include "app/shell.h"

namespace folian::app {

class BookCommands {
 public:
  explicit BookCommands(Shell& shell) : shell_(shell) {}

  void Txt2Umd();
  void Txt2Jar();

 private:
  // `make(progress)` builds the book on the worker.
  template <typename Make>
  void Run(Make make);

  Shell& shell_;
};

}  // namespace folian::app
