// folian-cli merge and split end to end: files written, what is refused
// without --force, exit codes, and merging then splitting back.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "charset/codepage.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

using Result = folian::testing::CliResult;

std::string G(std::string_view utf8) { return folian::charset::Utf8ToGbk(utf8); }

const std::string kSep = "\r\n\r\n\r\n";

class MergeSplitCli : public ::testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) { return folian::testing::RunCli(args, scratch_.path()); }
  std::string Put(const std::string& name, const std::string& bytes) {
    WriteBytes(dir_ / name, bytes);
    return P(name);
  }
  std::string P(const std::string& name) { return (dir_ / name).string(); }
  std::string Get(const std::string& name) { return ReadBytes(dir_ / name); }

  TempDir dir_, scratch_;
};

TEST_F(MergeSplitCli, MergeInArgumentOrder) {
  const std::string b = Put("b.txt", "bee"), a = Put("a.txt", "\xEF\xBB\xBF" "ay");
  Result r = Run({"merge", "--heading", "-o", P("m.txt"), b, a});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Get("m.txt"), "\r\n\r\nb\r\n\r\nbee" + kSep + "\r\n\r\na\r\n\r\n ay" + kSep);
  EXPECT_TRUE(fs::exists(dir_ / "a.txt"));
  EXPECT_NE(r.out.find("2 file(s) merged"), std::string::npos) << r.out;
}

