// The split dialog ("文件分割"): the .ui form over SplitSession, which holds
// the chapter list and decides what OK does. The analysis runs on a worker;
// the list follows the session, "停止分析" stops it, and closing the dialog
// drops it.
#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class SplitDialog;
}
namespace folian::app {
class SplitSession;
}

class SplitDialog final : public QDialog {
  Q_OBJECT
  Q_DISABLE_COPY_MOVE(SplitDialog)

 public:
  // Starts the analysis of the editor's text with the initial pattern.
  explicit SplitDialog(folian::app::SplitSession& session, QWidget* parent = nullptr);
  ~SplitDialog() override;

  Ui::SplitDialog* ui() { return ui_.get(); }

 private:
  void ShowChapters();
  void ShowMode();
  void Accept();

  std::unique_ptr<Ui::SplitDialog> ui_;
  folian::app::SplitSession& session_;
};
