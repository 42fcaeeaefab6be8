// txt2umd and txt2jar on a file: read the text file, classify it with the
// program's encoding detection, build the book in memory and write NAME.umd
// or NAME.jar beside it through the atomic writer. The window's buttons (on
// the Current document) and folian-cli share these.
//
// Tested by tests/app/book_export_test.cc and tests/cli/book_cli_test.cc.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/progress.h"

namespace folian::app {

struct ExportResult {
  bool ok = false;
  std::filesystem::path output;
  // UTF-8: the success line ("文件 ... 已经生成。") or what went wrong.
  std::string message;
  // UTF-8: what the user should know besides (a title cut short, no reader
  // program in the jar).
  std::vector<std::string> notes;

  // The message box text: the message, then each note on a line of its own.
  std::string Text() const;
};

// `title` and `author` are UTF-8; an empty title gives the file's base name.
// `progress` (if given) sees the book being compressed.
ExportResult ExportUmd(const std::filesystem::path& source, std::string title, std::string author,
                       ProgressSink* progress = nullptr);

// `template_jar` empty: the archive holds no reader program.
ExportResult ExportJar(const std::filesystem::path& source, const std::filesystem::path& template_jar,
                       ProgressSink* progress = nullptr);

}  // namespace folian::app
