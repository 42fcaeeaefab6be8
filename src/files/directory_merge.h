// Directory merge: the text files (".txt", ".htm", ".html") of every folder
// below a folder are moved up into it. Nothing is overwritten: a name that is
// taken gets a number, "name(1).txt", "name(2).txt", …. Emptied folders stay;
// hidden folders (names starting with ".") and links are not entered.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace folian::files {

struct MergeResult {
  bool root = false;     // the folder is a file system root: nothing was done
  int folders = 0;       // subfolders at least one file came out of
  int files = 0;         // files moved
  std::vector<std::string> failures;  // "path: reason"
};

MergeResult MergeSubfolders(const std::filesystem::path& folder);

// `name` if free in `folder`, else the first free "stem(n)ext".
std::filesystem::path FreeName(const std::filesystem::path& folder, const std::string& name);

}  // namespace folian::files
