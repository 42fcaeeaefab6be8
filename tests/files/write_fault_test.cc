// Merges and splits whose writes fail part way: a file size limit hit in the
// middle of a file, and a folder that cannot be written. Every source stays,
// nothing half written or temporary is left, and the failure names the file.
// The writes run in a forked child so the limit and the dropped privileges
// end with it.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>

#include "charset/codepage.h"
#include "files/merge.h"
#include "files/split.h"
#include "support/temp_dir.h"

namespace folian::files {
namespace {

namespace fs = std::filesystem;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

struct ChildLimits {
  rlim_t file_size = RLIM_INFINITY;
  bool as_nobody = false;
};

// Runs `body` in a child under `limits`; its return value is the exit code.
int InChild(const ChildLimits& limits, const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    if (limits.file_size != RLIM_INFINITY) {
      rlimit lim{limits.file_size, limits.file_size};
      if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(90);
    }
    if (limits.as_nobody && ::geteuid() == 0) {
      const passwd* nobody = ::getpwnam("nobody");
      if (nobody == nullptr || ::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0) ::_exit(91);
    }
    ::_exit(body());
  }
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

// A folder the child may read and change, with `name` files in it.
void Open(const fs::path& dir) { fs::permissions(dir, fs::perms::all); }

TEST(MergeFaultTest, FileSizeLimitMidWayLeavesEverySource) {
  TempDir dir;
  const std::string a(3000, 'a'), b(3000, 'b');
  WriteBytes(dir / "a.txt", a);
  WriteBytes(dir / "b.txt", b);
  WriteBytes(dir / "out.txt", "old merge");
  // 0: failed, said so and named the file; 1: claimed success; 2: unnamed; 3: deleted a source.
  const int code = InChild({.file_size = 4096}, [&] {
    const MergedText m = BuildMergedText(std::vector<fs::path>{dir / "a.txt", dir / "b.txt"}, true);
    const MergeOutcome o = WriteMerged(dir / "out.txt", m, /*replace_existing=*/true, true);
    if (o.written) return 1;
    if (!o.deleted.empty()) return 3;
    return o.error.find("out.txt") != std::string::npos ? 0 : 2;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadBytes(dir / "a.txt"), a);
  EXPECT_EQ(ReadBytes(dir / "b.txt"), b);
  EXPECT_EQ(ReadBytes(dir / "out.txt"), "old merge");
  EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"a.txt", "b.txt", "out.txt"}));
}

TEST(MergeFaultTest, ReadOnlyFolderLeavesEverySource) {
  if (::geteuid() == 0 && ::getpwnam("nobody") == nullptr) GTEST_SKIP() << "no user to drop to";
  TempDir dir;
  Open(dir.path());
  fs::create_directory(dir / "src");
  fs::create_directory(dir / "ro");
  Open(dir / "src");
  WriteBytes(dir / "src" / "a.txt", "a");
  WriteBytes(dir / "src" / "b.txt", "b");
  fs::permissions(dir / "src" / "a.txt", fs::perms::all);
  fs::permissions(dir / "src" / "b.txt", fs::perms::all);
  fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                  fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
  const int code = InChild({.as_nobody = true}, [&] {
    // The child can delete in src: only the order of steps keeps the sources.
    if (::access((dir / "src").c_str(), W_OK) != 0) return 4;
    const MergedText m = BuildMergedText(std::vector<fs::path>{dir / "src" / "a.txt", dir / "src" / "b.txt"}, false);
    if (m.merged.size() != 2) return 5;
    const MergeOutcome o = WriteMerged(dir / "ro" / "out.txt", m, false, true);
    if (o.written) return 1;
    if (!o.deleted.empty()) return 3;
    return o.error.find("out.txt") != std::string::npos ? 0 : 2;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Entries(dir / "src"), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_TRUE(Entries(dir / "ro").empty());
  fs::permissions(dir / "ro", fs::perms::all);
}

std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }

TEST(SplitFaultTest, FileSizeLimitNamesTheFailedPieceAndLeavesNoPiece) {
  TempDir dir;
  // Chapters of 1,000, 1,000 and 6,000 bytes: the third piece passes the limit.
  const std::string c1 = G("第一章\n") + std::string(993, 'x'), c2 = G("第二章\n") + std::string(993, 'y'),
                    c3 = G("第三章\n") + std::string(5993, 'z');
  const std::string text = c1 + c2 + c3;
  WriteBytes(dir / "book.txt", text);
  const std::vector<Chapter> chapters{{0, ""}, {c1.size(), ""}, {c1.size() + c2.size(), ""}};
  // 0: failed at piece 3 naming it; 1: claimed success; 2: wrong place or no name.
  const int code = InChild({.file_size = 4096}, [&] {
    const SplitPlan plan = PlanChapterSplit(text, chapters, {text::kBomAnsi, false}, dir.path(), "p");
    const SplitResult r = WritePieces(plan, false);
    if (r.ok()) return 1;
    return r.written == 0 && r.failed == dir / "p0003.txt" && r.error.find("p0003.txt") != std::string::npos ? 0
                                                                                                           : 2;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadBytes(dir / "book.txt"), text);
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"book.txt"}) << "all pieces or none";
}

TEST(SplitFaultTest, ReadOnlyFolderWritesNothing) {
  if (::geteuid() == 0 && ::getpwnam("nobody") == nullptr) GTEST_SKIP() << "no user to drop to";
  TempDir dir;
  Open(dir.path());
  fs::create_directory(dir / "ro");
  const std::string file = "line one\nline two\nline three\n";
  WriteBytes(dir / "ro" / "book.txt", file);
  fs::permissions(dir / "ro" / "book.txt", fs::perms::all);
  fs::permissions(dir / "ro", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                                  fs::perms::others_exec | fs::perms::group_read | fs::perms::group_exec);
  const int code = InChild({.as_nobody = true}, [&] {
    SplitPlan plan;
    if (!PlanSizeSplit(ReadBytes(dir / "ro" / "book.txt"), 9, dir / "ro", "book", &plan)) return 4;
    const SplitResult r = WritePieces(plan, true);
    if (r.ok()) return 1;
    return r.written == 0 && r.error.find("book_001.txt") != std::string::npos ? 0 : 2;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Entries(dir / "ro"), std::vector<std::string>{"book.txt"});
  EXPECT_EQ(ReadBytes(dir / "ro" / "book.txt"), file);
  fs::permissions(dir / "ro", fs::perms::all);
}

}  // namespace
}  // namespace folian::files
