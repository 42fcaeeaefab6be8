// txt2umd and txt2jar on files: where the book lands, what the user is told,
// and that a failure leaves every file as it was. The template option's
// place in the settings store.
#include "app/book_export.h"

#include <gtest/gtest.h>

#include "app/export_messages.h"
#include "app/options_store.h"
#include "support/temp_dir.h"

namespace folian::app {
namespace {

using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

const std::string kGbkText = "\xB5\xDA\xD2\xBB\xBB\xD8\r\n";  // 第一回

TEST(BookExport, UmdBesideTheSourceTitledByItsName) {
  TempDir dir;
  WriteBytes(dir / "水浒.txt", kGbkText);
  WriteBytes(dir / "水浒.umd", "an older book");
  const ExportResult r = ExportUmd(dir / "水浒.txt", "", "施耐庵");
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.output, dir / "水浒.umd");
  EXPECT_EQ(r.message, "文件 \"" + (dir / "水浒.umd").string() + "\" 已经生成。");
  EXPECT_TRUE(r.notes.empty());
  const std::string book = ReadBytes(r.output);
  EXPECT_EQ(book.substr(0, 4), "\x89\x9B\x9A\xDE") << "the older file was replaced";
  EXPECT_NE(book.find(std::string("\x34\x6C\x52\x6D", 4)), std::string::npos) << "title 水浒 in UTF-16LE";
}

TEST(BookExport, LongTitleAndAuthorAreCutAndTheUserIsTold) {
  TempDir dir;
  WriteBytes(dir / "a.txt", kGbkText);
  std::string title, author;
  for (int i = 0; i < 130; ++i) title += "书";
  for (int i = 0; i < 200; ++i) author += "a";
  const ExportResult r = ExportUmd(dir / "a.txt", title, author);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.notes, (std::vector<std::string>{"书名过长，只保留了前 125 个字符。",
                                               "作者名过长，只保留了前 125 个字符。"}));
  EXPECT_EQ(r.Text(), r.message + "\n" + r.notes[0] + "\n" + r.notes[1]);
}

TEST(BookExport, FailuresLeaveEveryFileAsItWas) {
  TempDir dir;
  // No source.
  ExportResult r = ExportUmd(dir / "missing.txt", "t", "a");
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.message.starts_with(msg::kTxtOpenFailed)) << r.message;
  EXPECT_FALSE(std::filesystem::exists(dir / "missing.umd"));
  r = ExportJar(dir / "missing.txt", {});
  EXPECT_TRUE(r.message.starts_with(msg::kJarOpenFailed)) << r.message;

  // The output cannot be written: its name is taken by a folder.
  WriteBytes(dir / "b.txt", kGbkText);
  std::filesystem::create_directory(dir / "b.umd");
  r = ExportUmd(dir / "b.txt", "t", "a");
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.message.starts_with(msg::kUmdCreateFailed)) << r.message;
  EXPECT_TRUE(std::filesystem::is_directory(dir / "b.umd"));

  // A book made from itself would overwrite its own source.
  WriteBytes(dir / "c.umd", "source");
  r = ExportUmd(dir / "c.umd", "t", "a");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, msg::kSameAsSource);
  EXPECT_EQ(ReadBytes(dir / "c.umd"), "source");

  // A template that cannot be read: no archive.
  r = ExportJar(dir / "b.txt", dir / "no-such-template.jar");
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.message.starts_with(msg::kTemplateOpenFailed)) << r.message;
  EXPECT_FALSE(std::filesystem::exists(dir / "b.jar"));
}

TEST(BookExport, JarSaysWhetherAReaderProgramIsInside) {
  TempDir dir;
  WriteBytes(dir / "d.txt", kGbkText);
  ExportResult r = ExportJar(dir / "d.txt", {});
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(r.message, "文件 \"" + (dir / "d.jar").string() + "\" 已经生成!");
  EXPECT_EQ(r.notes, std::vector<std::string>{msg::kJarNoTemplate});

  // Our own archive as a template: what is not ours to replace is copied.
  WriteBytes(dir / "reader.jar", ReadBytes(r.output));
  r = ExportJar(dir / "d.txt", dir / "reader.jar");
  ASSERT_TRUE(r.ok) << r.message;
  ASSERT_EQ(r.notes.size(), 1u);
  EXPECT_EQ(r.notes[0], "已从阅读器模板 \"" + (dir / "reader.jar").string() + "\" 复制 1 个条目。")
      << "its META-INF/ folder; its manifest, 0 and 1 are replaced by ours";
}

TEST(BookExport, TemplateOptionKeepsTheRestOfTheStore) {
  TempDir dir;
  const auto store = dir / "folian.ini";
  WriteBytes(store, "[Software\\Quorvel\\Tekstor\\Options]\nINDENT=3\n[Other]\nX=1\n");
  std::filesystem::path jar = "unchanged";
  ASSERT_TRUE(LoadJarTemplate(store, &jar));
  EXPECT_TRUE(jar.empty()) << "no option: no template";
  ASSERT_TRUE(SaveJarTemplate(store, "/home/读者/reader.jar"));
  ASSERT_TRUE(LoadJarTemplate(store, &jar));
  EXPECT_EQ(jar, std::filesystem::path("/home/读者/reader.jar"));
  EXPECT_EQ(ReadBytes(store),
            "[Software\\Quorvel\\Tekstor\\Options]\nINDENT=3\nJARTEMPLATE=/home/读者/reader.jar\n"
            "[Other]\nX=1\n");
}

}  // namespace
}  // namespace folian::app
