#include "app/convert_commands.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "app/convert_messages.h"
#include "app/posted_progress.h"
#include "app/folder_scan.h"
#include "app/messages.h"
#include "app/shell_access.h"
#include "convert/html/site_banner.h"
#include "convert/limits.h"
#include "text/atomic_write.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;
using A = ShellAccess;

int FindRow(const FileList& list, const std::string& name) {
  for (int i = 0; i < list.size(); ++i) {
    if (list.row(i).name == name) return i;
  }
  return -1;
}

bool IsTxtName(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ext = name.substr(name.size() - 4);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".txt";
}

// The File list names files of the Working folder by their name, others by
// their full path.
std::string RowName(const Shell& shell, const fs::path& file) {
  std::error_code ec;
  if (fs::equivalent(file.parent_path(), shell.working_folder(), ec)) return file.filename().string();
  return file.string();
}

// Takes the site banners out of a saved page before it is converted; the
// page is rewritten only when there were any.
void RemoveBannersFromFile(const fs::path& page) {
  std::error_code ec;
  if (fs::file_size(page, ec) > convert::kMaxInputBytes || ec) return;
  std::string bytes;
  if (!text::ReadWholeFile(page, &bytes)) return;
  if (convert::html::RemoveSiteBanners(&bytes)) text::WriteFileAtomic(page, bytes);
}

// The unpacked pages, in the book's reading order, become the File list
// and go through the HTML batch, when the user wants their text now.
// False when the user declined (or there was nothing to offer).
bool OfferPagesToText(Shell& shell, const std::vector<fs::path>& pages) {
  std::vector<FileRow> rows;
  for (const fs::path& page : pages) {
    FileRow row = RowForFile(page);
    row.name = RowName(shell, page);
    rows.push_back(std::move(row));
  }
  if (rows.empty()) return false;
  ShellView& view = A::View(shell);
  if (!view.AskOkCancel(std::to_string(rows.size()) + msg::kOfferPagesToText, kCaption)) return false;
  if (!A::OfferSave(shell)) return false;
  A::List(shell).Assign(std::move(rows));
  shell.SetBatchMode(true);
  view.SetChecked(kBatchMode, true);
  view.FileListChanged();
  A::RunBatch(shell, BatchCommand::kHtm2Txt);
  return true;
}

// Window thread: the result into the File list, opened, and the message.
void Finish(Shell& shell, const ConverterButton& button, const ConvertOutcome& outcome,
            const std::string& source_row) {
  ShellView& view = A::View(shell);
  A::EnterReady(shell);
  view.SetProgress(0);
  view.SetProgressVisible(false);
  if (!outcome.status.ok()) {
    view.ShowMessage(outcome.status.message(), kCaption, MessageIcon::kWarning);
    return;
  }
  if (outcome.format != nullptr && outcome.format->read_pages != nullptr) {
    view.ShowMessage(button.done, kCaption, MessageIcon::kInformation);
    if (OfferPagesToText(shell, outcome.page_files)) return;
    // A rescan runs on a worker, so it comes only once nothing else will.
    std::error_code ec;
    if (fs::equivalent(outcome.output, shell.working_folder(), ec)) A::Rescan(shell);
    return;
  }
  FileList& list = A::List(shell);
  FileRow row = RowForFile(outcome.output);
  row.name = RowName(shell, outcome.output);
  // A file is listed once: a row already naming the result is replaced.
  const int existing = FindRow(list, row.name);
  int target = 0;
  if (button.source == ConverterSource::kSelectedRow) {
    const int source = FindRow(list, source_row);
    if (existing >= 0) {
      list.row(existing) = row;
      if (source >= 0 && source != existing) list.Erase(source);
    } else if (source >= 0) {
      list.row(source) = row;
    } else {
      list.Insert(0, row);
    }
    target = FindRow(list, row.name);
  } else {
    list.Erase(existing);
    list.Insert(0, row);
  }
  list.SelectOnly(target);
  view.FileListChanged();
  A::OpenRow(shell, target);
  std::string text = button.done;
  if (outcome.appended) text += msg::kAppendedTo + outcome.output.filename().string();
  if (outcome.encoding == convert::TextEncoding::kUtf8Mark && !outcome.appended) text += msg::kSavedAsUtf8;
  view.ShowMessage(text, kCaption, MessageIcon::kInformation);
}

}  // namespace

ConvertOutcome ConvertHtmlFile(const fs::path& html, const CancelFlag* cancel) {
  ConvertJob job;
  job.input = html;
  job.format = convert::FormatByName("html");
  convert::ReadContext ctx;
  ctx.cancel = cancel;
  return ConvertFile(job, ctx);
}

void ConvertCommands::Run(ControlId id) {
  const ConverterButton* button = FindConverterButton(id);
  if (button == nullptr || shell_.busy()) return;
  // The batch runner takes a starred button in batch mode.
  if (button->starred && A::RunBatch(shell_, BatchCommand::kHtm2Txt)) return;
  if (button->source == ConverterSource::kOpenDialog) {
    FromDialog(*button);
  } else {
    FromSelectedRow(*button);
  }
}

void ConvertCommands::FromDialog(const ConverterButton& button) {
  if (!A::OfferSave(shell_)) return;
  const auto file = A::View(shell_).ChooseFile(button.title, button.filter);
  if (!file) return;
  ConvertJob job;
  job.input = *file;
  job.format = convert::FormatByName(button.format);
  Start(button, std::move(job), false, {});
}

void ConvertCommands::FromSelectedRow(const ConverterButton& button) {
  const FileList& list = shell_.file_list();
  if (list.empty()) return;
  int row = list.FirstSelected();
  if (row < 0) row = shell_.current_row();
  if (row < 0) return;
  const std::string name = list.row(row).name;
  if (IsTxtName(name)) {
    A::View(shell_).ShowMessage(msg::kHtmlOnly, kCaption, MessageIcon::kInformation);
    return;
  }
  if (!A::OfferSave(shell_)) return;
  ConvertJob job;
  job.input = A::PathOfRow(shell_, row);
  job.format = convert::FormatByName(button.format);
  Start(button, std::move(job), true, name);
}

void ConvertCommands::Start(const ConverterButton& button, ConvertJob job, bool remove_banners,
                            std::string source_row) {
  ShellView& view = A::View(shell_);
  A::EnterBusy(shell_);
  view.SetProgress(0);
  view.SetProgressVisible(true);
  std::shared_ptr<CancelFlag> cancel = A::ResetCancel(shell_);
  Shell& shell = shell_;
  TaskRunner& runner = A::Runner(shell_);
  const ConverterButton* b = &button;  // a row of the static table
  runner.Run([&shell, &runner, b, job = std::move(job), remove_banners,
              source_row = std::move(source_row), cancel]() -> Continuation {
    if (remove_banners) RemoveBannersFromFile(job.input);
    PostedProgress progress(runner, A::View(shell));
    convert::ReadContext ctx;
    ctx.progress = &progress;
    ctx.cancel = cancel.get();
    auto outcome = std::make_shared<ConvertOutcome>(ConvertFile(job, ctx));
    return [&shell, b, outcome, source_row] { Finish(shell, *b, *outcome, source_row); };
  });
}

}  // namespace folian::app
