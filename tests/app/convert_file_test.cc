// Converting a file on disk: where the output goes, the append rule and its
// encodings, failures that write nothing, and the page folder's name checks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "app/convert_file.h"
#include "app/page_folder.h"
#include "app/text_append.h"
#include "charset/codepage.h"
#include "convert/limits.h"
#include "support/temp_dir.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;
using convert::TextEncoding;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }

ConvertOutcome Convert(const fs::path& input, const fs::path& out_dir = {}, bool replace = false) {
  ConvertJob job;
  job.input = input;
  job.output_dir = out_dir;
  job.replace = replace;
  return ConvertFile(job, convert::ReadContext{});
}

TEST(ConvertFile, WritesNameTxtBesideTheInputOrInTheChosenFolder) {
  TempDir dir;
  WriteBytes(dir / "Book.Chapter.HTML", "<p>" + G("第一章") + "</p>");
  ConvertOutcome out = Convert(dir / "Book.Chapter.HTML");
  ASSERT_TRUE(out.status.ok()) << out.status.message();
  EXPECT_EQ(out.output, dir / "Book.Chapter.txt");
  EXPECT_EQ(ReadBytes(out.output), G("第一章") + "\r\n");
  EXPECT_EQ(out.size, G("第一章").size() + 2);
  EXPECT_FALSE(out.appended);

  fs::create_directory(dir / "out");
  out = Convert(dir / "Book.Chapter.HTML", dir / "out");
  ASSERT_TRUE(out.status.ok());
  EXPECT_EQ(out.output, dir / "out" / "Book.Chapter.txt");
  EXPECT_TRUE(fs::exists(out.output));
}

TEST(ConvertFile, HtmlAppendsToAnExistingTxtUnlessToldToReplace) {
  TempDir dir;
  WriteBytes(dir / "a.txt", G("旧的\r\n"));
  WriteBytes(dir / "a.htm", G("新的") + "<br>");
  ConvertOutcome out = Convert(dir / "a.htm");
  ASSERT_TRUE(out.status.ok());
  EXPECT_TRUE(out.appended);
  EXPECT_EQ(ReadBytes(dir / "a.txt"), G("旧的\r\n新的\r\n"));
  out = Convert(dir / "a.htm");
  EXPECT_EQ(ReadBytes(dir / "a.txt"), G("旧的\r\n新的\r\n新的\r\n")) << "converted twice, there twice";
  out = Convert(dir / "a.htm", {}, true);
  EXPECT_FALSE(out.appended);
  EXPECT_EQ(ReadBytes(dir / "a.txt"), G("新的\r\n"));
}

TEST(ConvertFile, FailuresWriteNothing) {
  TempDir dir;
  ConvertOutcome out = Convert(dir / "missing.htm");
  EXPECT_FALSE(out.status.ok());

  WriteBytes(dir / "notes.dat", "just some bytes");
  out = Convert(dir / "notes.dat");
  EXPECT_FALSE(out.status.ok());
  EXPECT_NE(out.status.message().find("notes.dat"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "notes.txt"));

  // A page named .txt would be its own output.
  WriteBytes(dir / "page.txt", "<!DOCTYPE html><p>x</p>");
  out = Convert(dir / "page.txt");
  EXPECT_FALSE(out.status.ok());
  EXPECT_EQ(ReadBytes(dir / "page.txt"), "<!DOCTYPE html><p>x</p>");

  // Larger than any book: refused before it is read (the file is sparse).
  const fs::path huge = dir / "huge.htm";
  WriteBytes(huge, "");
  ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(convert::kMaxInputBytes + 1)), 0);
  out = Convert(huge);
  EXPECT_FALSE(out.status.ok());
  EXPECT_FALSE(fs::exists(dir / "huge.txt"));

  // An output that cannot be written leaves the old file as it was.
  WriteBytes(dir / "b.htm", "<p>b</p>");
  fs::create_directories(dir / "b.txt" / "keep");
  out = Convert(dir / "b.htm", {}, true);
  EXPECT_FALSE(out.status.ok());
  EXPECT_TRUE(fs::is_directory(dir / "b.txt"));
}

TEST(JoinTextFiles, SameEncodingsJoinAsBytes) {
  EXPECT_EQ(JoinTextFiles("", "abc", TextEncoding::kUtf8Mark), "\xEF\xBB\xBF" "abc");
  EXPECT_EQ(JoinTextFiles(G("旧"), G("新"), TextEncoding::kGbk), G("旧新"));
  EXPECT_EQ(JoinTextFiles("\xEF\xBB\xBF旧", "新", TextEncoding::kUtf8), "\xEF\xBB\xBF旧新");
  EXPECT_EQ(JoinTextFiles("旧", "新", TextEncoding::kUtf8), "旧新");
  EXPECT_EQ(JoinTextFiles("old\r\n", "新", TextEncoding::kUtf8), "old\r\n新") << "ASCII fits any";
  EXPECT_EQ(JoinTextFiles(std::string("\xFF\xFE" "a\0", 4), std::string("b\0", 2), TextEncoding::kUtf16Le),
            std::string("\xFF\xFE" "a\0b\0", 6));
}

TEST(JoinTextFiles, OtherEncodingsAreConvertedNeverMixed) {
  // UTF-8 text after a GBK file: GBK holds it, so it is written in GBK.
  EXPECT_EQ(JoinTextFiles(G("旧的"), "新的", TextEncoding::kUtf8), G("旧的新的"));
  // GBK text after a UTF-8 file becomes UTF-8.
  EXPECT_EQ(JoinTextFiles("旧的", G("新的"), TextEncoding::kGbk), "旧的新的");
  // After a UTF-16BE file, UTF-16BE.
  EXPECT_EQ(JoinTextFiles(std::string("\xFE\xFF\x65\xE7", 4), G("新"), TextEncoding::kGbk),
            std::string("\xFE\xFF\x65\xE7\x65\xB0", 6));
  // GBK cannot hold the new text: the whole file becomes marked UTF-8.
  EXPECT_EQ(JoinTextFiles(G("旧的"), "😀", TextEncoding::kUtf8), "\xEF\xBB\xBF旧的😀");
}

TEST(FolderPageSink, WritesPagesInsideItsFolderOnly) {
  TempDir dir;
  FolderPageSink sink(dir.path());
  ASSERT_TRUE(sink.AddFile("index.htm", "<p>i</p>").ok());
  ASSERT_TRUE(sink.AddFile("chapters/01/第一章.html", "<p>1</p>").ok());
  EXPECT_EQ(ReadBytes(dir / "chapters" / "01" / "第一章.html"), "<p>1</p>");
  EXPECT_EQ(sink.written().size(), 2u);

  for (std::string_view bad : std::initializer_list<std::string_view>{"", "/etc/passwd", "../up.htm", "a/../../up.htm", "a/./b.htm", "a//b.htm",
                               "C:evil.htm", "a\\..\\b.htm", "dir/", std::string_view("a\0b.htm", 7)}) {
    EXPECT_FALSE(sink.AddFile(bad, "x").ok()) << bad;
  }
  // A link planted inside the folder is not followed out of it.
  TempDir outside;
  fs::create_directory_symlink(outside.path(), dir / "link");
  EXPECT_FALSE(sink.AddFile("link/escaped.htm", "x").ok());
  EXPECT_FALSE(fs::exists(outside / "escaped.htm"));
  EXPECT_EQ(sink.written().size(), 2u);
}

}  // namespace
}  // namespace folian::app
