// The options dialog ("格式整理选项"): the .ui form over OptionsForm, which
// holds the dialog's rules.
#pragma once

#include <QDialog>
#include <memory>

#include "app/options_form.h"

namespace Ui {
class OptionsDialog;
}
class Prompter;

class OptionsDialog : public QDialog {
  Q_OBJECT

 public:
  OptionsDialog(folian::tidy::TidyOptions* options, std::filesystem::path store,
                Prompter* prompter, QWidget* parent = nullptr);
  ~OptionsDialog() override;

  Ui::OptionsDialog* ui() { return ui_.get(); }

 private:
  void Show(const folian::app::OptionsFormState& s);
  void Read();

  std::unique_ptr<Ui::OptionsDialog> ui_;
  folian::app::OptionsForm form_;
  Prompter* prompter_;
};
