#include "app/split_session.h"

#include <cstdio>

#include "app/merge_split_messages.h"
#include "app/messages.h"
#include "app/posting_progress.h"
#include "charset/codepage.h"
#include "regex/regex.h"
#include "text/atomic_write.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;

// A chapter is shown in the editor by its first few bytes.
constexpr std::size_t kChapterSelectionBytes = 6;
// No file holds this many KB; larger numbers are typing mistakes.
constexpr std::uint64_t kMaxPieceKb = std::uint64_t{1} << 40;

std::string Format(const char* format, std::size_t n, const std::string& text = {}) {
  std::vector<char> buf(text.size() + 512);
  std::snprintf(buf.data(), buf.size(), format, n, text.c_str());
  return buf.data();
}

}  // namespace

struct SplitSession::Run {
  std::shared_ptr<CancelFlag> cancel = std::make_shared<CancelFlag>(false);
};

std::uint64_t PieceBytesOfField(std::string_view field) {
  while (!field.empty() && (field.front() == ' ' || field.front() == '\t')) field.remove_prefix(1);
  while (!field.empty() && (field.back() == ' ' || field.back() == '\t')) field.remove_suffix(1);
  if (field.empty()) return 0;
  std::uint64_t kb = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return 0;
    kb = kb * 10 + static_cast<std::uint64_t>(c - '0');
    if (kb > kMaxPieceKb) return 0;
  }
  return kb << 10;
}

SplitSession::SplitSession(ShellView& view, TaskRunner& runner, SplitDocument document,
                           fs::path* split_folder)
    : view_(view),
      runner_(runner),
      document_(std::move(document)),
      split_folder_(split_folder),
      text_(std::make_shared<const std::string>(std::move(document_.gbk))) {
  document_.gbk.clear();
}

SplitSession::~SplitSession() {
  if (run_) {
    run_->cancel->store(true);
    view_.SetStatus(kStatusMessage, "");
    view_.SetProgressVisible(false);
  }
}

fs::path SplitSession::folder() const {
  return split_folder_ != nullptr && !split_folder_->empty() ? *split_folder_
                                                              : document_.working_folder;
}

std::string SplitSession::patternText() const {
  std::string out;
  for (char c : charset::GbkToUtf8(files::DefaultChapterPattern())) {
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

std::string SplitSession::chapterTitle(int index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= chapters_.size()) return {};
  return charset::GbkToUtf8(chapters_[static_cast<std::size_t>(index)].title);
}

void SplitSession::Changed() {
  if (on_change_) on_change_();
}

void SplitSession::Analyse(std::string_view pattern_utf8) {
  const std::string pattern = charset::Utf8ToGbk(pattern_utf8);
  if (pattern.empty() || text_->empty()) return;
  StopAnalysis();
  chapters_.clear();
  if (pattern.size() > files::kMaxChapterPatternBytes) {
    Changed();
    view_.ShowMessage(msg::kChapterPatternTooLong, kCaption, MessageIcon::kWarning);
    return;
  }
  auto run = std::make_shared<Run>();
  run_ = run;
  analysing_ = true;
  view_.SetStatus(kStatusMessage, msg::kAnalysingChapters);
  view_.SetProgress(0);
  view_.SetProgressVisible(true);
  Changed();
  // The worker holds the text and the flag, never the session: a closed
  // dialog's session is gone, and its analysis's result is dropped.
  std::weak_ptr<Run> weak = run;
  auto cancel = run->cancel;
  auto text = text_;
  TaskRunner& runner = runner_;
  ShellView& view = view_;
  runner_.Run([this, weak, cancel, text, pattern, &runner, &view]() -> Continuation {
    PercentProgress progress(runner, view);
    auto result = std::make_shared<files::ChapterList>(
        files::FindChapters(*text, pattern, &progress, cancel.get()));
    return [this, weak, result] {
      if (weak.lock()) FinishAnalysis(*result);
    };
  });
}

void SplitSession::StopAnalysis() {
  if (!run_) return;
  run_->cancel->store(true);
  run_.reset();
  analysing_ = false;
  view_.SetStatus(kStatusMessage, "");
  view_.SetProgressVisible(false);
  Changed();
}

void SplitSession::FinishAnalysis(const files::ChapterList& result) {
  run_.reset();
  analysing_ = false;
  view_.SetStatus(kStatusMessage, "");
  view_.SetProgressVisible(false);
  view_.SetProgress(0);
  chapters_ = result.chapters;
  Changed();
  switch (result.status) {
    case files::ChapterStatus::kBadPattern:
      view_.ShowMessage(msg::kBadChapterPattern + result.error, kCaption, MessageIcon::kWarning);
      break;
    case files::ChapterStatus::kTooLong:
      view_.ShowMessage(msg::kChapterPatternTooLong, kCaption, MessageIcon::kWarning);
      break;
    case files::ChapterStatus::kTooMany:
      view_.ShowMessage(Format(msg::kTooManyChaptersFormat, files::kMaxChapters), kCaption,
                        MessageIcon::kWarning);
      break;
    case files::ChapterStatus::kOverBudget:
      view_.ShowMessage(regex::kOverBudgetMessage, kCaption, MessageIcon::kWarning);
      break;
    case files::ChapterStatus::kOk:
    case files::ChapterStatus::kCancelled:
      break;
  }
}

void SplitSession::SelectChapter(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= chapters_.size()) return;
  const std::size_t start = chapters_[static_cast<std::size_t>(index)].offset;
  if (start > text_->size()) return;
  view_.SelectBytes(start, std::min(kChapterSelectionBytes, text_->size() - start));
}

