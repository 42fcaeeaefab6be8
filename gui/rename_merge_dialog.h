// The rename/merge dialog ("文件更名/文件合并"): the .ui form; the suggested
// names come from SuggestedName. In rename mode the two merge check boxes
// are disabled.
#pragma once

#include <QDialog>
#include <filesystem>
#include <memory>
#include <string>

namespace Ui {
class RenameMergeDialog;
}

struct RenameMergeContext {
  std::filesystem::path working_folder;
  std::string editor_gbk;
  std::string clipboard_utf8;
  int* name_source = nullptr;                 // remembered while the program runs
  std::filesystem::path* save_folder = nullptr;  // merge output folder; empty = Working folder
};

class RenameMergeDialog : public QDialog {
  Q_OBJECT

 public:
  enum class Mode { kRename, kMerge };
  RenameMergeDialog(Mode mode, RenameMergeContext context, QWidget* parent = nullptr);
  ~RenameMergeDialog() override;

  Ui::RenameMergeDialog* ui() { return ui_.get(); }
  QString name() const;
  bool chapterNames() const;
  bool deleteOriginals() const;
  // The folder field: the merge folder, else the Working folder.
  QString folder() const;

 private:
  void Suggest(int source);

  std::unique_ptr<Ui::RenameMergeDialog> ui_;
  RenameMergeContext context_;
};
