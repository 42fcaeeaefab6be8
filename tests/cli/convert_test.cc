// folian-cli convert end to end: output paths on stdout, messages on
// stderr, exit codes, the output folder and the append rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/chm_fixture.h"
#include "convert/pdf_fixture.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

using folian::testing::EnvVar;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

using Result = folian::testing::CliResult;

class ConvertCli : public ::testing::Test {
 protected:
  Result Run(std::vector<std::string> args) {
    args.insert(args.begin(), "convert");
    return folian::testing::RunCli(args, dir_.path());
  }
  std::string Put(const std::string& name, const std::string& bytes) {
    WriteBytes(dir_ / name, bytes);
    return (dir_ / name).string();
  }

  TempDir dir_;
  EnvVar config_{"FOLIAN_CONFIG_HOME", (dir_.path() / "config").c_str()};
};

TEST_F(ConvertCli, PrintsEachOutputOnItsOwnLine) {
  const std::string a = Put("a.htm", "<p>A</p>");
  const std::string b = Put("b.page", "<!DOCTYPE html><p>B</p>");  // named wrongly, read by its content
  const Result r = Run({a, b});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, (dir_ / "a.txt").string() + "\n" + (dir_ / "b.txt").string() + "\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadBytes(dir_ / "a.txt"), "A\r\n");
  EXPECT_EQ(ReadBytes(dir_ / "b.txt"), "B\r\n");
}

TEST_F(ConvertCli, OutputFolderIsCreatedAndUsed) {
  const std::string a = Put("a.html", "<p>A</p>");
  const Result r = Run({"-o", (dir_ / "out" / "deep").string(), a});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, (dir_ / "out" / "deep" / "a.txt").string() + "\n");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "a.txt"));
}

TEST_F(ConvertCli, FailuresGoToStderrAndTheRestIsConverted) {
  const std::string bad = Put("notes.dat", "plain bytes");
  const std::string good = Put("a.htm", "<p>A</p>");
  const Result r = Run({bad, (dir_ / "missing.htm").string(), good});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, (dir_ / "a.txt").string() + "\n");
  EXPECT_NE(r.err.find("notes.dat"), std::string::npos);
  EXPECT_NE(r.err.find("missing.htm"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "notes.txt"));
}

TEST_F(ConvertCli, AppendsLikeTheWindowUnlessToldToReplace) {
  const std::string a = Put("a.htm", "<p>A</p>");
  Put("a.txt", "old\r\n");
  Result r = Run({a});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.err.find("appended"), std::string::npos);
  EXPECT_EQ(ReadBytes(dir_ / "a.txt"), "old\r\nA\r\n");
  r = Run({"--replace", a});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(ReadBytes(dir_ / "a.txt"), "A\r\n");
}

TEST_F(ConvertCli, UsageErrors) {
  EXPECT_EQ(Run({}).code, 2);
  const Result r = Run({"--format", "nosuch", Put("a.htm", "x")});
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("nosuch"), std::string::npos);
  EXPECT_EQ(Run({"--format", "html", Put("page.dat", "<p>x</p>")}).code, 0);
}

TEST_F(ConvertCli, PdfTextAndTheUtf8Note) {
  const std::string font =
      "<< /Type /Font /Subtype /Type0 /BaseFont /X /Encoding /UniGB-UCS2-H /DescendantFonts "
      "[<< /Type /Font /Subtype /CIDFontType0 /BaseFont /X >>] >>";
  const std::string gbk = Put("zh.pdf", folian::testing::OnePage("BT /F1 12 Tf 72 720 Td <4E2D6587> Tj ET",
                                                                  {{"F1", font}}));
  const std::string thai = Put("th.pdf", folian::testing::OnePage("BT /F1 12 Tf 72 720 Td <0E01> Tj ET",
                                                                   {{"F1", font}}));
  const Result r = Run({gbk, thai});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, (dir_ / "zh.txt").string() + "\n" + (dir_ / "th.txt").string() + "\n");
  EXPECT_EQ(ReadBytes(dir_ / "zh.txt"), "\xD6\xD0\xCE\xC4") << "GBK";
  EXPECT_EQ(ReadBytes(dir_ / "th.txt"), "\xEF\xBB\xBF\xE0\xB8\x81") << "UTF-8 with a mark";
  EXPECT_NE(r.err.find("th.pdf"), std::string::npos);
  EXPECT_EQ(r.err.find("zh.pdf"), std::string::npos);
}

}  // namespace

namespace {

TEST_F(ConvertCli, ChmPagesGoIntoTheFolderWhichIsPrinted) {
  const std::string chm = Put("help.chm", folian::testing::MakeChm({{"/a.htm", "A"}, {"/d/b.html", "B"}}));
  std::filesystem::create_directory(dir_ / "out");
  Result r = Run({chm, "-o", (dir_ / "out").string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, (dir_ / "out").string() + "\n");
  EXPECT_EQ(ReadBytes(dir_ / "out" / "a.htm"), "A");
  EXPECT_EQ(ReadBytes(dir_ / "out" / "d" / "b.html"), "B");

  const std::string bad = Put("bad.chm", "ITSF and then nothing a help file needs");
  r = Run({bad});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("bad.chm"), std::string::npos) << r.err;
}

}  // namespace
