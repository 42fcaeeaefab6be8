// folian-cli end to end: output, files changed, and exit codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

using folian::testing::ReadBytes;
using folian::testing::WriteBytes;

using Result = folian::testing::CliResult;

class CliTest : public folian::testing::CliFixture {};

// "中文\r\n" in each encoding.
const std::string kGbk = "\xD6\xD0\xCE\xC4\r\n";
const std::string kUtf8 = "\xE4\xB8\xAD\xE6\x96\x87\r\n";
const std::string kLE = std::string("\xFF\xFE\x2D\x4E\x87\x65\r\0\n\0", 10);
const std::string kBE = std::string("\xFE\xFF\x4E\x2D\x65\x87\0\r\0\n", 10);

TEST_F(CliTest, UsageAndHelp) {
  EXPECT_EQ(Run({}).code, 2);
  EXPECT_EQ(Run({"--help"}).code, 0);
  for (const char* cmd : {"detect", "cat", "encode", "options"}) {
    Result r = Run({cmd, "--help"});
    EXPECT_EQ(r.code, 0) << cmd;
    EXPECT_FALSE(r.out.empty()) << cmd;
  }
  EXPECT_EQ(Run({"nosuch"}).code, 2);
  EXPECT_EQ(Run({"detect"}).code, 2);
  EXPECT_EQ(Run({"encode", Put("a.txt", kGbk)}).code, 2) << "--to is required";
  EXPECT_EQ(Run({"encode", "--to", "latin1", Put("b.txt", kGbk)}).code, 2);
  EXPECT_EQ(ReadBytes(dir_ / "b.txt"), kGbk);
}

TEST_F(CliTest, DetectNamesEachFailureAndDoesTheRest) {
  std::string le = Put("le.txt", kLE), missing = (dir_ / "missing.txt").string(),
              bare = Put("bare.txt", std::string("a\0b\0\r\0\n\0", 8));
  Result r = Run({"detect", le, missing, bare});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("missing.txt"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find(le + "\tclass 3\tcp 1200\tbom 1\t当前文件编码:UNICODE (LE)\t"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(bare + "\tclass 1\tcp 1200\tbom 0\t当前文件编码:UNICODE (LE)  *BOM\t"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(Run({"detect", le}).code, 0);
}

TEST_F(CliTest, CatPrintsTheLoadedText) {
  std::string be = Put("be.txt", kBE);
  Result gbk = Run({"cat", be});
  EXPECT_EQ(gbk.code, 0);
  EXPECT_EQ(gbk.out, kGbk);
  Result utf8 = Run({"cat", "--utf8", be});
  EXPECT_EQ(utf8.out, kUtf8);
  EXPECT_EQ(Run({"cat", (dir_ / "none.txt").string()}).code, 1);
}

TEST_F(CliTest, EncodeConvertsSkipsAndRefuses) {
  std::string le = Put("le.txt", kLE), be = Put("be.txt", kBE), htm = Put("page.htm", kLE),
              thai = Put("thai.txt", "\xEF\xBB\xBF\xE0\xB8\x81\r\n");
  Result r = Run({"encode", "--to", "ansi", le, be, htm, thai});
  EXPECT_EQ(r.code, 1) << r.out << r.err;
  EXPECT_EQ(ReadBytes(le), kGbk) << "the other files are still done";
  EXPECT_EQ(ReadBytes(be), kGbk) << "big-endian UTF-16 is converted like little-endian";
  EXPECT_EQ(ReadBytes(htm), kLE);
  EXPECT_EQ(ReadBytes(thai), "\xEF\xBB\xBF\xE0\xB8\x81\r\n");
  EXPECT_NE(r.err.find("thai.txt"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;

  Result forced = Run({"encode", "--to", "ansi", "--force", thai});
  EXPECT_EQ(forced.code, 0) << forced.err;
  EXPECT_EQ(ReadBytes(thai), "?\r\n");

  EXPECT_EQ(Run({"encode", "--to", "utf8", le}).code, 0);
  EXPECT_EQ(ReadBytes(le), "\xEF\xBB\xBF" + kUtf8);
  EXPECT_EQ(Run({"encode", "--to", "unicode", le}).code, 0);
  EXPECT_EQ(ReadBytes(le), kLE);
}

TEST_F(CliTest, OptionsShowSetReset) {
  Result shown = Run({"options"});
  EXPECT_EQ(shown.code, 0);
  EXPECT_NE(shown.out.find("PUNCCONVERT=3\n"), std::string::npos) << shown.out;
  EXPECT_EQ(Run({"options", "show"}).out, shown.out);

  Result set = Run({"options", "set", "PUNCCONVERT=1", "indent=3", "INDENTNUM2=6"});
  EXPECT_EQ(set.code, 0) << set.err;
  Result after = Run({"options", "show"});
  EXPECT_NE(after.out.find("PUNCCONVERT=1\n"), std::string::npos);
  EXPECT_NE(after.out.find("INDENT=3\n"), std::string::npos);
  EXPECT_NE(after.out.find("INDENTNUM2=6\n"), std::string::npos);
  std::string stored = ReadBytes(dir_ / "config" / "folian.ini");
  EXPECT_NE(stored.find("[Software\\Quorvel\\Tekstor\\Options]\n"), std::string::npos) << stored;

  for (const char* bad : {"BOGUS=1", "INDENT=9", "HASADVER=x", "PARAGRAPH", "NUMCONVERT="}) {
    Result r = Run({"options", "set", bad});
    EXPECT_EQ(r.code, 2) << bad;
    EXPECT_FALSE(r.err.empty()) << bad;
  }
  EXPECT_EQ(ReadBytes(dir_ / "config" / "folian.ini"), stored) << "a refused set changes nothing";

  Result reset = Run({"options", "reset"});
  EXPECT_EQ(reset.code, 0);
  EXPECT_NE(reset.out.find("PUNCCONVERT=1\n"), std::string::npos);
  EXPECT_NE(reset.out.find("INDENT=1\n"), std::string::npos);
}

TEST_F(CliTest, OptionsFailOnAnUnreadableStore) {
  std::filesystem::create_directories(dir_ / "config" / "folian.ini");
  Result r = Run({"options", "set", "INDENT=2"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("folian.ini"), std::string::npos) << r.err;
}

}  // namespace
