#include "app/page_folder.h"

#include <system_error>

#include "app/convert_messages.h"
#include "convert/limits.h"
#include "text/atomic_write.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;

// File names longer than this are refused by the file systems we write to.
constexpr std::size_t kMaxComponentBytes = 255;
// Folders below the output folder: deeper trees come only from hostile files.
constexpr int kMaxDepth = 32;

bool ValidComponent(std::string_view c) {
  if (c.empty() || c == "." || c == ".." || c.size() > kMaxComponentBytes) return false;
  for (char ch : c) {
    if (ch == '\0' || ch == '\\' || ch == ':' || static_cast<unsigned char>(ch) < 0x20) return false;
  }
  return true;
}

}  // namespace

FolderPageSink::FolderPageSink(fs::path root) : root_(std::move(root)) {}

fs::path FolderPageSink::Resolve(std::string_view name) const {
  if (name.empty() || name.front() == '/') return {};
  fs::path out = root_;
  int depth = 0;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t slash = name.find('/', start);
    if (slash == std::string_view::npos) slash = name.size();
    const std::string_view component = name.substr(start, slash - start);
    if (!ValidComponent(component) || ++depth > kMaxDepth) return {};
    out /= fs::path(std::string(component));
    start = slash + 1;
  }
  return out;
}

convert::Status FolderPageSink::AddFile(std::string_view name, std::string_view bytes) {
  const fs::path target = Resolve(name);
  if (target.empty()) {
    return convert::Status::Error(std::string(msg::kPageNameRefused) + std::string(name));
  }
  if (written_.size() >= convert::kMaxEntries || bytes.size() > convert::kMaxOutputBytes - bytes_) {
    return convert::Status::Error(msg::kPagesTooLarge);
  }
  // Every folder on the way is a real folder inside the root: its status is
  // taken without following links, so a planted link is not a folder.
  std::error_code ec;
  fs::path dir = root_;
  const fs::path relative = target.lexically_relative(root_);
  for (auto it = relative.begin(); it != relative.end(); ++it) {
    if (std::next(it) == relative.end()) break;
    dir /= *it;
    const fs::file_status st = fs::symlink_status(dir, ec);
    if (!fs::exists(st)) {
      if (!fs::create_directory(dir, ec) && ec) {
        return convert::Status::Error(std::string(msg::kWriteFailed) + dir.string() + ": " + ec.message());
      }
    } else if (!fs::is_directory(st)) {
      return convert::Status::Error(std::string(msg::kPageNameRefused) + std::string(name));
    }
  }
  std::string error;
  if (!text::WriteFileAtomic(target, bytes, &error)) {
    return convert::Status::Error(std::string(msg::kWriteFailed) + error);
  }
  bytes_ += bytes.size();
  written_.push_back(target);
  return convert::Status::Ok();
}

}  // namespace folian::app
