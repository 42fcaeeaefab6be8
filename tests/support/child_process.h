// Runs folian-cli in a forked child that may first take on limits (a file
// size cap, an unprivileged user) the test process must not keep; the child
// can also be killed at any moment.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <filesystem>
#include <string>
#include <vector>

namespace folian::testing {

struct ChildSetup {
  rlim_t file_size = RLIM_INFINITY;  // RLIMIT_FSIZE in bytes
  bool as_nobody = false;            // drop to "nobody" when running as root
  std::filesystem::path stderr_to;   // empty: /dev/null
};

// Exit codes of a child whose setup failed, so a test can tell them apart.
inline constexpr int kSetupFailed = 120;

// In a forked child: takes on `setup` (stderr to its file, stdout to
// /dev/null), or exits with a kSetupFailed code.
inline void ApplyChildSetup(const ChildSetup& setup, const std::string& err_path) {
  const int out = ::open("/dev/null", O_WRONLY);
  const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(kSetupFailed);
  // Ignored, the limit makes write() fail with EFBIG instead of killing; the
  // disposition survives exec.
  std::signal(SIGXFSZ, SIG_IGN);
  if (setup.file_size != RLIM_INFINITY) {
    rlimit lim{setup.file_size, setup.file_size};
    if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(kSetupFailed + 1);
  }
  if (setup.as_nobody && ::geteuid() == 0) {
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr || ::setgroups(0, nullptr) != 0 || ::setgid(nobody->pw_gid) != 0 ||
        ::setuid(nobody->pw_uid) != 0)
      ::_exit(kSetupFailed + 2);
  }
}

// Starts FOLIAN_CLI_PATH with `args`; returns the child's id (or -1).
inline pid_t SpawnCli(const std::vector<std::string>& args, const ChildSetup& setup = {}) {
  std::vector<std::string> all{FOLIAN_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string err_path = setup.stderr_to.empty() ? "/dev/null" : setup.stderr_to.string();
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  ApplyChildSetup(setup, err_path);
  ::execv(argv[0], argv.data());
  ::_exit(kSetupFailed + 3);
}

// Waits for `pid`: its exit code, or -N when signal N ended it.
inline int WaitChild(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1000;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return -WTERMSIG(status);
  return -1000;
}

inline int RunCli(const std::vector<std::string>& args, const ChildSetup& setup = {}) {
  const pid_t pid = SpawnCli(args, setup);
  return pid < 0 ? -1000 : WaitChild(pid);
}

// Runs `body` in a forked child under `setup`, for in-process code (the
// window's commands) that must meet the same limits as a command; returns
// its result as the child's exit code. The child ends with _exit, so
// nothing of the test process (scratch folders) is torn down twice.
inline int RunInChild(const std::function<int()>& body, const ChildSetup& setup = {}) {
  const std::string err_path = setup.stderr_to.empty() ? "/dev/null" : setup.stderr_to.string();
  const pid_t pid = ::fork();
  if (pid < 0) return -1000;
  if (pid == 0) {
    ApplyChildSetup(setup, err_path);
    int code = kSetupFailed + 4;
    try {
      code = body();
    } catch (...) {
    }
    std::fflush(nullptr);
    ::_exit(code);
  }
  return WaitChild(pid);
}

// Peak resident memory (KB) of `body` run in a forked child, with its exit
// code; a test of a memory bound measures the child alone.
struct ChildUsage {
  int code = -1000;
  long max_rss_kb = 0;
};
inline ChildUsage MeasureInChild(const std::function<int()>& body) {
  ChildUsage usage;
  std::fflush(nullptr);
  const pid_t pid = ::fork();
  if (pid < 0) return usage;
  if (pid == 0) {
    int code = kSetupFailed + 4;
    try {
      code = body();
    } catch (...) {
    }
    std::fflush(nullptr);
    ::_exit(code);
  }
  int status = 0;
  rusage ru{};
  while (::wait4(pid, &status, 0, &ru) < 0) {
    if (errno != EINTR) return usage;
  }
  usage.code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
  usage.max_rss_kb = ru.ru_maxrss;
  return usage;
}

// The same for folian-cli with `args` (stdin from `stdin_from` when given).
inline ChildUsage MeasureCli(const std::vector<std::string>& args, const std::filesystem::path& stdin_from = {},
                             const std::filesystem::path& stderr_to = {}) {
  return MeasureInChild([&] {
    if (!stdin_from.empty()) {
      const int in = ::open(stdin_from.c_str(), O_RDONLY);
      if (in < 0 || ::dup2(in, 0) < 0) return kSetupFailed;
    }
    ChildSetup setup;
    setup.stderr_to = stderr_to;
    ApplyChildSetup(setup, stderr_to.empty() ? "/dev/null" : stderr_to.string());
    std::vector<std::string> all{FOLIAN_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execv(argv[0], argv.data());
    return kSetupFailed + 3;
  });
}

}  // namespace folian::testing
