#include "text/atomic_write.h"

#include <fcntl.h>
#include <fmt/core.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <system_error>

#include "text/stale_temporaries.h"

namespace folian::text {
namespace {

std::string Describe(const std::filesystem::path& path, const char* what, int err) {
  return fmt::format("\"{}\": {}: {}", path.string(), what, std::strerror(err));
}

void SetError(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
}

// A name nobody else is using; O_EXCL makes the final decision.
std::filesystem::path TempNameNear(const std::filesystem::path& target, unsigned attempt) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".%ld.%u.%016llx.tmp", static_cast<long>(getpid()), attempt,
                static_cast<unsigned long long>(rng()));
  std::filesystem::path name = target.filename();
  name += suffix;
  // Hidden, so a folder listing running meanwhile does not pick it up.
  return target.parent_path() / std::string(".").append(name.string());
}

bool WriteAll(int fd, std::string_view data) {
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (n == 0) {
      errno = EIO;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// Renames `from` to `to` unless `to` exists; errno says why it failed.
bool RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  // The file is in place under its new name; the temporary name only goes.
  ::unlink(from.c_str());
  return true;
}

}  // namespace

bool StageFile(const std::filesystem::path& target_in, std::string_view data, StagedFile* staged,
               std::string* error, ExistingFile existing) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target = target_in;
  const bool keep = existing == ExistingFile::kKeep;
  if (keep && fs::exists(fs::symlink_status(target, ec))) {
    SetError(error, Describe(target_in, "cannot create", EEXIST));
    return false;
  }
  // Write through a symbolic link to the file it names rather than replacing the link.
  if (fs::is_symlink(fs::symlink_status(target, ec))) {
    fs::path resolved = fs::weakly_canonical(target, ec);
    if (ec) {
      SetError(error, Describe(target_in, "cannot resolve link", ec.value()));
      return false;
    }
    target = resolved;
  }

  mode_t mode = 0666;
  bool keep_owner = false;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      SetError(error, Describe(target_in, "cannot write", EISDIR));
      return false;
    }
    // Renaming would get past a read-only mark that an ordinary write respects.
    if (::access(target.c_str(), W_OK) != 0) {
      SetError(error, Describe(target_in, "cannot write", errno));
      return false;
    }
    mode = st.st_mode & 07777;
    keep_owner = true;
  } else {
    // A new file gets what the umask allows, as an ordinary create would.
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }

  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  RemoveStaleTemporariesOnce(dir);
  fs::path temp;
  int fd = -1;
  for (unsigned attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temp = TempNameNear(target, attempt);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    SetError(error, Describe(target_in, "cannot create a temporary file", errno));
    return false;
  }

  auto fail = [&](const char* what, int err) {
    if (fd >= 0) ::close(fd);
    ::unlink(temp.c_str());
    SetError(error, Describe(target_in, what, err));
    return false;
  };

  if (!WriteAll(fd, data)) return fail("write failed", errno);
  if (::fchmod(fd, mode) != 0) return fail("cannot set permissions", errno);
  if (keep_owner && (st.st_uid != ::geteuid() || st.st_gid != ::getegid())) {
    // Best effort: only a privileged writer can hand the file back to its owner.
    if (::fchown(fd, st.st_uid, st.st_gid) != 0) (void)0;
  }
  if (::fsync(fd) != 0) return fail("flush failed", errno);
  int rc = ::close(fd);
  fd = -1;
  if (rc != 0) return fail("close failed", errno);
  *staged = StagedFile{target, target_in, temp, existing, keep_owner};
  return true;
}

bool CommitStaged(const StagedFile& staged, std::string* error) {
  bool ok = false;
  const char* what = "cannot replace the file";
  if (staged.existing == ExistingFile::kKeep) {
    // The name may have been taken since it was staged: only a rename that
    // refuses to replace (or a hard link, which fails on a taken name) is safe.
    ok = RenameNoReplace(staged.temp, staged.target);
    what = "cannot create";
  } else {
    ok = ::rename(staged.temp.c_str(), staged.target.c_str()) == 0;
  }
  if (ok) return true;
  const int err = errno;
  ::unlink(staged.temp.c_str());
  SetError(error, Describe(staged.shown, what, err));
  return false;
}

void DiscardStaged(const StagedFile& staged) { ::unlink(staged.temp.c_str()); }

bool WriteFileAtomic(const std::filesystem::path& target, std::string_view data, std::string* error,
                     ExistingFile existing, FolderSync sync) {
  StagedFile staged;
  if (!StageFile(target, data, &staged, error, existing)) return false;
  if (!CommitStaged(staged, error)) return false;
  // Make the rename itself durable; failure here does not undo a complete write.
  if (sync == FolderSync::kNow) {
    std::filesystem::path dir = staged.target.parent_path();
    (void)SyncFolder(dir.empty() ? "." : dir);
  }
  return true;
}

bool SyncFolder(const std::filesystem::path& folder_in, std::string* error) {
  const std::filesystem::path folder = folder_in.empty() ? "." : folder_in;
  const int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd < 0) {
    SetError(error, Describe(folder, "cannot open folder", errno));
    return false;
  }
  const bool ok = ::fsync(dfd) == 0;
  const int err = errno;
  ::close(dfd);
  if (!ok) SetError(error, Describe(folder, "flush failed", err));
  return ok;
}

bool ReadWholeStream(int fd, const std::filesystem::path& name, std::string* data, std::string* error,
                     std::uint64_t max_bytes) {
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    SetError(error, Describe(name, "cannot read", EISDIR));
    return false;
  }
  const auto too_large = [&] {
    SetError(error, fmt::format("\"{}\": ", name.string()) + fmt::format(kTooLargeFormat, max_bytes >> 20));
    return false;
  };
  if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) > max_bytes) return too_large();
  std::string out;
  if (S_ISREG(st.st_mode) && st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetError(error, Describe(name, "read failed", errno));
      return false;
    }
    if (n == 0) break;
    // A pipe or a file still growing has no size to check beforehand.
    if (static_cast<std::uint64_t>(n) > max_bytes - out.size()) return too_large();
    out.append(buf, static_cast<std::size_t>(n));
  }
  *data = std::move(out);
  return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string* data, std::string* error,
                   std::uint64_t max_bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetError(error, Describe(path, "cannot open", errno));
    return false;
  }
  const bool ok = ReadWholeStream(fd, path, data, error, max_bytes);
  ::close(fd);
  return ok;
}

}  // namespace folian::text
