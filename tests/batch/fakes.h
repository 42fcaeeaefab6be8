// A recording window for driving the shell, the batch runner and the further
// commands without a toolkit, and a task runner with a real worker thread
// whose posts the test's thread runs, as a window's event loop would.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/shell_view.h"
#include "app/task_runner.h"
#include "app/tool_view.h"

namespace folian::app {

struct Shown {
  std::string text, caption;
  MessageIcon icon;
};

class FakeWindow : public ShellView, public ToolView {
 public:
  // Calls from any thread but this one are counted: the shell promises
  // the view is only touched from the window's thread.
  std::thread::id window_thread = std::this_thread::get_id();
  int wrong_thread_calls = 0;

  std::deque<Answer> answers;
  std::vector<std::string> questions;
  std::vector<Shown> messages;
  std::map<int, bool> enabled, checked;
  std::map<int, std::string> fields;
  std::map<int, std::string> status;
  std::vector<int> progress_positions;
  bool progress_visible = false;
  std::vector<int> scrolled_rows;
  std::function<void()> on_list_changed;
  std::string editor;
  bool can_undo = false;
  std::size_t sel_start = 0, sel_length = 0;

  std::optional<std::string> clipboard;
  std::vector<std::filesystem::path> opened;
  bool open_succeeds = true;
  std::vector<std::pair<std::chrono::milliseconds, std::function<void()>>> timers;
  std::vector<std::vector<files::RenameStep>> previews;
  bool confirm_renames = true;
  std::optional<files::RenamePattern> rename_pattern;
  std::vector<std::pair<std::string, std::string>> reports;  // ShowReport: title, text

  void Check() {
    if (std::this_thread::get_id() != window_thread) ++wrong_thread_calls;
  }

  Answer AskYesNoCancel(std::string_view text, std::string_view) override {
    Check();
    questions.emplace_back(text);
    if (answers.empty()) return Answer::kCancel;
    Answer a = answers.front();
    answers.pop_front();
    return a;
  }
  bool AskOkCancel(std::string_view text, std::string_view) override {
    Check();
    questions.emplace_back(text);
    if (ok_answers.empty()) return false;
    const bool a = ok_answers.front();
    ok_answers.pop_front();
    return a;
  }
  std::optional<std::filesystem::path> ChooseFile(std::string_view, std::string_view) override {
    Check();
    return file_answer;
  }
  std::deque<bool> ok_answers;  // AskOkCancel; false when empty
  std::optional<std::filesystem::path> file_answer;
  void ShowMessage(std::string_view text, std::string_view caption, MessageIcon icon) override {
    Check();
    messages.push_back({std::string(text), std::string(caption), icon});
  }
  std::optional<std::filesystem::path> ChooseFolder(std::string_view) override { return {}; }
  std::optional<std::string> AskNewName(std::string_view) override { return {}; }
  std::optional<std::filesystem::path> AskSaveFileName(std::string_view,
                                                       const std::filesystem::path&) override {
    return {};
  }
  void OpenHelpPage() override {}
  void SetEnabled(ControlId id, bool on) override { Check(); enabled[id] = on; }
  void SetChecked(ControlId id, bool on) override { Check(); checked[id] = on; }
  std::string FieldText(ControlId id) override { Check(); return fields[id]; }
  void SetFieldText(ControlId id, std::string_view text) override { Check(); fields[id] = std::string(text); }
  void SetCurrentItem(ControlId, int) override { Check(); }
  void SetStatus(StatusPart part, std::string_view text) override { Check(); status[part] = std::string(text); }
  void SetProgressVisible(bool visible) override { Check(); progress_visible = visible; }
  void SetProgress(int position) override { Check(); progress_positions.push_back(position); }
  void FileListChanged() override {
    Check();
    if (on_list_changed) on_list_changed();
  }
  void ScrollToRow(int row) override { Check(); scrolled_rows.push_back(row); }
  std::string EditorText() override { Check(); return editor; }
  void SetEditorText(std::string_view gbk) override {
    Check();
    editor = std::string(gbk);
    can_undo = false;
    sel_start = sel_length = 0;
  }
  void ReplaceEditorText(std::string_view gbk) override {
    Check();
    editor = std::string(gbk);
    can_undo = true;
  }
  void SelectBytes(std::size_t start, std::size_t length) override {
    Check();
    sel_start = start;
    sel_length = length;
  }
  std::size_t SelectionStart() override { return sel_start; }
  std::size_t SelectionLength() override { return sel_length; }
  void ReplaceSelection(std::string_view gbk) override {
    Check();
    editor.replace(sel_start, sel_length, gbk);
    sel_length = gbk.size();
    can_undo = true;
  }
  bool EditorCanUndo() override { return can_undo; }
  void ClearUndo() override { can_undo = false; }
  void SetEditorEnabled(bool) override { Check(); }

  bool OpenWithDefaultProgram(const std::filesystem::path& file) override {
    Check();
    opened.push_back(file);
    return open_succeeds;
  }
  void RunAfter(std::chrono::milliseconds delay, std::function<void()> task) override {
    Check();
    timers.emplace_back(delay, std::move(task));
  }
  std::optional<std::string> ClipboardText() override { Check(); return clipboard; }
  bool ConfirmRenames(std::string_view, const std::vector<files::RenameStep>& plan) override {
    Check();
    previews.push_back(plan);
    return confirm_renames;
  }
  std::optional<files::RenamePattern> AskRenamePattern() override { Check(); return rename_pattern; }
  void ShowReport(std::string_view title, std::string_view utf8) override {
    Check();
    reports.emplace_back(std::string(title), std::string(utf8));
  }

  bool IsEnabled(ControlId id) const {
    auto it = enabled.find(id);
    return it != enabled.end() && it->second;
  }
  std::string LastMessage() const { return messages.empty() ? "" : messages.back().text; }
};

// Work runs on its own thread; posts and the continuation queue up for the
// test's thread, which runs them in Pump() like an event loop.
class ThreadTaskRunner final : public TaskRunner {
 public:
  ~ThreadTaskRunner() override {
    for (auto& t : threads_) t.join();
  }
  void Run(BackgroundWork work) override {
    {
      std::lock_guard<std::mutex> lock(mu_);
      ++running_;
    }
    threads_.emplace_back([this, work = std::move(work)] {
      Continuation done = work();
      std::lock_guard<std::mutex> lock(mu_);
      if (done) queue_.push_back(std::move(done));
      --running_;
      cv_.notify_all();
    });
  }
  void Post(Continuation c) override {
    std::lock_guard<std::mutex> lock(mu_);
    queue_.push_back(std::move(c));
    cv_.notify_all();
  }
  void PostAndWait(Continuation c) override {
    std::mutex m;
    std::condition_variable done_cv;
    bool done = false;
    Post([&] {
      c();
      std::lock_guard<std::mutex> lock(m);
      done = true;
      done_cv.notify_all();
    });
    std::unique_lock<std::mutex> lock(m);
    done_cv.wait(lock, [&] { return done; });
  }
  // Runs queued calls until no work runs and nothing is queued.
  void Pump() {
    while (true) {
      Continuation next;
      {
        std::unique_lock<std::mutex> lock(mu_);
        cv_.wait(lock, [&] { return !queue_.empty() || running_ == 0; });
        if (queue_.empty()) return;
        next = std::move(queue_.front());
        queue_.pop_front();
      }
      next();
    }
  }

 private:
  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<Continuation> queue_;
  int running_ = 0;
  std::vector<std::thread> threads_;
};

}  // namespace folian::app
