// The window's folder scan lists the novels and clears what a killed write
// left in the folder, but never a temporary still being written.
#include "app/folder_scan.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/temp_dir.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

TEST(FolderScanTest, ListsNovelsAndClearsStaleTemporaries) {
  TempDir dir;
  const pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ::waitpid(gone, nullptr, 0);
  const std::string stale = ".book.txt." + std::to_string(gone) + ".0.00000000000000aa.tmp";
  const std::string live = ".book.txt." + std::to_string(::getpid()) + ".0.00000000000000bb.tmp";
  WriteBytes(dir / "book.txt", "text");
  WriteBytes(dir / "Page.HTM", "<p>");
  WriteBytes(dir / "notes.doc", "x");
  WriteBytes(dir / stale, "half");
  WriteBytes(dir / live, "being written");

  const std::vector<FileRow> rows = ScanFolder(dir.path());
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, "Page.HTM");
  EXPECT_EQ(rows[1].name, "book.txt");
  EXPECT_EQ(rows[1].size, "4");
  EXPECT_FALSE(fs::exists(dir / stale));
  EXPECT_TRUE(fs::exists(dir / live));
  EXPECT_TRUE(fs::exists(dir / "notes.doc"));
}

}  // namespace
}  // namespace folian::app
