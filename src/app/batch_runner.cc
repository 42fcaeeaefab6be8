#include "app/batch_runner.h"

#include "app/convert_commands.h"
#include "app/convert_messages.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/conversion_notes.h"
#include "app/messages.h"
#include "app/shell_access.h"
#include "app/text_search.h"
#include "app/tool_messages.h"
#include "charset/codepage.h"
#include "files/directory_merge.h"
#include "regex/regex.h"
#include "text/atomic_write.h"
#include "text/file_conversion.h"
#include "text/text_file.h"
#include "tidy/ad_removal.h"
#include "tidy/rule_table.h"
#include "tidy/tidy_file.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;
using A = ShellAccess;

// Files this short hold nothing worth searching or replacing.
constexpr std::uintmax_t kTooShort = 9;
// Failures listed in the final message; the rest are counted.
constexpr std::size_t kListedFailures = 20;

struct Row {
  std::string name;
  fs::path path;
};

int FindRow(const FileList& list, const std::string& name) {
  for (int i = 0; i < list.size(); ++i) {
    if (list.row(i).name == name) return i;
  }
  return -1;
}

bool HasExtension(const std::string& name, std::string_view ext) {
  if (name.size() < ext.size()) return false;
  for (std::size_t i = 0; i < ext.size(); ++i) {
    const char c = name[name.size() - ext.size() + i];
    if (std::tolower(static_cast<unsigned char>(c)) != ext[i]) return false;
  }
  return true;
}

std::string Format(const char* format, int n) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, n);
  return buf;
}

// What a run shares between its worker and the window's thread. The worker
// fills it; the window's thread reads it only in the final continuation.
struct RunState {
  std::vector<Row> rows;
  std::shared_ptr<CancelFlag> cancel;
  int done = 0;
  bool stopped = false;
  std::vector<std::string> failures;
  std::vector<std::string> left_alone;  // files the command does not change, and why

  void Fail(const Row& row, const std::string& why) { failures.push_back(row.name + ": " + why); }
  void LeaveAlone(const Row& row, const std::string& why) {
    left_alone.push_back(row.name + ": " + why);
  }
  std::string Notes() const {
    return Listed(msg::kBatchFailures, failures) + Listed(msg::kBatchLeftAlone, left_alone);
  }

 private:
  static std::string Listed(const char* heading, const std::vector<std::string>& names) {
    if (names.empty()) return {};
    std::string text = heading;
    for (std::size_t i = 0; i < names.size() && i < kListedFailures; ++i) {
      text += "\r\n" + names[i];
    }
    if (names.size() > kListedFailures) {
      text += "\r\n… (" + std::to_string(names.size() - kListedFailures) + ")";
    }
    return text;
  }
};

// The rows a run takes: all of them, or the checked ones with a name test.
std::vector<Row> TakeRows(Shell& shell, bool checked_only, bool (*wanted)(const std::string&)) {
  const FileList& list = A::List(shell);
  std::vector<Row> rows;
  for (int i = 0; i < list.size(); ++i) {
    const FileRow& r = list.row(i);
    if (checked_only && !r.checked) continue;
    if (wanted && !wanted(r.name)) continue;
    rows.push_back({r.name, A::PathOfRow(shell, i)});
  }
  return rows;
}

bool IsTxt(const std::string& name) { return HasExtension(name, ".txt"); }
bool IsNotTxt(const std::string& name) { return !HasExtension(name, ".txt"); }

// Window thread: row `name` is being worked on; it becomes the selected row,
// and (for runs that use the check boxes as the to-do list) loses its check.
void ShowTaken(Shell& shell, const std::string& name, bool uncheck, int done, int to_do) {
  FileList& list = A::List(shell);
  ShellView& view = A::View(shell);
  const int row = FindRow(list, name);
  if (row >= 0) {
    list.SelectOnly(row);
    if (uncheck) list.row(row).checked = false;
    view.FileListChanged();
    view.ScrollToRow(row);
  }
  view.SetProgress(to_do > 0 ? done * 100 / to_do : 0);
}

// One step of a run's frame: stops the run when the user asked to (rows
// done stay done), otherwise shows `row` as the one being worked on.
bool TakeNext(Shell& shell, TaskRunner& runner, RunState& state, const Row& row, bool uncheck,
              int to_do) {
  if (Cancelled(state.cancel.get())) {
    state.stopped = true;
    return false;
  }
  runner.Post([&shell, name = row.name, done = state.done, uncheck, to_do] {
    ShowTaken(shell, name, uncheck, done, to_do);
  });
  return true;
}

