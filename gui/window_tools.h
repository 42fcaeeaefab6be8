// The batch runner, the converter buttons (txt2umd and txt2jar among them)
// and the window's further commands on the Main window:
// the buttons they answer to, a stop button while a run is busy,
// and the desktop services and dialogs they need (ToolView).
#pragma once

#include <QObject>
#include <memory>

#include "app/batch_runner.h"
#include "app/book_commands.h"
#include "app/convert_commands.h"
#include "app/tool_commands.h"
#include "app/tool_view.h"

class MainWindow;
class QPushButton;

// The dialogs and desktop calls, behind an interface so tests can answer them.
class ToolDialogs {
 public:
  virtual ~ToolDialogs() = default;
  virtual bool OpenWithDefaultProgram(const QString& file) = 0;
  // A text in a window of our own (not modal: it may stay open beside the editor).
  virtual void ShowReport(const QString& title, const QString& text) = 0;
  virtual bool ConfirmRenames(const QString& title,
                              const std::vector<folian::files::RenameStep>& plan) = 0;
  virtual std::optional<folian::files::RenamePattern> AskRenamePattern() = 0;
};

class WindowTools final : public QObject, public folian::app::ToolView {
  Q_OBJECT

 public:
  // `dialogs` null means the real dialogs over `window`.
  explicit WindowTools(MainWindow& window, ToolDialogs* dialogs = nullptr);
  ~WindowTools() override;

  folian::app::BatchRunner& batch() { return batch_; }
  folian::app::ToolCommands& commands() { return commands_; }
  folian::app::ConvertCommands& converters() { return converters_; }
  folian::app::BookCommands& books() { return books_; }
  QPushButton* stopButton() const { return stop_; }

  // --- ToolView ---
  bool OpenWithDefaultProgram(const std::filesystem::path& file) override;
  void ShowReport(std::string_view title, std::string_view utf8) override;
  void RunAfter(std::chrono::milliseconds delay, std::function<void()> task) override;
  std::optional<std::string> ClipboardText() override;
  bool ConfirmRenames(std::string_view title,
                      const std::vector<folian::files::RenameStep>& plan) override;
  std::optional<folian::files::RenamePattern> AskRenamePattern() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Connect();
  void Stop();

  MainWindow& window_;
  std::unique_ptr<ToolDialogs> own_dialogs_;
  ToolDialogs* dialogs_;
  folian::app::BatchRunner batch_;
  folian::app::ToolCommands commands_;
  folian::app::ConvertCommands converters_;
  folian::app::BookCommands books_;
  QPushButton* stop_ = nullptr;
};
