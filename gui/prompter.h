// The window's modal questions and messages, behind an interface so tests
// can answer them without a user.
#pragma once

#include <QString>
#include <optional>

#include "app/shell_view.h"
#include "rename_merge_dialog.h"

class QWidget;

class Prompter {
 public:
  virtual ~Prompter() = default;
  virtual folian::app::Answer AskYesNoCancel(const QString& text, const QString& caption) = 0;
  virtual bool AskOkCancel(const QString& text, const QString& caption) = 0;
  virtual void ShowMessage(const QString& text, const QString& caption,
                           folian::app::MessageIcon icon) = 0;
  virtual std::optional<QString> ChooseFolder(const QString& title) = 0;
  // A file to save under, starting in `folder`; nothing when cancelled.
  virtual std::optional<QString> AskSaveFileName(const QString& title, const QString& folder) = 0;
  // The converters' open-file dialog; `filter` is a pattern such as "*.pdb".
  virtual std::optional<QString> ChooseFile(const QString& title, const QString& filter) = 0;
  // The rename dialog; nothing when cancelled.
  virtual std::optional<QString> AskNewName(const QString& old_name,
                                            const RenameMergeContext& context) = 0;
  virtual void OpenUrl(const QString& url) = 0;
};

// Message boxes, the folder browser and the desktop's browser.
class DialogPrompter final : public Prompter {
 public:
  explicit DialogPrompter(QWidget* parent) : parent_(parent) {}
  folian::app::Answer AskYesNoCancel(const QString& text, const QString& caption) override;
  bool AskOkCancel(const QString& text, const QString& caption) override;
  void ShowMessage(const QString& text, const QString& caption,
                   folian::app::MessageIcon icon) override;
  std::optional<QString> ChooseFolder(const QString& title) override;
  std::optional<QString> AskSaveFileName(const QString& title, const QString& folder) override;
  std::optional<QString> ChooseFile(const QString& title, const QString& filter) override;
  std::optional<QString> AskNewName(const QString& old_name,
                                    const RenameMergeContext& context) override;
  void OpenUrl(const QString& url) override;

 private:
  QWidget* parent_;
};
