// The tidy command: the editor's text tidied on a worker thread, written
// back in the file's encoding, the document reloaded and the report shown.
#include <chrono>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "app/messages.h"
#include "app/posting_progress.h"
#include "app/shell.h"
#include "charset/codepage.h"
#include "text/text_file.h"
#include "tidy/ad_removal.h"
#include "tidy/rule_table.h"
#include "tidy/tidy_file.h"
#include "tidy/tidy_text.h"

namespace folian::app {
namespace {

// The short-line threshold: a non-zero number in the replace field (its
// first ten characters, read as atoi reads them), else the default.
int ShortLine(const std::string& field) {
  const int n = std::atoi(field.substr(0, 10).c_str());
  return n != 0 ? n : tidy::kDefaultShortLine;
}

}  // namespace

void Shell::Tidy() {
  if (busy_ || RunBatch(BatchCommand::kTidy) || current_path_.empty()) return;
  const int row = current_row();
  struct Job {
    std::string text;
    std::filesystem::path path;
    text::StoredEncoding encoding;
    std::size_t loaded_loss = 0;
    tidy::TidyOptions options;
    int short_line = tidy::kDefaultShortLine;
    tidy::TidyReport report;
  };
  auto job = std::make_shared<Job>();
  job->text = view_.EditorText();
  job->path = current_path_;
  job->encoding = encoding_;
  job->loaded_loss = loaded_loss_;
  job->options = options_;
  job->short_line = ShortLine(view_.FieldText(kReplaceField));
  job->report.file = row >= 0 ? list_.row(row).name : current_path_.filename().string();
  job->report.size_kb =
      (row >= 0 ? std::strtoll(list_.row(row).size.c_str(), nullptr, 10) : 0) / 1024.0;
  // The full-stop option holds for one run only.
  options_.split_at_fullstop = false;

  EnterBusy();
  view_.SetProgress(0);
  view_.SetProgressVisible(true);
  cancel_ = std::make_shared<CancelFlag>(false);
  auto cancel = cancel_;
  runner_.Run([this, job, cancel]() -> Continuation {
    PostingProgress progress(runner_, view_);
    const auto t0 = std::chrono::steady_clock::now();
    try {
      tidy::TidyParams params;
      params.short_line = job->short_line;
      params.progress = &progress;
      params.cancel = cancel.get();
      std::vector<std::string> custom;
      if (job->options.has_adver && tidy::LoadCustomRules("remove.txt", &custom)) {
        params.custom = std::move(custom);
      }
      auto result = tidy::TidyText(std::move(job->text), job->options, tidy::BuiltinRules(), params);
      if (!result) {
        job->report.cancelled = true;
      } else {
        text::SaveRequest request;
        request.loaded_loss = job->loaded_loss;
        job->report.ok =
            text::SaveTextFile(job->path, *result, job->encoding, request, &job->report.error);
      }
    } catch (const std::exception& e) {
      job->report.error = e.what();
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - t0)
                        .count();
    job->report.seconds = ms == 0 ? 1.0 : ms / 1000.0;
    job->report.kb_per_sec = job->report.size_kb / job->report.seconds;
    return [this, job] {
      EnterReady();
      view_.SetStatus(kStatusMessage, "");
      // After a failed write the editor still holds the only copy of the text.
      if (job->report.ok && job->path == current_path_) LoadCurrent();
      view_.SetProgress(0);
      view_.SetProgressVisible(false);
      if (job->report.ok) {
        view_.ShowMessage(tidy::FormatReport(job->report),
                          msg::kTidyReportCaption, MessageIcon::kInformation);
      } else if (!job->report.cancelled) {
        view_.ShowMessage(std::string(msg::kTidyFailed) + job->report.error, kCaption,
                          MessageIcon::kError);
      }
    };
  });
}

}  // namespace folian::app
