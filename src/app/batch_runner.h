// The batch runner: with the batch box checked, the starred commands act on
// every listed file on a worker thread. Every run shares one frame: the rows
// it takes (all rows for batch find, else the checked ones, the check boxes
// being the to-do list), the row selected as it is worked on, the progress
// bar at rows done of rows to do, one final message, the batch box unchecked,
// Ready state and the Current document read again.
//
// Batch find and batch replace never
// convert a file on disk to search it: they read each file into an in-memory
// GBK form, and batch replace writes a file back (in its own encoding,
// atomically) only when something was replaced. A stop request ends a run
// between files: files done stay done, the rest are untouched, and the
// message says how many were done.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "app/convert_file.h"
#include "app/shell.h"
#include "app/tool_view.h"

namespace folian::app {

class BatchRunner {
 public:
  // Converts one HTML file into NAME.txt beside it (appending to an
  // existing one). The page converter of convert_commands.h unless replaced;
  // with none the HTML batch does not run.
  using HtmlConverter =
      std::function<ConvertOutcome(const std::filesystem::path& html, const CancelFlag* cancel)>;

  // Installs itself as the shell's batch runner; must outlive the shell's use.
  BatchRunner(Shell& shell, ToolView& tools);
  ~BatchRunner();
  BatchRunner(const BatchRunner&) = delete;
  BatchRunner& operator=(const BatchRunner&) = delete;

  void SetHtmlConverter(HtmlConverter converter) { html_ = std::move(converter); }
  // Files batch tidy works on at once; 0 = one per processor.
  void SetTidyThreads(unsigned threads) { tidy_threads_ = threads; }

  void Run(BatchCommand command);

 private:
  void RunFind();
  void RunReplace();
  void RunTidy();
  void RunConvert(BatchCommand command);
  void RunHtml();

  Shell& shell_;
  ToolView& tools_;
  HtmlConverter html_;
  unsigned tidy_threads_ = 0;
};

}  // namespace folian::app
