#include "app/page_folder.h"

#include <system_error>
#include <unordered_map>

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

std::string Folded(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool ValidComponent(std::string_view c) {
  if (c.empty() || c == "." || c == ".." || c.size() > kMaxComponentBytes) return false;
  for (char ch : c) {
    if (ch == '\0' || ch == '\\' || ch == ':' || static_cast<unsigned char>(ch) < 0x20) return false;
  }
  return true;
}

}  // namespace

FolderPageSink::FolderPageSink(fs::path root, bool create_root)
    : root_(std::move(root)), create_root_(create_root) {}

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
  if (create_root_ && written_.empty() && !fs::is_directory(root_, ec)) {
    if (!fs::create_directories(root_, ec) && ec) {
      return convert::Status::Error(std::string(msg::kWriteFailed) + root_.string() + ": " + ec.message());
    }
  }
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
  names_.emplace_back(name);
  return convert::Status::Ok();
}

std::vector<fs::path> FolderPageSink::InReadingOrder() const {
  std::unordered_map<std::string, std::size_t> index;
  for (std::size_t i = 0; i < names_.size(); ++i) index.emplace(Folded(names_[i]), i);
  std::vector<bool> taken(written_.size(), false);
  std::vector<fs::path> out;
  out.reserve(written_.size());
  for (const std::string& name : order_) {
    const auto it = index.find(Folded(name));
    if (it == index.end() || taken[it->second]) continue;
    taken[it->second] = true;
    out.push_back(written_[it->second]);
  }
  for (std::size_t i = 0; i < written_.size(); ++i) {
    if (!taken[i]) out.push_back(written_[i]);
  }
  return out;
}

}  // namespace folian::app
