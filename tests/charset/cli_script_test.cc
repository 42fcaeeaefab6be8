// folian-cli script: bytes in, bytes out, exit codes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "charset/codepage.h"
#include "test_data.h"

namespace folian::charset {
namespace {

struct CliRun {
  int exit_code;
  std::string out;
};

CliRun RunCli(const std::string& args, const std::string& env = "") {
  const std::string command = env + "'" + FOLIAN_CLI_PATH + "' " + args + " 2>/dev/null";
  CliRun run{-1, {}};
  FILE* p = popen(command.c_str(), "r");
  if (!p) return run;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) run.out.append(buf, n);
  const int status = pclose(p);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class CliScript : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("folian_cli_script_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    const auto path = dir_ / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  std::filesystem::path dir_;
};

TEST_F(CliScript, FileAndStandardInput) {
  // A NUL and a CR in the middle must come through (binary-safe).
  const std::string gbk = FromWide(kGbk, u"简体\r\n发展") + std::string(1, '\0') + "x";
  const std::string want = FromWide(kGbk, u"簡體\r\n發展") + std::string(1, '\0') + "x";
  const std::string path = Write("in.txt", gbk);

  CliRun from_file = RunCli("script gb2gbk '" + path + "'");
  EXPECT_EQ(from_file.exit_code, 0);
  EXPECT_EQ(from_file.out, want);

  CliRun from_stdin = RunCli("script gb2gbk < '" + path + "'");
  EXPECT_EQ(from_stdin.exit_code, 0);
  EXPECT_EQ(from_stdin.out, want);

  CliRun big5 = RunCli("script gb2big5 '" + path + "'");
  EXPECT_EQ(big5.out, FromWide(kBig5, u"簡體\r\n發展") + std::string(1, '\0') + "x");
  const std::string big5_path = Write("big5.txt", big5.out);
  EXPECT_EQ(RunCli("script big52gb '" + big5_path + "'").out, gbk);
  EXPECT_EQ(RunCli("script gbk2gb - < '" + Write("t.txt", want) + "'").out, gbk);
}

TEST_F(CliScript, EmptyInputGivesEmptyOutput) {
  CliRun run = RunCli("script gbk2gb '" + Write("empty.txt", "") + "'");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.out, "");
}

TEST_F(CliScript, MissingConversionDataFailsWithoutOutput) {
  const std::string path = Write("in.txt", FromWide(kGbk, u"简体"));
  CliRun run = RunCli("script gb2gbk '" + path + "'", "FOLIAN_OPENCC_DATA_DIR='" + (dir_ / "none").string() + "' ");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(run.out, "");
  // An empty text needs no mapping and stays empty.
  CliRun empty = RunCli("script gb2gbk '" + Write("e.txt", "") + "'", "FOLIAN_OPENCC_DATA_DIR=/nonexistent ");
  EXPECT_EQ(empty.exit_code, 0);
}

TEST_F(CliScript, UsageAndMissingFile) {
  EXPECT_EQ(RunCli("script").exit_code, 2);
  EXPECT_EQ(RunCli("script zh2en").exit_code, 2);
  CliRun missing = RunCli("script gb2gbk '" + (dir_ / "nope.txt").string() + "'");
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(RunCli("script --help").exit_code, 0);
}

}  // namespace
}  // namespace folian::charset