TEST_F(MergeSplitCli, MergeNeverReplacesOrLosesWithoutForce) {
  const std::string a = Put("a.txt", "a"), b = Put("b.txt", "b");
  Put("m.txt", "precious");
  Result r = Run({"merge", "--delete-sources", "-o", P("m.txt"), a, b});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("m.txt"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
  EXPECT_EQ(Get("m.txt"), "precious");
  EXPECT_EQ(Get("a.txt"), "a");

  r = Run({"merge", "--delete-sources", "--force", "-o", P("m.txt"), a, b});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Get("m.txt"), "a" + kSep + "b" + kSep);
  EXPECT_FALSE(fs::exists(dir_ / "a.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "b.txt"));

  const std::string emoji = Put("e.txt", "\xEF\xBB\xBF\xF0\x9F\x98\x80"), c = Put("c.txt", "c");
  r = Run({"merge", "-o", P("n.txt"), emoji, c});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("1 character"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "n.txt"));
  EXPECT_EQ(Run({"merge", "--force", "-o", P("n.txt"), emoji, c}).code, 0);
  EXPECT_EQ(Get("n.txt"), " ?" + kSep + "c" + kSep);
}

TEST_F(MergeSplitCli, MergeNamesAnUnreadableSourceAndKeepsIt) {
  const std::string a = Put("a.txt", "a");
  fs::create_directory(dir_ / "d.txt");
  Result r = Run({"merge", "--delete-sources", "-o", P("m.txt"), a, P("d.txt"), P("gone.txt")});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("d.txt"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("gone.txt"), std::string::npos) << r.err;
  EXPECT_EQ(Get("m.txt"), "a" + kSep);
  EXPECT_TRUE(fs::is_directory(dir_ / "d.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "a.txt"));
}

TEST_F(MergeSplitCli, UsageErrors) {
  const std::string a = Put("a.txt", "line\nline\nline\n");
  EXPECT_EQ(Run({"merge", "-o", P("m.txt"), a}).code, 2);
  EXPECT_EQ(Run({"merge", a, a}).code, 2) << "-o is required";
  EXPECT_EQ(Run({"split", a}).code, 2) << "--size or --chapters";
  EXPECT_EQ(Run({"split", "--size", "1", "--chapters", a}).code, 2);
  EXPECT_EQ(Run({"split", "--size", "0", a}).code, 2);
  EXPECT_EQ(Run({"split", "--size", "1", "--list", a}).code, 2);
  EXPECT_EQ(Run({"split", "--chapters", "--pattern", "(a", a}).code, 2);
  EXPECT_EQ(Run({"split", "--chapters", "--drop", "1", a}).code, 2) << "there is no chapter 1";
  EXPECT_EQ(Run({"split", "--chapters", "--prefix", "x/y", a}).code, 2);
  EXPECT_FALSE(fs::exists(dir_ / "m.txt"));
  Result r = Run({"split", "--size", "1", a});
  EXPECT_EQ(r.code, 1) << "1 KB is not smaller than the file";
  EXPECT_NE(r.err.find("smaller"), std::string::npos) << r.err;
}

TEST_F(MergeSplitCli, SplitBySizeKeepsTheFilesEncoding) {
  std::u16string text;
  for (int i = 0; i < 100; ++i) text += u"\u4E2D\u6587\u4E2D\u6587\u4E2D\u6587\u4E2D\u6587\r\n";  // 20 bytes a line
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  const std::string file = Put("Wide.txt", bytes);
  fs::create_directory(dir_ / "out");
  Result r = Run({"split", "--size", "1", "-o", P("out"), file});
  EXPECT_EQ(r.code, 0) << r.err;
  const std::string first = ReadBytes(dir_ / "out" / "wide_001.txt");
  // Each line of 20 bytes counts 18 (CR LF read as one unit): 57 lines reach 1,024.
  EXPECT_EQ(first.size(), 2u + 57 * 20);
  EXPECT_EQ(first.substr(0, 4), "\xFF\xFE\x2D\x4E");
  EXPECT_TRUE(fs::exists(dir_ / "out" / "wide_002.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "out" / "wide_003.txt"));
}

TEST_F(MergeSplitCli, ListAndDropChapters) {
  const std::string book = Put("book.txt", G("前言\r\n第一章 甲\r\n甲\r\n第二章 乙\r\n乙\r\n第三章 丙\r\n丙\r\n"));
  Result r = Run({"split", "--chapters", "--list", book});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "1\t6\t第一章 甲\n2\t21\t第二章 乙\n3\t36\t第三章 丙\n");
  EXPECT_FALSE(fs::exists(dir_ / "book0001.txt")) << "--list writes nothing";
  r = Run({"split", "--chapters", "--list", "--drop", "2", book});
  EXPECT_EQ(r.out, "1\t6\t第一章 甲\n2\t36\t第三章 丙\n");

  r = Run({"split", "--chapters", "--drop", "1,3", book});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(Get("book0000.txt"), G("前言\r\n第一章 甲\r\n甲\r\n"));
  EXPECT_EQ(Get("book0001.txt"), G("第二章 乙\r\n乙\r\n第三章 丙\r\n丙\r\n"));
  EXPECT_FALSE(fs::exists(dir_ / "book0002.txt"));

  r = Run({"split", "--chapters", book});
  EXPECT_EQ(r.code, 1) << "the pieces exist";
  EXPECT_NE(r.err.find("book0000.txt"), std::string::npos) << r.err;
  EXPECT_EQ(Get("book0001.txt"), G("第二章 乙\r\n乙\r\n第三章 丙\r\n丙\r\n"));
  EXPECT_FALSE(fs::exists(dir_ / "book0002.txt"));
  EXPECT_EQ(Run({"split", "--chapters", "--force", book}).code, 0);
  EXPECT_EQ(Get("book0002.txt"), G("第二章 乙\r\n乙\r\n"));

  r = Run({"split", "--chapters", "--pattern", "\\n", "--prefix", "book", "--force", P("book0002.txt")});
  EXPECT_EQ(r.code, 1) << "a piece would replace the file being split";
  EXPECT_EQ(Get("book0002.txt"), G("第二章 乙\r\n乙\r\n"));
}

TEST_F(MergeSplitCli, MergingThenSplittingByChapterGivesBackTheChapters) {
  std::vector<std::string> files, texts;
  for (const char* t : {"第一回　开端\r\n话说天下大势。\r\n", "第二回　中段\r\n且听下回分解。\r\n",
                        "第三回　收尾\r\n全书完。\r\n"}) {
    texts.push_back(G(t));
    files.push_back(Put("c" + std::to_string(files.size() + 1) + ".txt", texts.back()));
  }
  std::vector<std::string> args{"merge", "-o", P("all.txt")};
  args.insert(args.end(), files.begin(), files.end());
  ASSERT_EQ(Run(args).code, 0);
  Result r = Run({"split", "--chapters", P("all.txt")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(fs::exists(dir_ / "all0000.txt")) << "the first chapter starts the file";
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(Get("all000" + std::to_string(i + 1) + ".txt"), texts[i] + kSep) << i;
  }
}

}  // namespace
