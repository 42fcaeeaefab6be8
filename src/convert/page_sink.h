// Where a container's pages go (help files and .exe books unpacked into a
// folder). A reader names each file as the container spells it; the sink
// decides where it lands and refuses any name that would leave its folder,
// so a reader never builds a path on disk.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "convert/status.h"

namespace folian::convert {

class PageSink {
 public:
  virtual ~PageSink() = default;
  // `name`: UTF-8, '/' between folders, relative to the output folder.
  // An error stops the reader.
  virtual Status AddFile(std::string_view name, std::string_view bytes) = 0;
  // The order a reader of the book would read the pages in (a help file's
  // table of contents), as names like AddFile's; called at most once,
  // before any file is added. Names not added later are ignored.
  virtual void SetReadingOrder(std::vector<std::string> /*names*/) {}
};

}  // namespace folian::convert
