#include "text/stale_temporaries.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <mutex>
#include <set>
#include <system_error>

namespace folian::text {
namespace {

// The writer tries at most this many names per write (see atomic_write.cc).
constexpr unsigned long kMaxAttempt = 16;

bool AllDigits(std::string_view s) {
  if (s.empty() || s.size() > 18) return false;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

unsigned long ToNumber(std::string_view s) {
  unsigned long v = 0;
  for (char c : s) v = v * 10 + static_cast<unsigned long>(c - '0');
  return v;
}

bool AllLowerHex(std::string_view s) {
  for (char c : s) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// Splits the last dot-separated field off `*rest`.
bool PopField(std::string_view* rest, std::string_view* field) {
  const auto dot = rest->rfind('.');
  if (dot == std::string_view::npos) return false;
  *field = rest->substr(dot + 1);
  *rest = rest->substr(0, dot);
  return true;
}

bool ProcessGone(long pid) {
  if (pid <= 0 || pid == static_cast<long>(::getpid())) return false;
  // EPERM means it exists under another user: it may still be writing.
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

long TemporaryOwner(std::string_view name) {
  constexpr std::string_view kSuffix = ".tmp";
  if (name.size() < 2 || name.front() != '.' || !name.ends_with(kSuffix)) return 0;
  std::string_view rest = name.substr(1, name.size() - 1 - kSuffix.size());
  std::string_view hex, attempt, pid;
  if (!PopField(&rest, &hex) || hex.size() != 16 || !AllLowerHex(hex)) return 0;
  if (!PopField(&rest, &attempt) || !AllDigits(attempt) || ToNumber(attempt) >= kMaxAttempt) return 0;
  if (!PopField(&rest, &pid) || !AllDigits(pid)) return 0;
  // What is left is the target's own name, which may itself contain dots.
  if (rest.empty()) return 0;
  const unsigned long value = ToNumber(pid);
  if (value == 0 || value > 0x7fffffffUL) return 0;
  return static_cast<long>(value);
}

int RemoveStaleTemporaries(const std::filesystem::path& folder_in) {
  namespace fs = std::filesystem;
  const fs::path folder = folder_in.empty() ? fs::path(".") : folder_in;
  std::error_code ec;
  int removed = 0;
  fs::directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const long pid = TemporaryOwner(name);
    if (pid == 0) continue;
    struct stat st {};
    // lstat: a link of that name is not ours, whatever it points to.
    if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (st.st_uid != ::geteuid()) continue;
    if (!ProcessGone(pid)) continue;
    if (::unlink(it->path().c_str()) == 0) ++removed;
  }
  return removed;
}

void RemoveStaleTemporariesOnce(const std::filesystem::path& folder) {
  static std::mutex mu;
  static std::set<std::filesystem::path>* done = new std::set<std::filesystem::path>;
  std::error_code ec;
  std::filesystem::path key = std::filesystem::absolute(folder.empty() ? "." : folder, ec);
  if (ec) key = folder;
  {
    std::lock_guard<std::mutex> lock(mu);
    if (!done->insert(key.lexically_normal()).second) return;
  }
  (void)RemoveStaleTemporaries(folder);
}

}  // namespace folian::text
