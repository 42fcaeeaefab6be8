// folian-cli script: bytes in, bytes out, exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "charset/codepage.h"
#include "support/cli_run.h"

namespace folian::charset {
namespace {

using folian::testing::CliResult;

class CliScript : public folian::testing::CliFixture {
 protected:
  // "folian-cli script ARGS", standard input from `input` when given.
  CliResult Script(std::vector<std::string> args, const std::filesystem::path& input = {}) {
    args.insert(args.begin(), "script");
    return Run(args, input);
  }
};

TEST_F(CliScript, FileAndStandardInput) {
  // A NUL and a CR in the middle must come through (binary-safe).
  const std::string gbk = FromWide(kGbk, u"简体\r\n发展") + std::string(1, '\0') + "x";
  const std::string want = FromWide(kGbk, u"簡體\r\n發展") + std::string(1, '\0') + "x";
  const std::string path = Put("in.txt", gbk);

  const CliResult from_file = Script({"gb2gbk", path});
  EXPECT_EQ(from_file.code, 0);
  EXPECT_EQ(from_file.out, want);

  const CliResult from_stdin = Script({"gb2gbk"}, path);
  EXPECT_EQ(from_stdin.code, 0);
  EXPECT_EQ(from_stdin.out, want);

  const CliResult big5 = Script({"gb2big5", path});
  EXPECT_EQ(big5.out, FromWide(kBig5, u"簡體\r\n發展") + std::string(1, '\0') + "x");
  EXPECT_EQ(Script({"big52gb", Put("big5.txt", big5.out)}).out, gbk);
  EXPECT_EQ(Script({"gbk2gb", "-"}, Put("t.txt", want)).out, gbk);
}

TEST_F(CliScript, EmptyInputGivesEmptyOutput) {
  const CliResult run = Script({"gbk2gb", Put("empty.txt", "")});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "");
}

TEST_F(CliScript, MissingConversionDataFailsWithoutOutput) {
  folian::testing::EnvVar data("FOLIAN_OPENCC_DATA_DIR", (dir_ / "none").c_str());
  const CliResult run = Script({"gb2gbk", Put("in.txt", FromWide(kGbk, u"简体"))});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.out, "");
  // An empty text needs no mapping and stays empty.
  EXPECT_EQ(Script({"gb2gbk", Put("e.txt", "")}).code, 0);
}

TEST_F(CliScript, UsageAndMissingFile) {
  EXPECT_EQ(Script({}).code, 2);
  EXPECT_EQ(Script({"zh2en"}).code, 2);
  const CliResult missing = Script({"gb2gbk", (dir_ / "nope.txt").string()});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(Script({"--help"}).code, 0);
}

}  // namespace
}  // namespace folian::charset
