#include "rename_merge_dialog.h"

#include <QFileDialog>

#include "app/name_source.h"
#include "ui_rename_merge_dialog.h"

RenameMergeDialog::RenameMergeDialog(Mode mode, RenameMergeContext context, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::RenameMergeDialog>()), context_(std::move(context)) {
  ui_->setupUi(this);
  const std::filesystem::path folder = context_.save_folder && !context_.save_folder->empty()
                                           ? *context_.save_folder
                                           : context_.working_folder;
  ui_->folderEdit->setText(QString::fromStdString(folder.string()));
  const bool merge = mode == Mode::kMerge;
  ui_->chapterNames->setEnabled(merge);
  ui_->deleteOriginals->setEnabled(merge);
  ui_->deleteOriginals->setChecked(merge);
  QRadioButton* sources[] = {ui_->fromFolder, ui_->fromFile, ui_->fromClipboard};
  const int source = context_.name_source ? *context_.name_source : folian::app::kNameFromFolder;
  sources[source >= 0 && source <= 2 ? source : 0]->setChecked(true);
  Suggest(source);
  for (int i = 0; i < 3; ++i) {
    connect(sources[i], &QRadioButton::clicked, this, [this, i] {
      if (context_.name_source) *context_.name_source = i;
      Suggest(i);
    });
  }
  connect(ui_->browseButton, &QToolButton::clicked, this, [this] {
    const QString chosen = QFileDialog::getExistingDirectory(
        this, QStringLiteral("合并后的文件保存位置"), ui_->folderEdit->text());
    if (chosen.isEmpty()) return;
    ui_->folderEdit->setText(chosen);
    if (context_.save_folder) *context_.save_folder = chosen.toStdString();
  });
  connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
  ui_->nameEdit->setFocus();
}

RenameMergeDialog::~RenameMergeDialog() = default;

void RenameMergeDialog::Suggest(int source) {
  ui_->nameEdit->setText(QString::fromStdString(folian::app::SuggestedName(
      source, context_.working_folder, context_.editor_gbk, context_.clipboard_utf8)));
}

QString RenameMergeDialog::name() const {
  return result() == QDialog::Accepted ? ui_->nameEdit->text().left(260) : QString();
}
bool RenameMergeDialog::chapterNames() const {
  return result() == QDialog::Accepted && ui_->chapterNames->isChecked();
}
bool RenameMergeDialog::deleteOriginals() const {
  return result() == QDialog::Accepted && ui_->deleteOriginals->isChecked();
}
QString RenameMergeDialog::folder() const { return ui_->folderEdit->text(); }
