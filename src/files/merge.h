// Merging text files into one ANSI (GBK) text file.
//
// Each source is read as loading reads it (its encoding detected) and turned
// into GBK; a source that had a byte-order mark starts with a blank where the
// mark was. With headings, each source is preceded by CR LF CR LF, its file
// name without folder and extension, CR LF CR LF. Each source is followed by
// CR LF three times. A source that cannot be read adds nothing and is named.
//
// Building and writing are two steps so the caller can ask about characters
// GBK cannot hold (they become "?") and about an existing target before
// anything is written. The merged file is written through the atomic writer;
// sources are deleted only after it is completely in place, and never the
// target itself nor a source that was not merged.
//
// Example:
//   MergedText m = BuildMergedText(paths, /*headings=*/true);
//   if (m.unmappable == 0) WriteMerged(target, m, /*replace_existing=*/false, false);
//
// Tested by tests/files/merge_test.cc and tests/files/write_fault_test.cc.
#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/progress.h"

namespace folian::files {

struct FileProblem {
  std::filesystem::path path;
  std::string reason;
};

struct MergedText {
  std::string gbk;                                // the merged file's content
  std::vector<std::filesystem::path> merged;      // the sources read, in order
  std::vector<FileProblem> unreadable;            // sources that added nothing
  std::size_t unmappable = 0;                     // characters that became "?"
  bool cancelled = false;
};

// Reads and joins `sources` in order. Progress runs 0..sources; a set cancel
// flag stops it (`cancelled`, and the text is not to be written).
MergedText BuildMergedText(std::span<const std::filesystem::path> sources, bool headings,
                           ProgressSink* progress = nullptr, const CancelFlag* cancel = nullptr);

// The merge dialog's name rule: ASCII letters lower-cased, ".txt" appended
// unless the name already ends in it.
std::string MergedFileName(std::string_view name);

struct MergeOutcome {
  bool written = false;
  std::string error;                        // why the merged file was not written
  std::vector<std::filesystem::path> deleted;
  std::vector<FileProblem> not_deleted;     // sources whose deletion failed
};

// Writes `merged` to `target`. Without `replace_existing` an existing target
// is kept and nothing happens (an error naming it). With `delete_sources`,
// once the file is in place, the merged sources are deleted except any that
// is the target itself.
MergeOutcome WriteMerged(const std::filesystem::path& target, const MergedText& merged,
                         bool replace_existing, bool delete_sources);

}  // namespace folian::files