bool SplitSession::RemoveChapter(int index) {
  if (index < 0 || !files::DropChapter(&chapters_, static_cast<std::size_t>(index))) return false;
  Changed();
  return true;
}

void SplitSession::ChooseFolder(const fs::path& folder) {
  if (split_folder_ != nullptr) *split_folder_ = folder;
}

bool SplitSession::Accept(SplitMode mode, std::string_view prefix_utf8, std::string_view size_kb) {
  const std::string prefix(prefix_utf8);
  if (!files::ValidPrefix(prefix)) {
    view_.ShowMessage(msg::kSplitBadPrefix + prefix, kCaption, MessageIcon::kWarning);
    return false;
  }
  mode_ = mode;
  replace_ = false;
  plan_ = {};
  if (mode == SplitMode::kByChapter) {
    // The list is not complete until the analysis ends.
    if (analysing_) return false;
    plan_ = files::PlanChapterSplit(*text_, chapters_, document_.encoding, folder(), prefix);
    const std::size_t lost = plan_.unmappable + document_.loaded_loss;
    if (lost > 0 &&
        view_.AskYesNoCancel(Format(msg::kSplitLossFormat, lost), kCaption) != Answer::kYes) {
      return false;
    }
  } else if (!PlanBySize(size_kb, folder(), prefix)) {
    return false;
  }
  return ConfirmPlan();
}

bool SplitSession::PlanBySize(std::string_view size_kb, const fs::path& folder,
                              const std::string& prefix) {
  const std::uint64_t bytes = PieceBytesOfField(size_kb);
  if (bytes == 0) {
    view_.ShowMessage(msg::kSplitWrongSize, kCaption, MessageIcon::kWarning);
    return false;
  }
  std::string data, error;
  if (!text::ReadWholeFile(document_.path, &data, &error)) {
    view_.ShowMessage(msg::kSplitUnreadable + error, kCaption, MessageIcon::kWarning);
    return false;
  }
  if (!files::PlanSizeSplit(data, bytes, folder, prefix, &plan_)) {
    view_.ShowMessage(msg::kSplitWrongSize, kCaption, MessageIcon::kWarning);
    return false;
  }
  return true;
}

bool SplitSession::ConfirmPlan() {
  if (files::PlanOverwrites(plan_, document_.path)) {
    view_.ShowMessage(msg::kSplitOverSource, kCaption, MessageIcon::kWarning);
    return false;
  }
  const std::vector<fs::path> taken = files::ExistingPieces(plan_);
  if (!taken.empty()) {
    const std::string question =
        Format(msg::kSplitReplaceFormat, taken.size(), taken.front().filename().string());
    if (view_.AskYesNoCancel(question, kCaption) != Answer::kYes) return false;
    replace_ = true;
  }
  return true;
}

}  // namespace folian::app
