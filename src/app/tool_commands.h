// The window's commands beyond find/replace and tidying: garbled text (find,
// next, repair), hard returns and unmatched brackets (find, next), the
// advertisement line report, and the file commands (normalise file names,
// batch rename, directory merge). Window thread only.
#pragma once

#include <chrono>

#include "app/shell.h"
#include "app/tool_view.h"

namespace folian::app {

// How long the advertisement report stays on disk for the program showing it.
inline constexpr std::chrono::milliseconds kAdReportLifetime{5000};

class ToolCommands {
 public:
  ToolCommands(Shell& shell, ToolView& tools) : shell_(shell), tools_(tools) {}

  // "查找乱码" and "下一处": the next garbled run from the caret, selected.
  void FindGarbled();
  void NextGarbled() { FindGarbled(); }
  // "乱码修复": the selected bytes read as UTF-8, Big5 or UTF-16.
  void RepairGarbled();

  // "查找硬回车" / "查找下一个硬回车": the next line break inside a paragraph.
  void FindHardReturn();
  void NextHardReturn();
  // "括号匹配检查" / "查找下一个匹配": the next unmatched bracket.
  void CheckBrackets();
  void NextBracket();

  // "广告检查": the suspect lines written next to the document, shown by the
  // desktop's program for text files, and deleted again after a while; in a
  // window of our own when the desktop has no such program.
  void AdReport();

  // "规范化文件名", "文件批更名", "目录合并".
  void NormaliseNames();
  void BatchRename();
  void MergeDirectories();

 private:
  bool SelectNext(bool found, std::size_t start, std::size_t length);
  void Rename(const char* title, std::vector<files::RenameStep> wanted);

  Shell& shell_;
  ToolView& tools_;
};

}  // namespace folian::app
