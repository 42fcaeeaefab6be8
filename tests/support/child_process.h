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

}  // namespace folian::testing
