// Converting one e-book file on disk, the part of every converter command
// that touches files: the input read whole under the input cap, the reader
// chosen by extension and magic (registry.h), its text written as NAME.txt
// beside the input (or in a chosen folder) through the atomic writer, or its
// pages into a folder. A reader's failure writes nothing. The window's
// buttons, the HTML batch and `folian-cli convert` all run this; it is safe
// on a worker thread.
//
// Tested by tests/app/convert_file_test.cc.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "convert/read_context.h"
#include "convert/registry.h"
#include "convert/status.h"

namespace folian::app {

struct ConvertJob {
  std::filesystem::path input;
  std::filesystem::path output_dir;         // empty: the input's folder
  const convert::Format* format = nullptr;  // nullptr: chosen by name and content
  bool replace = false;                     // replace the output even where the format appends
};

struct ConvertOutcome {
  convert::Status status;
  const convert::Format* format = nullptr;
  std::filesystem::path output;  // the text file, or the folder the pages went to
  bool appended = false;         // the text went after an existing file's text
  std::uintmax_t size = 0;       // bytes of the text file
  // The text file's encoding. UTF-8 with a mark is what readers whose text
  // is GBK write when the book holds characters GBK cannot.
  convert::TextEncoding encoding = convert::TextEncoding::kGbk;
  std::size_t pages = 0;         // files written by a page format
  std::vector<std::filesystem::path> page_files;  // those files, in reading order
};

// NAME.txt for `input` in `output_dir` (the input's folder when empty).
std::filesystem::path TextOutputPath(const std::filesystem::path& input,
                                     const std::filesystem::path& output_dir);

ConvertOutcome ConvertFile(const ConvertJob& job, const convert::ReadContext& ctx);

}  // namespace folian::app