// Window thread: the common ending of every run but batch find.
void FinishFrame(Shell& shell, const RunState& state, const std::string& message,
                 const std::string& open_row) {
  ShellView& view = A::View(shell);
  A::EnterReady(shell);
  const int row = open_row.empty() ? -1 : FindRow(A::List(shell), open_row);
  if (row >= 0) {
    A::OpenRow(shell, row);
  } else {
    A::ReloadCurrent(shell);
  }
  view.SetProgress(0);
  view.SetProgressVisible(false);
  view.ScrollToRow(0);
  const std::string text =
      (state.stopped ? Format(msg::kBatchStoppedFormat, state.done) : message) + state.Notes();
  view.ShowMessage(text, kCaption,
                   state.failures.empty() ? MessageIcon::kInformation : MessageIcon::kWarning);
  A::EndBatchMode(shell);
}

void StartFrame(Shell& shell) {
  A::EnterBusy(shell);
  A::View(shell).SetProgress(0);
  A::View(shell).SetProgressVisible(true);
}

// The short-line threshold typed into the replace field, as the tidy command reads it.
int ShortLine(const std::string& field) {
  const int n = std::atoi(field.substr(0, 10).c_str());
  return n != 0 ? n : tidy::kDefaultShortLine;
}

}  // namespace

BatchRunner::BatchRunner(Shell& shell, ToolView& tools)
    : shell_(shell), tools_(tools), html_(ConvertHtmlFile) {
  shell_.SetBatchRunner([this](BatchCommand command) { Run(command); });
}

BatchRunner::~BatchRunner() { shell_.SetBatchRunner(nullptr); }

void BatchRunner::Run(BatchCommand command) {
  if (shell_.busy() || A::List(shell_).empty()) return;
  switch (command) {
    case BatchCommand::kFind: return RunFind();
    case BatchCommand::kReplaceAll: return RunReplace();
    case BatchCommand::kTidy: return RunTidy();
    case BatchCommand::kToAnsi:
    case BatchCommand::kToUtf8:
    case BatchCommand::kToUnicode: return RunConvert(command);
    case BatchCommand::kHtm2Txt: return RunHtml();
  }
}

// --- batch find ---

void BatchRunner::RunFind() {
  ShellView& view = A::View(shell_);
  std::string find = A::FieldGbk(shell_, kFindField);
  if (find.empty()) return;  // silently, as the program did
  auto pattern = std::make_shared<regex::Pattern>();
  if (shell_.regex_mode()) {
    try {
      pattern->Compile(find, regex::WHOLECHARS);
    } catch (const regex::bad_regexpr& e) {
      view.ShowMessage(e.what(), kCaption, MessageIcon::kWarning);
      return;
    }
  } else {
    find = ProcessEscapes(find);
  }
  auto state = std::make_shared<RunState>();
  state->rows = TakeRows(shell_, false, nullptr);
  state->cancel = A::ResetCancel(shell_);
  StartFrame(shell_);
  TaskRunner& runner = A::Runner(shell_);
  Shell& shell = shell_;
  runner.Run([&shell, &runner, state, pattern, find]() -> Continuation {
    const int to_do = static_cast<int>(state->rows.size());
    for (const Row& row : state->rows) {
      if (!TakeNext(shell, runner, *state, row, false, to_do)) break;
      bool found = false;
      std::error_code ec;
      const std::uintmax_t bytes = fs::file_size(row.path, ec);
      text::LoadedText loaded;
      std::string error;
      if (ec) {
        state->Fail(row, ec.message());
      } else if (bytes > kTooShort) {
        if (!text::LoadTextFile(row.path, &loaded, &error)) {
          state->Fail(row, error);
        } else if (pattern->empty()) {
          found = FindGbk(loaded.text, find) != std::string::npos;
        } else {
          bool over_budget = false;
          found = pattern->Match(loaded.text, nullptr, state->cancel.get(), &over_budget);
          if (Cancelled(state->cancel.get())) {
            state->stopped = true;
            break;  // the search was cut short: this row keeps its state
          }
          if (over_budget) state->Fail(row, regex::kOverBudgetMessage);
        }
      }
      // A found file goes to the top, checked; the walk still sees every
      // row once because it follows the list as it was at the start.
      runner.Post([&shell, name = row.name, found] {
        FileList& list = A::List(shell);
        const int at = FindRow(list, name);
        if (at < 0) return;
        if (found) {
          FileRow moved;
          moved.name = list.row(at).name;
          moved.size = list.row(at).size;
          moved.checked = true;
          moved.selected = true;
          std::vector<FileRow> rows = list.rows();
          rows.erase(rows.begin() + at);
          rows.insert(rows.begin(), std::move(moved));
          list.Assign(std::move(rows));
        } else {
          list.row(at).checked = false;
        }
        A::View(shell).FileListChanged();
      });
      ++state->done;
    }
    return [&shell, state] {
      ShellView& view = A::View(shell);
      view.SetProgress(0);
      view.SetProgressVisible(false);
      view.ShowMessage(
          (state->stopped ? Format(msg::kBatchStoppedFormat, state->done) : msg::kBatchFindDone) +
              state->Notes(),
          kCaption, state->failures.empty() ? MessageIcon::kInformation : MessageIcon::kWarning);
      A::EndBatchMode(shell);
      A::EnterReady(shell);
    };
  });
}

