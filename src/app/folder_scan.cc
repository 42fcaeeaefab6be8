#include "app/folder_scan.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <system_error>

#include "text/stale_temporaries.h"

namespace folian::app {
namespace {

std::string Lower(std::string s) {
  for (char& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

std::string FormatTime(std::time_t t, const char* format) {
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) return {};
  char buf[64];
  std::snprintf(buf, sizeof buf, format, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                local.tm_hour, local.tm_min, local.tm_sec);
  return buf;
}

}  // namespace

bool IsListedExtension(const std::filesystem::path& name) {
  const std::string ext = Lower(name.extension().string());
  return ext == ".txt" || ext == ".htm" || ext == ".html";
}

FileRow RowForFile(const std::filesystem::path& path) {
  FileRow row;
  row.name = path.filename().string();
  struct statx sx {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_SIZE | STATX_BTIME | STATX_MTIME, &sx) == 0) {
    // The size column holds the low 32 bits, as the list always has.
    row.size = std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(sx.stx_size)));
    if (sx.stx_mask & STATX_BTIME) {
      row.created = FormatTime(static_cast<std::time_t>(sx.stx_btime.tv_sec),
                               "%04d.%02d.%02d %02d:%02d:%02d\n");
    }
    if (sx.stx_mask & STATX_MTIME) {
      row.modified = FormatTime(static_cast<std::time_t>(sx.stx_mtime.tv_sec),
                                "%04d-%02d-%02d %02d:%02d:%02d\n");
    }
  } else {
    row.size = "0";
  }
  return row;
}

std::vector<FileRow> ScanFolder(const std::filesystem::path& folder, const CancelFlag* cancel) {
  std::vector<std::filesystem::path> files;
  // What a killed write left in the folder goes before the user sees the list.
  text::RemoveStaleTemporaries(folder);
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    if (Cancelled(cancel)) return {};
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec)) continue;
    if (IsListedExtension(it->path().filename())) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end(),
            [](const auto& a, const auto& b) { return a.filename().string() < b.filename().string(); });
  std::vector<FileRow> rows;
  rows.reserve(files.size());
  for (const auto& f : files) rows.push_back(RowForFile(f));
  return rows;
}

}  // namespace folian::app
