#include "options_dialog.h"

#include <QButtonGroup>
#include <QFileDialog>

#include "prompter.h"
#include "ui_options_dialog.h"

using folian::app::OptionsFormState;

namespace {

// The checked radio of a group as 1, 2 or 3.
int Checked(QRadioButton* a, QRadioButton* b, QRadioButton* c) {
  return a->isChecked() ? 1 : b->isChecked() ? 2 : c->isChecked() ? 3 : 0;
}

void Check(int value, QRadioButton* a, QRadioButton* b, QRadioButton* c) {
  (value == 1 ? a : value == 2 ? b : c)->setChecked(true);
}

}  // namespace

OptionsDialog::OptionsDialog(folian::tidy::TidyOptions* options, std::filesystem::path store,
                             Prompter* prompter, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::OptionsDialog>()),
      form_(options, std::move(store)), prompter_(prompter) {
  ui_->setupUi(this);
  Show(form_.state());
  QRadioButton* indents[] = {ui_->indent1, ui_->indent2, ui_->indent3, ui_->indent4};
  for (int kind = 1; kind <= 4; ++kind) {
    connect(indents[kind - 1], &QRadioButton::toggled, this, [this, kind](bool on) {
      if (!on) return;
      Read();
      form_.SelectIndent(kind);
      Show(form_.state());
    });
  }
  connect(ui_->okButton, &QPushButton::clicked, this, [this] {
    Read();
    const auto message = form_.Confirm();
    if (prompter_) {
      prompter_->ShowMessage(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())),
                             QString::fromUtf8(folian::app::kCaption),
                             form_.saved() ? folian::app::MessageIcon::kInformation
                                           : folian::app::MessageIcon::kWarning);
    }
  });
  connect(ui_->restoreButton, &QPushButton::clicked, this, [this] {
    const auto message = form_.RestoreDefaults();
    Show(form_.state());
    if (prompter_) {
      prompter_->ShowMessage(QString::fromUtf8(message.data(), static_cast<qsizetype>(message.size())),
                             QString::fromUtf8(folian::app::kCaption),
                             form_.saved() ? folian::app::MessageIcon::kInformation
                                           : folian::app::MessageIcon::kWarning);
    }
  });
  connect(ui_->exitButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_->templateBrowse, &QPushButton::clicked, this, [this] {
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("选择阅读器模板 jar 文件"),
                                                      ui_->jarTemplate->text(), QStringLiteral("*.jar"));
    if (!file.isEmpty()) ui_->jarTemplate->setText(file);
  });
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::Show(const OptionsFormState& s) {
  Check(s.num_convert, ui_->num1, ui_->num2, ui_->num3);
  Check(s.char_convert, ui_->char1, ui_->char2, ui_->char3);
  Check(s.punc_convert, ui_->punc1, ui_->punc2, ui_->punc3);
  Check(s.paragraph, ui_->paragraph1, ui_->paragraph2, ui_->paragraph3);
  QRadioButton* indents[] = {ui_->indent1, ui_->indent2, ui_->indent3, ui_->indent4};
  if (s.indent >= 1 && s.indent <= 4) {
    const QSignalBlocker block(indents[s.indent - 1]);
    indents[s.indent - 1]->setChecked(true);
  }
  QLineEdit* counts[] = {ui_->count1, ui_->count2, ui_->count3};
  for (int i = 0; i < 3; ++i) {
    counts[i]->setText(QString::fromStdString(s.counts[static_cast<std::size_t>(i)]));
    counts[i]->setEnabled(s.count_enabled[static_cast<std::size_t>(i)]);
  }
  ui_->hasAdver->setChecked(s.has_adver);
  ui_->splitAtFullStop->setChecked(s.split_at_fullstop);
  (s.sort_as_num ? ui_->sortByNumber : ui_->sortByName)->setChecked(true);
  ui_->jarTemplate->setText(QString::fromStdString(s.jar_template));
}

void OptionsDialog::Read() {
  OptionsFormState& s = form_.state();
  s.num_convert = Checked(ui_->num1, ui_->num2, ui_->num3);
  s.char_convert = Checked(ui_->char1, ui_->char2, ui_->char3);
  s.punc_convert = Checked(ui_->punc1, ui_->punc2, ui_->punc3);
  s.paragraph = Checked(ui_->paragraph1, ui_->paragraph2, ui_->paragraph3);
  QLineEdit* counts[] = {ui_->count1, ui_->count2, ui_->count3};
  for (int i = 0; i < 3; ++i) s.counts[static_cast<std::size_t>(i)] = counts[i]->text().toStdString();
  s.has_adver = ui_->hasAdver->isChecked();
  s.split_at_fullstop = ui_->splitAtFullStop->isChecked();
  s.sort_as_num = ui_->sortByNumber->isChecked();
  s.jar_template = ui_->jarTemplate->text().trimmed().toStdString();
}