// --- batch replace ---

void BatchRunner::RunReplace() {
  ShellView& view = A::View(shell_);
  std::string find = A::FieldGbk(shell_, kFindField);
  if (find.empty()) {
    std::optional<std::string> clip = tools_.ClipboardText();
    if (!clip || clip->empty() ||
        view.AskYesNoCancel(msg::kUseClipboard, kCaption) != Answer::kYes) {
      view.SetEnabled(kReplaceAll, true);
      return;
    }
    find = charset::Utf8ToGbk(*clip);
  }
  const std::string replacement = ProcessEscapes(A::FieldGbk(shell_, kReplaceField));
  auto pattern = std::make_shared<regex::Pattern>();
  if (shell_.regex_mode()) {
    try {
      pattern->Compile(find, replacement, regex::ALLMATCHES | regex::WHOLECHARS);
    } catch (const regex::bad_regexpr& e) {
      view.ShowMessage(e.what(), kCaption, MessageIcon::kWarning);
      return;
    }
  } else {
    find = ProcessEscapes(find);
  }
  // The run rewrites files, the Current document's among them.
  if (!A::OfferSave(shell_)) return;
  auto state = std::make_shared<RunState>();
  state->rows = TakeRows(shell_, true, nullptr);
  state->cancel = A::ResetCancel(shell_);
  StartFrame(shell_);
  TaskRunner& runner = A::Runner(shell_);
  Shell& shell = shell_;
  runner.Run([&shell, &runner, state, pattern, find, replacement]() -> Continuation {
    const int to_do = static_cast<int>(state->rows.size());
    std::string last;
    for (const Row& row : state->rows) {
      if (!TakeNext(shell, runner, *state, row, true, to_do)) break;
      last = row.name;
      ++state->done;
      std::error_code ec;
      const std::uintmax_t bytes = fs::file_size(row.path, ec);
      if (ec) {
        state->Fail(row, ec.message());
        continue;
      }
      if (bytes <= kTooShort) continue;
      text::LoadedText loaded;
      std::string error;
      if (!text::LoadTextFile(row.path, &loaded, &error)) {
        state->Fail(row, error);
        continue;
      }
      std::size_t count = 0;
      if (!pattern->empty()) {
        bool over_budget = false;
        count = pattern->Substitute(loaded.text, 0, std::string::npos, state->cancel.get(), &over_budget);
        if (Cancelled(state->cancel.get())) {
          // Half a replacement is no result: the file stays as it was.
          --state->done;
          state->stopped = true;
          break;
        }
        if (over_budget) {
          state->Fail(row, regex::kOverBudgetMessage);
          continue;
        }
      } else {
        count = ReplaceAllGbk(loaded.text, find, replacement);
      }
      if (count == 0) continue;
      text::SaveRequest request;
      request.loaded_loss = loaded.unmappable;
      if (!text::SaveTextFile(row.path, loaded.text, loaded.encoding, request, &error)) {
        state->Fail(row, error);
      }
    }
    return [&shell, state, last] { FinishFrame(shell, *state, msg::kBatchDone, last); };
  });
}

