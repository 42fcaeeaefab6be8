#include "files/directory_merge.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "files/rename_plan.h"

namespace folian::files {
namespace {

namespace fs = std::filesystem;

bool IsTextFile(const fs::path& p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".txt" || ext == ".htm" || ext == ".html";
}

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(p, ec));
}

}  // namespace

fs::path FreeName(const fs::path& folder, const std::string& name) {
  if (!Exists(folder / name)) return folder / name;
  const fs::path n(name);
  const std::string stem = n.stem().string(), ext = n.extension().string();
  for (int i = 1;; ++i) {
    fs::path candidate = folder / (stem + "(" + std::to_string(i) + ")" + ext);
    if (!Exists(candidate)) return candidate;
  }
}

MergeResult MergeSubfolders(const fs::path& folder) {
  MergeResult result;
  std::error_code ec;
  const fs::path dir = fs::weakly_canonical(folder, ec);
  if (dir == dir.root_path()) {
    result.root = true;
    return result;
  }
  // Collect first: moving files while walking would show them to the walk again.
  std::vector<fs::path> found;
  fs::recursive_directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
  if (ec) {
    result.failures.push_back(dir.string() + ": " + ec.message());
    return result;
  }
  for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (ec) break;
    std::error_code type_ec;
    // Hidden folders (".git", a reader's caches) are no part of the library.
    if (it->is_directory(type_ec) && it->path().filename().string().starts_with(".")) {
      it.disable_recursion_pending();
      continue;
    }
    if (it.depth() == 0 || !IsTextFile(it->path())) continue;
    if (it->is_regular_file(type_ec) && !it->is_symlink(type_ec)) found.push_back(it->path());
  }
  std::sort(found.begin(), found.end());
  std::set<fs::path> parents;
  for (const fs::path& file : found) {
    std::string error;
    bool moved = false;
    // Another process may take the free name between looking and moving.
    for (int attempt = 0; attempt < 5 && !moved; ++attempt) {
      moved = RenameNoReplace(file, FreeName(dir, file.filename().string()), &error);
    }
    if (!moved) {
      result.failures.push_back(file.string() + ": " + error);
      continue;
    }
    ++result.files;
    parents.insert(file.parent_path());
  }
  result.folders = static_cast<int>(parents.size());
  return result;
}

}  // namespace folian::files
