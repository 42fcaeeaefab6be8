// folian-cli convert end to end: output paths on stdout, messages on
// stderr, exit codes, the output folder and the append rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "convert/chm_fixture.h"
#include "convert/hlp_fixture.h"
#include "convert/pdf_fixture.h"
#include "convert/pe_fixture.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

using folian::testing::ReadBytes;
using folian::testing::WriteBytes;

using Result = folian::testing::CliResult;

class ConvertCli : public folian::testing::CliFixture {
 protected:
  Result Run(std::vector<std::string> args) {
    args.insert(args.begin(), "convert");
    return CliFixture::Run(args);
  }
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

TEST_F(ConvertCli, ExePagesGoIntoAFolderNamedAfterTheBookWhichIsPrinted) {
  folian::testing::PeContents book;
  book.resources = {{23, {}, 0, u"A.HTM", 0x804, "<html>A</html>"}};
  const std::string exe = Put("book.exe", folian::testing::MakePe(book).bytes);
  Result r = Run({exe});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, (dir_ / "book").string() + "\n");
  EXPECT_EQ(ReadBytes(dir_ / "book" / "A.HTM"), "<html>A</html>");

  book.resources = {{3, {}, 1, {}, 0x804, "icon"}};
  const std::string tool = Put("tool.exe", folian::testing::MakePe(book).bytes);
  r = Run({tool});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("tool.exe"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "tool"));
}

TEST_F(ConvertCli, HelpFilesGiveTextAndDamagedOnesAMessage) {
  folian::testing::HlpOptions o;
  o.title = "\xB0\xEF\xD6\xFA";  // 帮助
  o.compression = folian::testing::HlpCompression::kLz77Blocks4k;
  const std::string hlp = Put("help.hlp", folian::testing::MakeHlp(
                                              o, {folian::testing::HlpTopicHeader("\xB5\xDA\xD2\xBB"),  // 第一
                                                  folian::testing::HlpParagraphs({"\xD5\xFD\xCE\xC4"})}));  // 正文
  const std::string cut = Put("cut.hlp", ReadBytes(dir_ / "help.hlp").substr(0, 100));
  const Result r = Run({hlp, cut});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, (dir_ / "help.txt").string() + "\n");
  EXPECT_EQ(ReadBytes(dir_ / "help.txt"), "\xB0\xEF\xD6\xFA\r\n\r\n\xB5\xDA\xD2\xBB\r\n\xD5\xFD\xCE\xC4\r\n");
  EXPECT_NE(r.err.find("cut.hlp"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "cut.txt"));
}

}  // namespace