// --- batch tidy ---

void BatchRunner::RunTidy() {
  if (!A::OfferSave(shell_)) return;
  struct TidyRun : RunState {
    tidy::TidyOptions options;
    tidy::TidyFileParams params;
    unsigned threads = 1;
  };
  auto state = std::make_shared<TidyRun>();
  state->rows = TakeRows(shell_, true, IsTxt);
  state->cancel = A::ResetCancel(shell_);
  state->options = shell_.options();
  // Forcing breaks at "。" holds for this run only.
  shell_.options().split_at_fullstop = false;
  state->params.tidy.short_line = ShortLine(A::View(shell_).FieldText(kReplaceField));
  state->params.tidy.cancel = state->cancel.get();
  // "remove.txt" is read once for the whole run.
  state->params.read_remove_txt = false;
  if (state->options.has_adver == 1) {
    std::vector<std::string> custom;
    if (tidy::LoadCustomRules("remove.txt", &custom)) state->params.tidy.custom = std::move(custom);
  }
  state->threads = tidy_threads_ != 0 ? tidy_threads_ : std::max(1u, std::thread::hardware_concurrency());
  StartFrame(shell_);
  TaskRunner& runner = A::Runner(shell_);
  Shell& shell = shell_;
  runner.Run([&shell, &runner, state]() -> Continuation {
    const std::size_t n = state->rows.size();
    const int to_do = static_cast<int>(n);
    try {
      const tidy::AdRemover remover(tidy::BuiltinRules());
      state->params.tidy.remover = &remover;

      // Files are tidied in parallel; their results are shown strictly in
      // row order, so the list looks as if one file was done after another.
      std::mutex mu;
      std::condition_variable ready;
      std::vector<std::optional<tidy::TidyReport>> results(n);
      std::atomic<std::size_t> next{0};
      unsigned running = static_cast<unsigned>(std::min<std::size_t>(state->threads, n));
      auto work = [&] {
        for (std::size_t i = next++; i < n; i = next++) {
          if (Cancelled(state->cancel.get())) break;
          tidy::TidyOptions options = state->options;
          tidy::TidyReport report =
              tidy::TidyFile(state->rows[i].path, &options, tidy::BuiltinRules(), state->params);
          std::lock_guard<std::mutex> lock(mu);
          results[i] = std::move(report);
          ready.notify_all();
        }
        std::lock_guard<std::mutex> lock(mu);
        --running;
        ready.notify_all();
      };
      std::vector<std::thread> pool;
      const unsigned threads = running;
      for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);

      std::vector<bool> shown(n, false);
      auto show = [&](std::size_t i, const tidy::TidyReport& report) {
        shown[i] = true;
        if (report.cancelled) return;
        ++state->done;
        if (!report.ok) state->Fail(state->rows[i], report.error);
        runner.Post([&shell, name = state->rows[i].name, done = state->done, to_do] {
          ShowTaken(shell, name, true, done, to_do);
        });
      };
      for (std::size_t i = 0; i < n; ++i) {
        std::unique_lock<std::mutex> lock(mu);
        ready.wait(lock, [&] { return results[i].has_value() || running == 0; });
        if (!results[i]) break;  // stopped before this file was started
        const tidy::TidyReport report = *results[i];
        lock.unlock();
        show(i, report);
      }
      for (std::thread& t : pool) t.join();
      // Stopped: files finished ahead of the order are done all the same.
      for (std::size_t i = 0; i < n; ++i) {
        if (!shown[i] && results[i]) show(i, *results[i]);
      }
      state->stopped = Cancelled(state->cancel.get()) && state->done < to_do;
    } catch (const std::exception& e) {
      state->failures.push_back(e.what());
    }
    return [&shell, state] { FinishFrame(shell, *state, msg::kBatchDone, {}); };
  });
}

// --- batch encoding conversion ---

