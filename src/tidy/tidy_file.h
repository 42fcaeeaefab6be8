// A tidy run on one file: load it (any supported encoding), tidy it, and
// write it back in the encoding and mark it had, atomically. The report
// carries what the window's "处理完成" message shows.
#pragma once

#include <filesystem>
#include <string>

#include "tidy/tidy_text.h"

namespace folian::tidy {

struct TidyReport {
  bool ok = false;
  bool cancelled = false;
  std::string error;     // why it failed (names the file)
  std::string file;      // the file's name (no folder)
  double size_kb = 0;    // size before tidying / 1024
  double seconds = 0;    // whole milliseconds / 1000; exactly 0 counts as 1.0
  double kb_per_sec = 0;
};

struct TidyFileParams {
  TidyParams tidy;
  // Where to write; empty means over the input file.
  std::filesystem::path output;
  // Read "remove.txt" from the current directory (its lines run before tidy.custom).
  bool read_remove_txt = true;
};

// Clears `options->split_at_fullstop` afterwards: forcing breaks at "。"
// applies to one run only.
TidyReport TidyFile(const std::filesystem::path& path, TidyOptions* options,
                    const RuleTable& rules, const TidyFileParams& params);

// The report as the window words it, "    文件 : %s\r\n    大小 : …", in
// UTF-8 (the window's messages are; the name is shown as it is spelt).
std::string FormatReport(const TidyReport& report);

}  // namespace folian::tidy
