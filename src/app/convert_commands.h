// The converter buttons' commands (converter_buttons.h): the file asked for
// or taken from the selected row, the conversion run on a worker with
// progress and the stop request, the result put into the File list (at the
// top, or in place of the converted row), selected and opened, and the
// button's message. Htm2txt* in batch mode goes to the batch runner.
// Window thread only, like every shell command.
//
// Tested by tests/app/convert_commands_test.cc.
#pragma once

#include <filesystem>

#include "app/control_ids.h"
#include "app/convert_file.h"
#include "app/converter_buttons.h"
#include "app/shell.h"

namespace folian::app {

// How the HTML batch converts one page: the text appended to, or written
// as, NAME.txt beside it.
ConvertOutcome ConvertHtmlFile(const std::filesystem::path& html, const CancelFlag* cancel);

class ConvertCommands {
 public:
  explicit ConvertCommands(Shell& shell) : shell_(shell) {}

  // The command of a converter button; ids not in the table are ignored.
  void Run(ControlId id);

 private:
  void FromDialog(const ConverterButton& button);
  void FromSelectedRow(const ConverterButton& button);
  void Start(const ConverterButton& button, ConvertJob job, bool remove_banners,
             std::string source_row);

  Shell& shell_;
};

}  // namespace folian::app
