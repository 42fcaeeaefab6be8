// The converter buttons of the Main window, one row each: which format the
// button reads, where its file comes from, and what is said when it is
// done. The window connects every row the same way, so a new format is one
// row here (and its reader's row in convert/registry.cc).
// Tested by tests/app/convert_commands_test.cc.
#pragma once

#include <span>
#include <string_view>

#include "app/control_ids.h"

namespace folian::app {

enum class ConverterSource {
  kOpenDialog,   // asks for a file; the result goes to the top of the File list
  kSelectedRow,  // the first selected row's file; the row becomes the result's
};

struct ConverterButton {
  ControlId id;
  std::string_view format;  // the registry's name of the format
  ConverterSource source;
  bool starred;             // in batch mode the batch runner converts every listed file
  const char* title;        // the open-file dialog's title
  const char* filter;       // its file pattern, e.g. "*.pdb"
  const char* done;         // the message after a conversion
};

std::span<const ConverterButton> ConverterButtons();
// nullptr when `id` is not a converter button of the table.
const ConverterButton* FindConverterButton(ControlId id);

}  // namespace folian::app
