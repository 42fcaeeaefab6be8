// The write faults every writing path is tried under, for the command-line
// and the window's tests alike: a file size limit (EFBIG) hit part way, a
// full file system (ENOSPC: a small tmpfs filled up to its last page, when
// the test may mount one), a read-only target folder and a read-only target
// file. The faults are taken on in a forked child (child_process.h); as root
// the child drops to "nobody", for whom the permissions hold.
#pragma once

#include <errno.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "support/temp_dir.h"

namespace folian::testing {

enum class Fault { kNone, kFileSize, kNoSpace, kReadOnlyFolder, kReadOnlyFile };

inline const char* FaultName(Fault f) {
  switch (f) {
    case Fault::kNone: return "none";
    case Fault::kFileSize: return "file size limit";
    case Fault::kNoSpace: return "full file system";
    case Fault::kReadOnlyFolder: return "read-only folder";
    case Fault::kReadOnlyFile: return "read-only file";
  }
  return "";
}

// For INSTANTIATE_TEST_SUITE_P's names.
inline std::string FaultTestName(Fault f) {
  switch (f) {
    case Fault::kNone: return "Control";
    case Fault::kFileSize: return "FileSizeLimit";
    case Fault::kNoSpace: return "NoSpace";
    case Fault::kReadOnlyFolder: return "ReadOnlyFolder";
    case Fault::kReadOnlyFile: return "ReadOnlyFile";
  }
  return "";
}

// The file size limit of kFileSize: outputs are made bigger than it.
inline constexpr rlim_t kFaultFileSizeLimit = 4096;

// Random GB2312 text: it neither compresses nor tidies to less than the
// limit, so every output is bigger than kFaultFileSizeLimit.
inline std::string GbkText(unsigned seed, std::size_t lines) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> lead(0xB0, 0xD6), trail(0xA1, 0xFE);
  std::string s;
  for (std::size_t i = 0; i < lines; ++i) {
    if (i % 5 == 0) s += "  ";
    for (int c = 0; c < 30; ++c) {
      s += static_cast<char>(lead(rng));
      s += static_cast<char>(trail(rng));
    }
    s += "\r\n";
  }
  return s;
}

// Every file under `dir` (relative path -> bytes); folders as "name/".
inline std::map<std::string, std::string> Snapshot(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    const std::string name = std::filesystem::relative(e.path(), dir).string();
    if (e.is_directory()) files[name + "/"] = "";
    else files[name] = ReadBytes(e.path());
  }
  return files;
}

// The names whose bytes differ (~), vanished (-) or appeared (+); "" when none.
inline std::string Differences(const std::map<std::string, std::string>& before,
                               const std::map<std::string, std::string>& after) {
  std::string names;
  for (const auto& [name, bytes] : before) {
    if (after.count(name) == 0) names += " -" + name;
    else if (after.at(name) != bytes) names += " ~" + name;
  }
  for (const auto& [name, bytes] : after) {
    if (before.count(name) == 0) names += " +" + name;
  }
  return names;
}

// Mounts a small tmpfs on `dir` for the run of one command; false when this
// process may not mount.
inline bool MountSmall(const std::filesystem::path& dir) {
  return ::mount("tmpfs", dir.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k,mode=0777") == 0;
}

// Unmounts on leaving the scope, when mounted.
struct ScopedUnmount {
  const std::filesystem::path& dir;
  bool on;
  ~ScopedUnmount() {
    if (on) ::umount2(dir.c_str(), MNT_DETACH);
  }
};

// Fills the file system of `dir` up to its last page, so any output bigger
// than a page fails with ENOSPC.
inline bool FillUp(const std::filesystem::path& dir) {
  const std::filesystem::path filler = dir / "filler.bin";
  const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (fd < 0) return false;
  const std::string page(4096, 'f');
  off_t size = 0;
  while (::write(fd, page.data(), page.size()) == static_cast<ssize_t>(page.size())) size += 4096;
  const bool full = errno == ENOSPC && size >= 4096 && ::ftruncate(fd, size - 4096) == 0;
  ::close(fd);
  return full;
}

inline constexpr std::filesystem::perms kReadOnlyDirPerms =
    std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
    std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
    std::filesystem::perms::others_read | std::filesystem::perms::others_exec;
inline constexpr std::filesystem::perms kReadOnlyFilePerms = std::filesystem::perms::owner_read |
                                                             std::filesystem::perms::group_read |
                                                             std::filesystem::perms::others_read;

// Opens everything under `dir` to the unprivileged child.
inline void OpenToAll(const std::filesystem::path& dir) {
  std::filesystem::permissions(dir, std::filesystem::perms::all);
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) {
    std::filesystem::permissions(e.path(), std::filesystem::perms::all);
  }
}

}  // namespace folian::testing
