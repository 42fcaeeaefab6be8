// folian-cli txt2umd and txt2jar end to end: the book's path on stdout,
// notes and errors on stderr, exit codes, and the template option.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

using folian::testing::ReadBytes;
using folian::testing::WriteBytes;

using Result = folian::testing::CliResult;

class BookCliTest : public folian::testing::CliFixture {};

const std::string kUtf8 = "\xE7\xAC\xAC\xE4\xB8\x80\xE5\x9B\x9E\r\n";  // 第一回, no mark

TEST_F(BookCliTest, Txt2UmdPrintsTheBooksPath) {
  const std::string src = Put("第一回.txt", kUtf8);
  Result r = Run({"txt2umd", "--title", "书名", "--author", "作者", src});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, (dir_ / "第一回.umd").string() + "\n");
  EXPECT_EQ(ReadBytes(dir_ / "第一回.umd").substr(0, 4), "\x89\x9B\x9A\xDE");

  r = Run({"txt2umd", (dir_ / "missing.txt").string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("missing.txt"), std::string::npos) << r.err;
  EXPECT_EQ(Run({"txt2umd"}).code, 2);
  EXPECT_EQ(Run({"txt2umd", "--help"}).code, 0);
}

TEST_F(BookCliTest, Txt2JarUsesTheGivenOrStoredTemplate) {
  const std::string src = Put("book.txt", kUtf8);
  Result r = Run({"txt2jar", src});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, (dir_ / "book.jar").string() + "\n");
  EXPECT_NE(r.err.find("不含手机上的阅读程序"), std::string::npos) << r.err;

  const std::string tmpl = Put("reader.jar", ReadBytes(dir_ / "book.jar"));
  r = Run({"txt2jar", "--template", tmpl, src});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("复制 1 个条目"), std::string::npos) << r.err;

  // Stored in the settings, shown by options, and used without --template.
  ASSERT_EQ(Run({"options", "set", "JARTEMPLATE=" + (dir_ / "gone.jar").string()}).code, 0);
  EXPECT_NE(Run({"options"}).out.find("JARTEMPLATE=" + (dir_ / "gone.jar").string() + "\n"),
            std::string::npos);
  const std::string before = ReadBytes(dir_ / "book.jar");
  r = Run({"txt2jar", src});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("gone.jar"), std::string::npos) << r.err;
  EXPECT_EQ(ReadBytes(dir_ / "book.jar"), before) << "a failed run leaves the old book";
  EXPECT_EQ(Run({"txt2jar", "--template", "", src}).code, 0) << "\"\" for none";
}

TEST_F(BookCliTest, ConvertReadsTheBooksBack) {
  const std::string src = Put("书.txt", kUtf8);
  ASSERT_EQ(Run({"txt2umd", src}).code, 0);
  ASSERT_EQ(Run({"txt2jar", src}).code, 0);
  std::filesystem::create_directory(dir_ / "out");
  const Result r = Run({"convert", "-o", (dir_ / "out").string(), (dir_ / "书.umd").string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, (dir_ / "out" / "书.txt").string() + "\n");
  const std::string gbk = "\xB5\xDA\xD2\xBB\xBB\xD8\r\n";  // 第一回 in GBK
  EXPECT_EQ(ReadBytes(dir_ / "out" / "书.txt"), gbk);
  // A renamed archive is found by its first entry.
  std::filesystem::rename(dir_ / "书.jar", dir_ / "renamed.zip");
  const Result j = Run({"convert", "-o", (dir_ / "out").string(), (dir_ / "renamed.zip").string()});
  EXPECT_EQ(j.code, 0) << j.err;
  EXPECT_EQ(ReadBytes(dir_ / "out" / "renamed.txt"), gbk);

  const std::string bad = Put("bad.umd", "not a book");
  const Result b = Run({"convert", bad});
  EXPECT_EQ(b.code, 1);
  EXPECT_NE(b.err.find("Wrong file header"), std::string::npos) << b.err;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "bad.txt"));
}

}  // namespace