void BatchRunner::RunConvert(BatchCommand command) {
  if (!A::OfferSave(shell_)) return;
  const text::EncodingCommand what = command == BatchCommand::kToAnsi   ? text::EncodingCommand::kToAnsi
                                     : command == BatchCommand::kToUtf8 ? text::EncodingCommand::kToUtf8
                                                                        : text::EncodingCommand::kToUnicode;
  auto state = std::make_shared<RunState>();
  state->rows = TakeRows(shell_, true, IsTxt);
  // Checked rows the command does not convert are not taken (they keep
  // their checks) but named in the final message with the converted ones'
  // leftovers, so the list accounts for every checked file.
  for (const Row& row : TakeRows(shell_, true, IsNotTxt)) {
    state->LeaveAlone(row, msg::kOnlyTxtConverted);
  }
  state->cancel = A::ResetCancel(shell_);
  StartFrame(shell_);
  TaskRunner& runner = A::Runner(shell_);
  Shell& shell = shell_;
  runner.Run([&shell, &runner, state, what]() -> Continuation {
    const int to_do = static_cast<int>(state->rows.size());
    for (const Row& row : state->rows) {
      if (!TakeNext(shell, runner, *state, row, true, to_do)) break;
      ++state->done;
      // No question per file in a batch: a file whose characters the target
      // cannot hold is left as it was and named in the final message.
      const text::ConversionReport report = text::ConvertFileEncoding(row.path, what, false);
      if (report.outcome == text::ConversionOutcome::kFailed) {
        state->Fail(row, report.error);
      } else if (report.outcome == text::ConversionOutcome::kRefusedLoss) {
        state->Fail(row, std::to_string(report.unmappable) + msg::kLossNotConverted);
      } else if (report.outcome != text::ConversionOutcome::kConverted) {
        state->LeaveAlone(row, LeftAloneReason(report));
      }
    }
    return [&shell, state] { FinishFrame(shell, *state, msg::kBatchConvertDone, {}); };
  });
}

// --- the HTML batch ---

void BatchRunner::RunHtml() {
  if (!html_) {
    A::View(shell_).ShowMessage(msg::kHtmlBatchUnavailable, kCaption, MessageIcon::kInformation);
    return;
  }
  if (!A::OfferSave(shell_)) return;
  auto state = std::make_shared<RunState>();
  state->rows = TakeRows(shell_, false, IsNotTxt);
  state->cancel = A::ResetCancel(shell_);
  StartFrame(shell_);
  TaskRunner& runner = A::Runner(shell_);
  Shell& shell = shell_;
  HtmlConverter convert = html_;
  auto appended = std::make_shared<std::vector<std::string>>();
  runner.Run([&shell, &runner, state, convert, appended]() -> Continuation {
    const int to_do = static_cast<int>(state->rows.size());
    for (const Row& row : state->rows) {
      if (!TakeNext(shell, runner, *state, row, false, to_do)) break;
      const ConvertOutcome outcome = convert(row.path, state->cancel.get());
      if (!outcome.status.ok()) {
        // The source stays; the run ends here, saying why.
        if (Cancelled(state->cancel.get())) {
          state->stopped = true;
        } else {
          state->Fail(row, outcome.status.message());
        }
        break;
      }
      ++state->done;
      const std::string txt_name = outcome.output.filename().string();
      if (outcome.appended) appended->push_back(txt_name);
      // Only now, with its text wholly on disk, does the page go.
      std::error_code ec;
      fs::remove(row.path, ec);
      if (ec) state->Fail(row, ec.message());
      runner.Post([&shell, old_name = row.name, txt_name] {
        FileList& list = A::List(shell);
        const int at = FindRow(list, old_name);
        if (at < 0) return;
        const bool absolute = fs::path(old_name).is_absolute();
        const std::string new_name =
            absolute ? (fs::path(old_name).parent_path() / txt_name).string() : txt_name;
        if (FindRow(list, new_name) >= 0) {
          // The text went into a file already listed: the page's row goes.
          const bool current = at == shell.current_row();
          list.Erase(at);
          if (current) A::OpenRow(shell, FindRow(list, new_name));
        } else {
          A::RowRenamed(shell, at, new_name, at == shell.current_row());
        }
        A::View(shell).FileListChanged();
      });
    }
    return [&shell, state, appended] {
      const std::string first = A::List(shell).empty() ? std::string() : A::List(shell).row(0).name;
      std::string message = msg::kBatchConvertDone;
      if (!appended->empty()) {
        message += msg::kBatchAppended;
        for (const std::string& name : *appended) message += "\r\n" + name;
      }
      FinishFrame(shell, *state, message, first);
    };
  });
}

}  // namespace folian::app
