// Answers the window's questions from queues and records what it said.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

#include "prompter.h"

struct ShownMessage {
  QString text, caption;
  folian::app::MessageIcon icon;
};

class TestPrompter final : public Prompter {
 public:
  std::deque<folian::app::Answer> answers;
  std::deque<bool> ok_answers;
  std::optional<QString> folder;
  std::optional<QString> new_name;
  std::optional<QString> file;  // the open-file dialog's answer
  QStringList questions;
  QList<ShownMessage> messages;
  QStringList urls;

  folian::app::Answer AskYesNoCancel(const QString& text, const QString&) override {
    questions << text;
    if (answers.empty()) return folian::app::Answer::kCancel;
    auto a = answers.front();
    answers.pop_front();
    return a;
  }
  bool AskOkCancel(const QString& text, const QString&) override {
    questions << text;
    if (ok_answers.empty()) return false;
    bool a = ok_answers.front();
    ok_answers.pop_front();
    return a;
  }
  void ShowMessage(const QString& text, const QString& caption,
                   folian::app::MessageIcon icon) override {
    messages.append({text, caption, icon});
  }
  std::optional<QString> ChooseFolder(const QString& title) override {
    questions << title;
    return folder;
  }
  std::optional<QString> save_name;  // AskSaveFileName
  std::optional<QString> AskSaveFileName(const QString& title, const QString&) override {
    questions << title;
    return save_name;
  }
  std::optional<QString> ChooseFile(const QString& title, const QString& filter) override {
    questions << title;
    file_filters << filter;
    return file;
  }
  QStringList file_filters;
  std::optional<QString> AskNewName(const QString&, const RenameMergeContext& context) override {
    rename_folder = context.working_folder;
    return new_name;
  }
  std::filesystem::path rename_folder;
  void OpenUrl(const QString& url) override { urls << url; }

  QString last() const { return messages.isEmpty() ? QString() : messages.last().text; }
};
