// The split dialog's state and actions without a toolkit ("文件分割"): the
// name prefix, the save folder, the chapter pattern and the chapter list of
// the editor's text (analysed on a worker, with progress in the window's
// status bar, cancellable), chapter selection and removal, and OK, which
// checks the choice, asks what must be asked and prepares the pieces. The
// dialog only shows this state and forwards the user's actions.
//
// Tested by tests/app/split_command_test.cc.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/shell_view.h"
#include "app/task_runner.h"
#include "files/chapters.h"
#include "files/split.h"
#include "text/text_file.h"

namespace folian::app {

enum class SplitMode { kBySize = 1, kByChapter = 2 };

// The document a split works on.
struct SplitDocument {
  std::string gbk;                   // the editor's text (chapter mode)
  std::filesystem::path path;        // the Current document's file (size mode reads it)
  text::StoredEncoding encoding;     // how it was loaded
  std::size_t loaded_loss = 0;       // characters the editor's text already lost
  std::string prefix;                // the suggested prefix (UTF-8)
  std::filesystem::path working_folder;
};

class SplitSession {
 public:
  // `split_folder` is the remembered save folder (empty = the Working folder).
  SplitSession(ShellView& view, TaskRunner& runner, SplitDocument document,
               std::filesystem::path* split_folder);
  ~SplitSession();
  SplitSession(const SplitSession&) = delete;
  SplitSession& operator=(const SplitSession&) = delete;

  // --- what the dialog shows ---
  const std::string& prefix() const { return document_.prefix; }
  std::filesystem::path folder() const;
  // The chapter pattern as its field shows it (UTF-8; a line feed as "\n").
  std::string patternText() const;
  const std::vector<files::Chapter>& chapters() const { return chapters_; }
  std::string chapterTitle(int index) const;  // UTF-8
  bool analysing() const { return analysing_; }
  // Called on the window's thread when the chapter list or `analysing` changed.
  void SetOnChange(std::function<void()> changed) { on_change_ = std::move(changed); }

  // --- the user's actions ---
  // "重新获取章节名" (and the analysis at opening): nothing happens when the
  // pattern or the text is empty; a running analysis is replaced.
  void Analyse(std::string_view pattern_utf8);
  void StopAnalysis();
  // Selects 6 bytes of the editor's text at the chapter's start.
  void SelectChapter(int index);
  // "删除选定章节名": the chapter joins the one before it.
  bool RemoveChapter(int index);
  // The folder browser's choice, remembered while the program runs.
  void ChooseFolder(const std::filesystem::path& folder);

  // OK: true when the split can run and the dialog closes; false (the user
  // was told why, or declined a question) keeps the dialog open.
  bool Accept(SplitMode mode, std::string_view prefix_utf8, std::string_view size_kb);

  // After Accept: the pieces and whether existing files may be replaced.
  SplitMode mode() const { return mode_; }
  files::SplitPlan TakePlan() { return std::move(plan_); }
  bool replace() const { return replace_; }

 private:
  struct Run;  // one analysis, shared with its worker
  void Changed();
  void FinishAnalysis(const files::ChapterList& result);
  bool PlanBySize(std::string_view size_kb, const std::filesystem::path& folder,
                  const std::string& prefix);
  bool ConfirmPlan();

  ShellView& view_;
  TaskRunner& runner_;
  SplitDocument document_;
  std::filesystem::path* split_folder_;
  std::shared_ptr<const std::string> text_;
  std::vector<files::Chapter> chapters_;
  bool analysing_ = false;
  std::shared_ptr<Run> run_;
  std::function<void()> on_change_;
  SplitMode mode_ = SplitMode::kByChapter;
  files::SplitPlan plan_;
  bool replace_ = false;
};

// The size field: a whole number of KB (blanks around it allowed) -> bytes;
// 0 when it is not a number of at least 1 or too large to be a file size.
std::uint64_t PieceBytesOfField(std::string_view size_kb);

}  // namespace folian::app
