// Removal of temporaries a killed writer left: only our names, only when the
// writing process is gone, never links, folders or other people's files.
#include "text/stale_temporaries.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "text/atomic_write.h"

namespace folian::text {
namespace {

namespace fs = std::filesystem;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

// The id of a process that has exited and been reaped.
long DeadPid() {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(0);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return pid;
}

std::string TempName(const std::string& target, long pid, unsigned attempt = 0) {
  return "." + target + "." + std::to_string(pid) + "." + std::to_string(attempt) +
         ".0123456789abcdef.tmp";
}

std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(StaleTemporariesTest, RecognisesOnlyOurNames) {
  EXPECT_EQ(TemporaryOwner(".a.txt.1234.0.0123456789abcdef.tmp"), 1234);
  EXPECT_EQ(TemporaryOwner(".v1.2 第一卷.txt.77.15.ffffffffffffffff.tmp"), 77);
  EXPECT_EQ(TemporaryOwner(".1234.0.0123456789abcdef.tmp"), 0) << "no target name";
  EXPECT_EQ(TemporaryOwner("a.txt.1234.0.0123456789abcdef.tmp"), 0) << "not hidden";
  EXPECT_EQ(TemporaryOwner(".a.txt.1234.16.0123456789abcdef.tmp"), 0) << "attempt out of range";
  EXPECT_EQ(TemporaryOwner(".a.txt.1234.0.0123456789ABCDEF.tmp"), 0) << "upper-case hex";
  EXPECT_EQ(TemporaryOwner(".a.txt.1234.0.0123456789abcde.tmp"), 0) << "15 hex digits";
  EXPECT_EQ(TemporaryOwner(".a.txt.12x4.0.0123456789abcdef.tmp"), 0);
  EXPECT_EQ(TemporaryOwner(".a.txt.0.0.0123456789abcdef.tmp"), 0) << "pid 0";
  EXPECT_EQ(TemporaryOwner(".a.txt.99999999999.0.0123456789abcdef.tmp"), 0);
  EXPECT_EQ(TemporaryOwner(".a.txt.1234.0.0123456789abcdef.tmp~"), 0);
  EXPECT_EQ(TemporaryOwner(".hidden.tmp"), 0);
  EXPECT_EQ(TemporaryOwner(""), 0);
}

TEST(StaleTemporariesTest, RemovesOnlyThoseOfGoneProcesses) {
  TempDir dir;
  const long dead = DeadPid();
  const std::string stale = TempName("book.txt", dead);
  const std::string mine = TempName("book.txt", ::getpid(), 1);
  const std::string alive_parent = TempName("other.txt", ::getppid());
  WriteBytes(dir / stale, "half");
  WriteBytes(dir / mine, "in use");
  WriteBytes(dir / alive_parent, "in use elsewhere");
  WriteBytes(dir / "book.txt", "the novel");
  WriteBytes(dir / ".book.txt.tmp", "someone else's");
  // A link or a folder under our name form is not something we made.
  fs::create_symlink("book.txt", dir / TempName("link.txt", dead));
  fs::create_directory(dir / TempName("dir.txt", dead));

  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 1);
  const std::vector<std::string> left = Entries(dir.path());
  EXPECT_EQ(std::count(left.begin(), left.end(), stale), 0);
  EXPECT_EQ(left.size(), 6u);
  EXPECT_EQ(ReadBytes(dir / "book.txt"), "the novel");
  EXPECT_EQ(RemoveStaleTemporaries(dir.path()), 0);
  EXPECT_EQ(RemoveStaleTemporaries(dir / "missing"), 0);
}

TEST(StaleTemporariesTest, TheFirstWriteIntoAFolderClearsIt) {
  TempDir dir;
  const long dead = DeadPid();
  WriteBytes(dir / TempName("a.txt", dead), "left by a killed run");
  std::string error;
  ASSERT_TRUE(WriteFileAtomic(dir / "b.txt", "new", &error)) << error;
  EXPECT_EQ(Entries(dir.path()), std::vector<std::string>{"b.txt"});
}

}  // namespace
}  // namespace folian::text
