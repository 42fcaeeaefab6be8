// Merging and splitting on the Main window: the buttons "合并选定文件" and
// "分割选定文件", and the two dialogs they open (MergeSplitView).
#pragma once

#include <QObject>
#include <memory>
#include <optional>

#include "app/merge_command.h"
#include "app/merge_split_view.h"
#include "app/split_command.h"
#include "rename_merge_dialog.h"

class MainWindow;

// The dialogs, behind an interface so tests can drive them.
class MergeSplitDialogs {
 public:
  virtual ~MergeSplitDialogs() = default;
  // The rename/merge dialog in merge mode; nothing when cancelled.
  virtual std::optional<folian::app::MergeChoice> AskMergeOptions(const RenameMergeContext& context) = 0;
  // The split dialog over `session`; true when it was accepted.
  virtual bool RunSplitDialog(folian::app::SplitSession& session) = 0;
};

class MergeSplitTools final : public QObject, public folian::app::MergeSplitView {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(MergeSplitTools)

 public:
  // `dialogs` null means the real dialogs over `window`.
  explicit MergeSplitTools(MainWindow& window, MergeSplitDialogs* dialogs = nullptr);
  ~MergeSplitTools() override;

  folian::app::MergeCommand& merge() { return merge_; }
  folian::app::SplitCommand& split() { return split_; }

  // --- MergeSplitView ---
  std::optional<folian::app::MergeChoice> AskMergeOptions() override;
  bool RunSplitDialog(folian::app::SplitSession& session) override;

 private:
  MainWindow& window_;
  std::unique_ptr<MergeSplitDialogs> own_dialogs_;
  MergeSplitDialogs* dialogs_;
  folian::app::MergeCommand merge_;
  folian::app::SplitCommand split_;
};

// A merge choice from an accepted rename/merge dialog.
folian::app::MergeChoice MergeChoiceOf(const RenameMergeDialog& dialog);
