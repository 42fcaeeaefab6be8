#include "app/convert_file.h"

#include <string>
#include <system_error>

#include "app/convert_messages.h"
#include "app/page_folder.h"
#include "app/text_append.h"
#include "convert/limits.h"
#include "convert/page_name.h"
#include "convert/text_sink.h"
#include "text/atomic_write.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;
using convert::Status;

ConvertOutcome Failed(ConvertOutcome out, std::string message) {
  out.status = Status::Error(std::move(message));
  return out;
}

}  // namespace

fs::path TextOutputPath(const fs::path& input, const fs::path& output_dir) {
  const fs::path folder = output_dir.empty() ? input.parent_path() : output_dir;
  return folder / (input.stem().string() + ".txt");
}

ConvertOutcome ConvertFile(const ConvertJob& job, const convert::ReadContext& ctx) {
  ConvertOutcome out;
  const std::string name = job.input.filename().string();
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(job.input, ec);
  if (ec) return Failed(out, msg::kReadFailed + job.input.string() + ": " + ec.message());
  if (size > convert::kMaxInputBytes) return Failed(out, msg::kConvertTooLarge + name);
  std::string input;
  std::string error;
  if (!text::ReadWholeFile(job.input, &input, &error)) return Failed(out, msg::kReadFailed + error);
  // The file may have grown since it was measured.
  if (input.size() > convert::kMaxInputBytes) return Failed(out, msg::kConvertTooLarge + name);

  out.format = job.format ? job.format : convert::DetectFormat(name, input);
  if (out.format == nullptr) return Failed(out, msg::kUnknownFormat + name);

  if (out.format->read_pages != nullptr) {
    out.output = job.output_dir.empty() ? job.input.parent_path() : job.output_dir;
    if (out.format->own_folder) out.output /= job.input.stem();
    // The folder is made only once there is a file to put in it, so a book
    // that cannot be read leaves no trace.
    FolderPageSink pages(out.output, /*create_root=*/out.format->own_folder);
    out.status = out.format->read_pages(input, pages, ctx);
    out.pages = pages.written().size();
    // Only pages go on to the HTML converter; images and other files
    // unpacked beside them stay as they are.
    for (fs::path& file : pages.InReadingOrder()) {
      if (convert::IsPageName(file.filename().string())) out.page_files.push_back(std::move(file));
    }
    return out;
  }

  out.output = TextOutputPath(job.input, job.output_dir);
  if (fs::equivalent(out.output, job.input, ec)) {
    return Failed(out, msg::kSameAsInput + job.input.string());
  }
  convert::MemorySink sink(convert::kMaxOutputBytes);
  out.status = out.format->read_text(input, sink, ctx);
  if (!out.status.ok()) return out;
  out.encoding = sink.encoding();
  input.clear();
  input.shrink_to_fit();

  std::string file;
  if (out.format->appends && !job.replace && fs::exists(out.output, ec)) {
    std::string existing;
    if (!text::ReadWholeFile(out.output, &existing, &error)) return Failed(out, msg::kReadFailed + error);
    file = JoinTextFiles(existing, sink.text(), sink.encoding());
    out.appended = true;
  } else {
    file = sink.FileBytes();
  }
  if (!text::WriteFileAtomic(out.output, file, &error)) return Failed(out, msg::kWriteFailed + error);
  out.size = file.size();
  return out;
}

}  // namespace folian::app
