// Renaming several files of one folder without ever overwriting: the plan
// shows which renames go ahead and why others are skipped, and applying it
// moves every file aside first, so swaps and chains (a→b, b→c) work too.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace folian::files {

struct RenameStep {
  std::string from;
  std::string to;       // the new name; empty when the file keeps its name
  std::string problem;  // why it is skipped (UTF-8), empty when it goes ahead
};

// Checks wanted renames (`from` → `to`, names in `folder`): a step is skipped
// when its new name is empty, holds "/", is "." or "..", names a file that
// stays where it is, or repeats a name another step takes first. Steps with
// `to` == `from` keep their name.
std::vector<RenameStep> PlanRenames(const std::filesystem::path& folder,
                                    std::vector<RenameStep> wanted);

struct RenameOutcome {
  int renamed = 0;
  std::vector<RenameStep> failed;  // with the reason in `problem`
  std::vector<RenameStep> done;
};

// Applies the steps without a problem. A file whose new name was taken in
// the meantime keeps its old name.
RenameOutcome ApplyRenames(const std::filesystem::path& folder, const std::vector<RenameStep>& plan);

// Renames `from` to `to` only when `to` does not exist (atomically where the
// file system allows it). False with `*error` otherwise.
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to,
                     std::string* error);

}  // namespace folian::files
