#include "prompter.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

using folian::app::Answer;
using folian::app::MessageIcon;

Answer DialogPrompter::AskYesNoCancel(const QString& text, const QString& caption) {
  switch (QMessageBox::question(parent_, caption, text,
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                QMessageBox::Yes)) {
    case QMessageBox::Yes: return Answer::kYes;
    case QMessageBox::No: return Answer::kNo;
    default: return Answer::kCancel;
  }
}

bool DialogPrompter::AskOkCancel(const QString& text, const QString& caption) {
  return QMessageBox::question(parent_, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                               QMessageBox::Ok) == QMessageBox::Ok;
}

void DialogPrompter::ShowMessage(const QString& text, const QString& caption, MessageIcon icon) {
  QMessageBox box(parent_);
  box.setWindowTitle(caption);
  box.setText(text);
  switch (icon) {
    case MessageIcon::kInformation: box.setIcon(QMessageBox::Information); break;
    case MessageIcon::kWarning: box.setIcon(QMessageBox::Warning); break;
    case MessageIcon::kError: box.setIcon(QMessageBox::Critical); break;
    case MessageIcon::kNone: break;
  }
  box.exec();
}

std::optional<QString> DialogPrompter::ChooseFolder(const QString& title) {
  const QString folder = QFileDialog::getExistingDirectory(parent_, title, QDir::currentPath());
  if (folder.isEmpty()) return std::nullopt;
  return folder;
}

std::optional<QString> DialogPrompter::AskSaveFileName(const QString& title,
                                                       const QString& folder) {
  QFileDialog dialog(parent_, title, folder.isEmpty() ? QDir::currentPath() : folder,
                     QStringLiteral("文本文件 (*.txt);;所有文件 (*)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first();
}

std::optional<QString> DialogPrompter::ChooseFile(const QString& title, const QString& filter) {
  // Names on disk may be in either case ("BOOK.PDB").
  const QString filters = QStringLiteral("%1 %2 (%1 %2);;%3 (*)")
                              .arg(filter, filter.toUpper(), QStringLiteral("所有文件"));
  const QString file = QFileDialog::getOpenFileName(parent_, title, QDir::currentPath(), filters);
  if (file.isEmpty()) return std::nullopt;
  return file;
}

std::optional<QString> DialogPrompter::AskNewName(const QString& /*old_name*/,
                                                  const RenameMergeContext& context) {
  RenameMergeDialog dialog(RenameMergeDialog::Mode::kRename, context, parent_);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.name();
}

void DialogPrompter::OpenUrl(const QString& url) { QDesktopServices::openUrl(QUrl(url)); }
