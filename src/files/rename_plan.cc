#include "files/rename_plan.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>
#include <system_error>

namespace folian::files {
namespace {

namespace fs = std::filesystem;

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(p, ec));
}

bool ValidName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

// Problems the preview shows (our own wording).
constexpr char kInvalidName[] = "新文件名无效";
constexpr char kNameExists[] = "同名文件已经存在";
constexpr char kNameTwice[] = "与另一个文件的新文件名相同";

}  // namespace

bool RenameNoReplace(const fs::path& from, const fs::path& to, std::string* error) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  int err = errno;
  if (err == EINVAL || err == ENOSYS || err == ENOTSUP) {
    // A file system without the flag: a hard link fails when the name is
    // taken, so nothing is overwritten either.
    if (::link(from.c_str(), to.c_str()) == 0) {
      if (::unlink(from.c_str()) == 0) return true;
      err = errno;
      ::unlink(to.c_str());
    } else {
      err = errno;
    }
  }
  if (error) *error = std::error_code(err, std::generic_category()).message();
  return false;
}

std::vector<RenameStep> PlanRenames(const fs::path& folder, std::vector<RenameStep> wanted) {
  for (RenameStep& step : wanted) {
    step.problem.clear();
    if (step.to == step.from) step.to.clear();
    if (!step.to.empty() && !ValidName(step.to)) step.problem = kInvalidName;
  }
  // A skipped step leaves its file in place, which may block another step:
  // repeat until no new step is skipped.
  for (bool changed = true; changed;) {
    changed = false;
    std::set<std::string> leaving;
    for (const RenameStep& step : wanted) {
      if (!step.to.empty() && step.problem.empty()) leaving.insert(step.from);
    }
    std::set<std::string> claimed;
    for (RenameStep& step : wanted) {
      if (step.to.empty() || !step.problem.empty()) continue;
      if (claimed.count(step.to) != 0) {
        step.problem = kNameTwice;
      } else if (Exists(folder / step.to) && leaving.count(step.to) == 0) {
        step.problem = kNameExists;
      } else {
        claimed.insert(step.to);
        continue;
      }
      changed = true;
      break;
    }
  }
  return wanted;
}

RenameOutcome ApplyRenames(const fs::path& folder, const std::vector<RenameStep>& plan) {
  RenameOutcome outcome;
  struct Moving {
    const RenameStep* step;
    fs::path aside;
  };
  std::vector<Moving> moving;
  // First every file steps aside, so no new name is blocked by an old one.
  int serial = 0;
  for (const RenameStep& step : plan) {
    if (step.to.empty() || !step.problem.empty()) continue;
    fs::path aside;
    do {
      aside = folder / (".folian-rename-" + std::to_string(::getpid()) + "-" +
                        std::to_string(serial++));
    } while (Exists(aside));
    std::string error;
    if (!RenameNoReplace(folder / step.from, aside, &error)) {
      outcome.failed.push_back({step.from, step.to, error});
      continue;
    }
    moving.push_back({&step, aside});
  }
  for (const Moving& m : moving) {
    std::string error;
    if (RenameNoReplace(m.aside, folder / m.step->to, &error)) {
      ++outcome.renamed;
      outcome.done.push_back(*m.step);
      continue;
    }
    std::string back_error;
    if (!RenameNoReplace(m.aside, folder / m.step->from, &back_error)) {
      error += "; " + back_error + ": " + m.aside.filename().string();
    }
    outcome.failed.push_back({m.step->from, m.step->to, error});
  }
  return outcome;
}

}  // namespace folian::files
