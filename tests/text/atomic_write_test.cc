#include "text/atomic_write.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "support/temp_dir.h"

namespace folian::text {
namespace {

using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

std::size_t EntriesIn(const std::filesystem::path& dir) {
  std::size_t n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

TEST(AtomicWriteTest, CreatesReplacesAndKeepsPermissions) {
  TempDir dir;
  auto target = dir / "novel.txt";
  std::string error;
  ASSERT_TRUE(WriteFileAtomic(target, "first", &error)) << error;
  EXPECT_EQ(ReadBytes(target), "first");

  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomic(target, std::string("sec\0ond", 7), &error)) << error;
  EXPECT_EQ(ReadBytes(target), std::string("sec\0ond", 7));
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(EntriesIn(dir.path()), 1u) << "no temporary file may be left behind";

  ASSERT_TRUE(WriteFileAtomic(target, "", &error)) << error;
  EXPECT_EQ(ReadBytes(target), "");
}

TEST(AtomicWriteTest, WritesThroughSymlinkToItsTarget) {
  TempDir dir;
  WriteBytes(dir / "real.txt", "old");
  std::filesystem::create_symlink("real.txt", dir / "link.txt");
  ASSERT_TRUE(WriteFileAtomic(dir / "link.txt", "new"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.txt"));
  EXPECT_EQ(ReadBytes(dir / "real.txt"), "new");
}

TEST(AtomicWriteTest, ReadOnlyFileIsNotReplaced) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  TempDir dir;
  auto target = dir / "ro.txt";
  WriteBytes(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(target, "new", &error));
  EXPECT_NE(error.find("ro.txt"), std::string::npos) << error;
  EXPECT_EQ(ReadBytes(target), "old");
}

TEST(AtomicWriteTest, FailuresNameTheFileAndLeaveNothing) {
  TempDir dir;
  std::string error;
  std::filesystem::create_directory(dir / "sub");
  EXPECT_FALSE(WriteFileAtomic(dir / "sub", "x", &error));
  EXPECT_NE(error.find("sub"), std::string::npos) << error;

  error.clear();
  EXPECT_FALSE(WriteFileAtomic(dir / "missing" / "a.txt", "x", &error));
  EXPECT_NE(error.find("a.txt"), std::string::npos) << error;
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

// The write fails half way (file size limit) in a child process: the old
// content must still be there, whole, and no temporary file may remain. A
// writer that truncates the target first would leave it cut short here.
TEST(AtomicWriteTest, FailedWriteLeavesTheOldFileIntact) {
  TempDir dir;
  auto target = dir / "keep.txt";
  const std::string old_content(3000, 'o');
  WriteBytes(target, old_content);
  const std::string big(64 * 1024, 'n');

  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit lim{8192, 8192};
    if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(3);
    std::string error;
    bool ok = WriteFileAtomic(target, big, &error);
    // 0: failed and said why, naming the file.
    ::_exit(ok ? 1 : (error.find("keep.txt") != std::string::npos ? 0 : 2));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported success, 2: error without the file name";
  EXPECT_EQ(ReadBytes(target), old_content);
  EXPECT_EQ(EntriesIn(dir.path()), 1u);
}

TEST(AtomicWriteTest, KeepModeNeverReplacesAFile) {
  TempDir dir;
  std::string error;
  ASSERT_TRUE(WriteFileAtomic(dir / "new.txt", "fresh", &error, ExistingFile::kKeep)) << error;
  EXPECT_EQ(ReadBytes(dir / "new.txt"), "fresh");

  EXPECT_FALSE(WriteFileAtomic(dir / "new.txt", "other", &error, ExistingFile::kKeep));
  EXPECT_NE(error.find("new.txt"), std::string::npos) << error;
  EXPECT_EQ(ReadBytes(dir / "new.txt"), "fresh");
  // A dangling link is a taken name too: nothing is created where it points.
  std::filesystem::create_symlink("gone.txt", dir / "link.txt");
  EXPECT_FALSE(WriteFileAtomic(dir / "link.txt", "x", &error, ExistingFile::kKeep));
  EXPECT_FALSE(std::filesystem::exists(dir / "gone.txt"));
  EXPECT_EQ(EntriesIn(dir.path()), 2u) << "no temporary file may be left behind";

  // A staged file whose name is taken before it is committed: the commit
  // fails by name, removes its temporary file and keeps the newcomer.
  StagedFile staged;
  ASSERT_TRUE(StageFile(dir / "late.txt", "staged", &staged, &error, ExistingFile::kKeep)) << error;
  EXPECT_FALSE(staged.replaces);
  EXPECT_FALSE(std::filesystem::exists(dir / "late.txt")) << "staging alone puts nothing in place";
  WriteBytes(dir / "late.txt", "newcomer");
  EXPECT_FALSE(CommitStaged(staged, &error));
  EXPECT_NE(error.find("late.txt"), std::string::npos) << error;
  EXPECT_EQ(ReadBytes(dir / "late.txt"), "newcomer");
  // Discarded, a staged replacement leaves the old file as it was.
  ASSERT_TRUE(StageFile(dir / "late.txt", "other", &staged, &error)) << error;
  EXPECT_TRUE(staged.replaces);
  DiscardStaged(staged);
  EXPECT_EQ(ReadBytes(dir / "late.txt"), "newcomer");
  EXPECT_EQ(EntriesIn(dir.path()), 3u) << "no temporary file may be left behind";
}

TEST(AtomicWriteTest, FolderSyncLeftToTheCallerStillWritesWholeFiles) {
  TempDir dir;
  std::string error;
  for (const char* name : {"a.txt", "b.txt"}) {
    ASSERT_TRUE(WriteFileAtomic(dir / name, name, &error, ExistingFile::kKeep, FolderSync::kByCaller))
        << error;
  }
  EXPECT_TRUE(SyncFolder(dir.path(), &error)) << error;
  EXPECT_EQ(ReadBytes(dir / "b.txt"), "b.txt");
  EXPECT_EQ(EntriesIn(dir.path()), 2u);
  EXPECT_FALSE(SyncFolder(dir / "missing", &error));
  EXPECT_NE(error.find("missing"), std::string::npos) << error;
}

TEST(ReadWholeFileTest, ReadsBytesAndReportsErrors) {
  TempDir dir;
  std::string data(200000, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 7);
  WriteBytes(dir / "b.bin", data);
  std::string got, error;
  ASSERT_TRUE(ReadWholeFile(dir / "b.bin", &got, &error)) << error;
  EXPECT_EQ(got, data);
  EXPECT_FALSE(ReadWholeFile(dir / "none.txt", &got, &error));
  EXPECT_NE(error.find("none.txt"), std::string::npos);
  EXPECT_FALSE(ReadWholeFile(dir.path(), &got, &error));
}

TEST(ReadWholeFileTest, FilesAndStreamsOverTheCapAreRefusedByName) {
  TempDir dir;
  WriteBytes(dir / "ten.txt", "0123456789");
  std::string got = "kept", error;
  EXPECT_TRUE(ReadWholeFile(dir / "ten.txt", &got, &error, 10));
  EXPECT_EQ(got, "0123456789");
  got = "kept";
  EXPECT_FALSE(ReadWholeFile(dir / "ten.txt", &got, &error, 9));
  EXPECT_EQ(got, "kept");
  EXPECT_NE(error.find("ten.txt"), std::string::npos) << error;
  // The text cap by default, checked before a byte is read: a sparse file
  // one byte over it takes no memory.
  const std::filesystem::path big = dir / "big.txt";
  WriteBytes(big, "x");
  ASSERT_EQ(::truncate(big.c_str(), static_cast<off_t>(kMaxTextFileBytes + 1)), 0);
  EXPECT_FALSE(ReadWholeFile(big, &got, &error));
  EXPECT_NE(error.find("big.txt"), std::string::npos) << error;
  EXPECT_NE(error.find("1024 MB"), std::string::npos) << error;
  // A pipe has no size: the bytes are counted as they come.
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::write(fds[1], "0123456789", 10), 10);
  ::close(fds[1]);
  EXPECT_FALSE(ReadWholeStream(fds[0], "-", &got, &error, 9));
  EXPECT_NE(error.find("\"-\""), std::string::npos) << error;
  ::close(fds[0]);
  ASSERT_EQ(::pipe(fds), 0);
  ASSERT_EQ(::write(fds[1], "0123456789", 10), 10);
  ::close(fds[1]);
  EXPECT_TRUE(ReadWholeStream(fds[0], "-", &got, &error, 10));
  EXPECT_EQ(got, "0123456789");
  ::close(fds[0]);
}

}  // namespace
}  // namespace folian::text
