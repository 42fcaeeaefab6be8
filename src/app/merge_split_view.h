// What merging and splitting need from the window beyond ShellView: the
// rename/merge dialog in merge mode and the split dialog.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace folian::app {

class SplitSession;

// The answers of the rename/merge dialog in merge mode.
struct MergeChoice {
  std::string name;                 // UTF-8, as typed
  bool chapter_names = false;       // "添加文件名作为章节名"
  bool delete_originals = false;    // "合并后删除原文件"
  std::filesystem::path folder;     // where the merged file goes; empty = the Working folder
};

class MergeSplitView {
 public:
  virtual ~MergeSplitView() = default;
  // The rename/merge dialog in merge mode; nothing when cancelled.
  virtual std::optional<MergeChoice> AskMergeOptions() = 0;
  // The split dialog over `session`, until OK is accepted by
  // SplitSession::Accept (true) or the dialog is cancelled (false).
  virtual bool RunSplitDialog(SplitSession& session) = 0;
};

}  // namespace folian::app
