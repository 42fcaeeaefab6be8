// Every writing command of folian-cli under write faults: a file size limit
// (EFBIG) hit part way, a full file system (ENOSPC: a small tmpfs filled up to
// its last page, when the test may mount one), a read-only target folder and a
// read-only target file.
// Each must fail with exit 1, name the file it could not write on stderr,
// leave every file that was there with its old bytes, and leave nothing new
// or temporary behind. A control run without the fault must succeed and
// change the target, so a command that writes nothing cannot pass.
//
// The faults are set up in the forked child that runs the command; as root
// the child drops to "nobody", for whom the permissions hold.
#include <gtest/gtest.h>
#include <pwd.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"
#include "support/write_faults.h"

namespace {

namespace fs = std::filesystem;
using folian::testing::ChildSetup;
using folian::testing::Differences;
using folian::testing::FaultName;
using folian::testing::FillUp;
using folian::testing::GbkText;
using folian::testing::MountSmall;
using folian::testing::Snapshot;
using Fault = folian::testing::Fault;
using folian::testing::EnvVar;
using folian::testing::ReadBytes;
using folian::testing::RunCli;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

constexpr rlim_t kLimit = folian::testing::kFaultFileSizeLimit;

// One write path: the files it starts from, its arguments, and the file it
// writes (which exists beforehand). `others_written` names a file the command
// may still complete when only the target is read-only.
struct WritePath {
  const char* name;
  std::function<std::vector<std::string>(const fs::path& dir)> prepare;
  const char* target;
  const char* others_written = "";
  // A new file written before the target: in a read-only folder the failure
  // is there, and it is that file the failure names.
  const char* written_first = nullptr;
};

const std::vector<WritePath>& WritePaths() {
  static const std::vector<WritePath> paths{
      {"tidy in place",
       [](const fs::path& d) {
         WriteBytes(d / "book.txt", GbkText(1, 200));
         return std::vector<std::string>{"tidy", (d / "book.txt").string()};
       },
       "book.txt"},
      {"tidy -o",
       [](const fs::path& d) {
         WriteBytes(d / "book.txt", GbkText(2, 200));
         WriteBytes(d / "out.txt", "old");
         return std::vector<std::string>{"tidy", "-o", (d / "out.txt").string(), (d / "book.txt").string()};
       },
       "out.txt"},
      {"tidy DIR",
       [](const fs::path& d) {
         WriteBytes(d / "a.txt", GbkText(3, 200));
         WriteBytes(d / "book.txt", GbkText(4, 200));
         return std::vector<std::string>{"tidy", d.string()};
       },
       "book.txt", "a.txt"},
      {"encode",
       [](const fs::path& d) {
         WriteBytes(d / "book.txt", GbkText(5, 200));
         return std::vector<std::string>{"encode", "--to", "utf8", (d / "book.txt").string()};
       },
       "book.txt"},
      {"convert html",
       [](const fs::path& d) {
         std::string html = "<html><body>";
         for (int i = 0; i < 100; ++i) html += "<p>" + GbkText(10 + i, 2) + "</p>";
         WriteBytes(d / "page.htm", html + "</body></html>");
         WriteBytes(d / "page.txt", "old");
         return std::vector<std::string>{"convert", "--format", "html", "--replace", (d / "page.htm").string()};
       },
       "page.txt"},
      {"merge",
       [](const fs::path& d) {
         WriteBytes(d / "a.txt", GbkText(6, 60));
         WriteBytes(d / "b.txt", GbkText(7, 60));
         WriteBytes(d / "all.txt", "old");
         return std::vector<std::string>{"merge", "--delete-sources", "--force", "-o", (d / "all.txt").string(),
                                         (d / "a.txt").string(), (d / "b.txt").string()};
       },
       "all.txt"},
      {"split --size",
       [](const fs::path& d) {
         WriteBytes(d / "book.txt", GbkText(8, 400));
         WriteBytes(d / "book_001.txt", "old");
         return std::vector<std::string>{"split", "--size", "8", "--force", (d / "book.txt").string()};
       },
       "book_001.txt"},
      {"split --chapters",
       [](const fs::path& d) {
         // "第一章"/"第二章" in GBK start the two chapters; the short preamble's
         // piece comes first and fits under every fault, yet must not stay.
         const std::string one = "\xB5\xDA\xD2\xBB\xD5\xC2\r\n", two = "\xB5\xDA\xB6\xFE\xD5\xC2\r\n";
         WriteBytes(d / "book.txt", "Title\r\n" + one + GbkText(9, 100) + two + GbkText(10, 100));
         WriteBytes(d / "book_0001.txt", "old");
         return std::vector<std::string>{"split", "--chapters", "--prefix", "book_", "--force",
                                         (d / "book.txt").string()};
       },
       "book_0001.txt", "", "book_0000.txt"},
      {"txt2umd",
       [](const fs::path& d) {
         WriteBytes(d / "book.txt", GbkText(11, 200));
         WriteBytes(d / "book.umd", "old");
         return std::vector<std::string>{"txt2umd", (d / "book.txt").string()};
       },
       "book.umd"},
      {"txt2jar",
       [](const fs::path& d) {
         WriteBytes(d / "book.txt", GbkText(12, 200));
         WriteBytes(d / "book.jar", "old");
         return std::vector<std::string>{"txt2jar", "--template", "", (d / "book.txt").string()};
       },
       "book.jar"},
      {"options set",
       [](const fs::path& d) {
         // Another section of the store makes the rewrite bigger than the limit.
         std::string ini = "[Software\\Other]\n";
         for (int i = 0; i < 300; ++i) ini += "key" + std::to_string(i) + "=some value here\n";
         WriteBytes(d / "folian.ini", ini);
         return std::vector<std::string>{"options", "set", "INDENT=3"};
       },
       "folian.ini"},
  };
  return paths;
}

constexpr fs::perms kReadOnlyDir = folian::testing::kReadOnlyDirPerms;
constexpr fs::perms kReadOnlyFile = folian::testing::kReadOnlyFilePerms;

class WriteFaultCliTest : public ::testing::TestWithParam<Fault> {
 protected:
  void SetUp() override {
    if (::geteuid() == 0 && ::getpwnam("nobody") == nullptr) GTEST_SKIP() << "no user to drop to";
    // The unprivileged child must reach the folder and run the program.
    fs::permissions(root_.path(), fs::perms::all);
  }
  TempDir root_;
};

TEST_P(WriteFaultCliTest, OriginalBytesSurviveAndTheFailureIsNamed) {
  const Fault fault = GetParam();
  int index = 0;
  for (const WritePath& path : WritePaths()) {
    SCOPED_TRACE(std::string(path.name) + " under " + FaultName(fault));
    const fs::path dir = root_ / ("case" + std::to_string(index++));
    fs::create_directory(dir);
    if (fault == Fault::kNoSpace && !MountSmall(dir)) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    folian::testing::ScopedUnmount unmount{dir, fault == Fault::kNoSpace};
    fs::permissions(dir, fs::perms::all);
    EnvVar config("FOLIAN_CONFIG_HOME", dir.c_str());
    const std::vector<std::string> args = path.prepare(dir);
    if (fault == Fault::kNoSpace) {
      ASSERT_TRUE(FillUp(dir));
    }
    for (const auto& e : fs::directory_iterator(dir)) fs::permissions(e.path(), fs::perms::all);
    const fs::path existing = dir / path.target;
    ASSERT_TRUE(fs::exists(existing));
    const auto before = Snapshot(dir);

    ChildSetup setup{.as_nobody = true, .stderr_to = root_ / "stderr.txt"};
    if (fault == Fault::kFileSize) setup.file_size = kLimit;
    if (fault == Fault::kReadOnlyFolder) fs::permissions(dir, kReadOnlyDir);
    if (fault == Fault::kReadOnlyFile) fs::permissions(existing, kReadOnlyFile);
    const int code = RunCli(args, setup);
    const std::string err = ReadBytes(root_ / "stderr.txt");
    fs::permissions(dir, fs::perms::all);
    fs::permissions(existing, fs::perms::all);

    const auto after = Snapshot(dir);
    if (fault == Fault::kNone) {
      EXPECT_EQ(code, 0) << err;
      EXPECT_NE(after.at(existing.filename().string()), before.at(existing.filename().string()))
          << "the control run did not write the target";
      continue;
    }
    EXPECT_EQ(code, 1) << err;
    const bool fails_first = fault == Fault::kReadOnlyFolder && path.written_first != nullptr;
    EXPECT_NE(err.find(fails_first ? path.written_first : path.target), std::string::npos)
        << "stderr does not name the file: " << err;
    std::string changed = Differences(before, after);
    if (fault == Fault::kReadOnlyFile && changed == std::string(" ~") + path.others_written) changed.clear();
    EXPECT_EQ(changed, "") << "files changed, vanished or appeared";
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, WriteFaultCliTest,
                         ::testing::Values(Fault::kNone, Fault::kFileSize, Fault::kNoSpace,
                                           Fault::kReadOnlyFolder, Fault::kReadOnlyFile),
                         [](const auto& info) { return folian::testing::FaultTestName(info.param); });

}  // namespace
