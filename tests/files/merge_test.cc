// Merging: each source turned into GBK (a blank where its mark was), the
// headings and separators, unreadable sources, and the write that never
// replaces or deletes without leave.
#include "files/merge.h"

#include <gtest/gtest.h>

#include "charset/codepage.h"
#include "support/temp_dir.h"

namespace folian::files {
namespace {

namespace fs = std::filesystem;
using folian::testing::ReadBytes;
using folian::testing::TempDir;
using folian::testing::WriteBytes;

std::string G(std::string_view utf8) { return charset::Utf8ToGbk(utf8); }

const std::string kSep = "\r\n\r\n\r\n";

TEST(MergeTextTest, EachEncodingBecomesGbkWithABlankWhereTheMarkWas) {
  TempDir dir;
  WriteBytes(dir / "a.txt", G("甲文\r\n"));
  WriteBytes(dir / "b.txt", "\xEF\xBB\xBF\xE4\xB9\x99\xE6\x96\x87\r\n");            // UTF-8 乙文
  WriteBytes(dir / "c.txt", std::string("\xFF\xFE\x19\x4E\x87\x65\r\0\n\0", 10));   // UTF-16LE 丙文
  WriteBytes(dir / "d.txt", std::string("\xFE\xFF\x4E\x01\x65\x87\0\r\0\n", 10));   // UTF-16BE 丁文
  WriteBytes(dir / "e.txt", "\xE6\x88\x8A\xE6\x96\x87\xE6\x88\x8A\xE6\x96\x87\r\n");  // UTF-8 without mark
  const std::vector<fs::path> sources{dir / "a.txt", dir / "b.txt", dir / "c.txt", dir / "d.txt",
                                      dir / "e.txt"};
  const MergedText m = BuildMergedText(sources, false);
  EXPECT_EQ(m.gbk, G("甲文\r\n") + kSep + " " + G("乙文\r\n") + kSep + " " + G("丙文\r\n") + kSep +
                       " " + G("丁文\r\n") + kSep + G("戊文戊文\r\n") + kSep);
  EXPECT_EQ(m.merged, sources);
  EXPECT_TRUE(m.unreadable.empty());
  EXPECT_EQ(m.unmappable, 0u);
}

TEST(MergeTextTest, HeadingsAreTheNamesWithoutFolderAndExtension) {
  TempDir dir;
  WriteBytes(dir / "第一章.txt", G("甲"));
  WriteBytes(dir / "two.part.txt", "b");
  const MergedText m = BuildMergedText(std::vector<fs::path>{dir / "第一章.txt", dir / "two.part.txt"}, true);
  EXPECT_EQ(m.gbk, "\r\n\r\n" + G("第一章") + "\r\n\r\n" + G("甲") + kSep +
                       "\r\n\r\ntwo.part\r\n\r\nb" + kSep);
}

TEST(MergeTextTest, UnreadableSourcesAddNothingAndAreNamed) {
  TempDir dir;
  WriteBytes(dir / "a.txt", "a");
  fs::create_directory(dir / "folder.txt");
  const std::vector<fs::path> sources{dir / "missing.txt", dir / "a.txt", dir / "folder.txt"};
  const MergedText m = BuildMergedText(sources, true);
  EXPECT_EQ(m.gbk, "\r\n\r\na\r\n\r\na" + kSep);
  EXPECT_EQ(m.merged, std::vector<fs::path>{dir / "a.txt"});
  ASSERT_EQ(m.unreadable.size(), 2u);
  EXPECT_EQ(m.unreadable[0].path, dir / "missing.txt");
  EXPECT_NE(m.unreadable[0].reason.find("missing.txt"), std::string::npos);
  EXPECT_EQ(m.unreadable[1].path, dir / "folder.txt");
}

TEST(MergeTextTest, CharactersGbkCannotHoldAreCounted) {
  TempDir dir;
  WriteBytes(dir / "a.txt", "\xEF\xBB\xBF" "a\xF0\x9F\x98\x80" "b\xF0\x9F\x98\x80\r\n");  // two emoji
  WriteBytes(dir / "b.txt", "plain");
  const MergedText m = BuildMergedText(std::vector<fs::path>{dir / "a.txt", dir / "b.txt"}, false);
  EXPECT_EQ(m.unmappable, 2u);
}

TEST(MergeTextTest, ACancelledBuildIsMarked) {
  TempDir dir;
  WriteBytes(dir / "a.txt", "a");
  CancelFlag stop{true};
  EXPECT_TRUE(BuildMergedText(std::vector<fs::path>{dir / "a.txt"}, false, nullptr, &stop).cancelled);
}

TEST(MergeNameTest, LowerCasedWithTxtAppended) {
  EXPECT_EQ(MergedFileName("Book"), "book.txt");
  EXPECT_EQ(MergedFileName("Book.TXT"), "book.txt");
  EXPECT_EQ(MergedFileName("合集 Vol1.txt"), "合集 vol1.txt");
  EXPECT_EQ(MergedFileName("a.txt.bak"), "a.txt.bak.txt");
  EXPECT_EQ(MergedFileName("a.text"), "a.text.txt");
}

TEST(MergeWriteTest, AnExistingTargetIsKeptWithoutLeave) {
  TempDir dir;
  WriteBytes(dir / "a.txt", "a");
  WriteBytes(dir / "b.txt", "b");
  WriteBytes(dir / "out.txt", "precious");
  const MergedText m = BuildMergedText(std::vector<fs::path>{dir / "a.txt", dir / "b.txt"}, false);
  const MergeOutcome kept = WriteMerged(dir / "out.txt", m, /*replace_existing=*/false, true);
  EXPECT_FALSE(kept.written);
  EXPECT_NE(kept.error.find("out.txt"), std::string::npos) << kept.error;
  EXPECT_EQ(ReadBytes(dir / "out.txt"), "precious");
  EXPECT_TRUE(fs::exists(dir / "a.txt"));
  EXPECT_TRUE(fs::exists(dir / "b.txt"));
  EXPECT_TRUE(kept.deleted.empty());

  const MergeOutcome replaced = WriteMerged(dir / "out.txt", m, /*replace_existing=*/true, false);
  EXPECT_TRUE(replaced.written) << replaced.error;
  EXPECT_EQ(ReadBytes(dir / "out.txt"), "a" + kSep + "b" + kSep);
  EXPECT_TRUE(fs::exists(dir / "a.txt"));
}

TEST(MergeWriteTest, SourcesAreDeletedAfterTheWriteButNeverTheTarget) {
  TempDir dir;
  WriteBytes(dir / "a.txt", "a");
  WriteBytes(dir / "b.txt", "b");
  WriteBytes(dir / "c.txt", "c");
  const MergedText m = BuildMergedText(
      std::vector<fs::path>{dir / "a.txt", dir / "b.txt", dir / "missing.txt", dir / "c.txt"}, false);
  // The target is one of the sources.
  const MergeOutcome o = WriteMerged(dir / "b.txt", m, /*replace_existing=*/true, true);
  ASSERT_TRUE(o.written) << o.error;
  EXPECT_EQ(o.deleted, (std::vector<fs::path>{dir / "a.txt", dir / "c.txt"}));
  EXPECT_FALSE(fs::exists(dir / "a.txt"));
  EXPECT_FALSE(fs::exists(dir / "c.txt"));
  EXPECT_EQ(ReadBytes(dir / "b.txt"), "a" + kSep + "b" + kSep + "c" + kSep);
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u) << "no temporary file is left";
}

TEST(MergeWriteTest, AFailedWriteDeletesNothing) {
  TempDir dir;
  WriteBytes(dir / "a.txt", "a");
  WriteBytes(dir / "b.txt", "b");
  const MergedText m = BuildMergedText(std::vector<fs::path>{dir / "a.txt", dir / "b.txt"}, false);
  const MergeOutcome o = WriteMerged(dir / "no" / "such" / "out.txt", m, true, true);
  EXPECT_FALSE(o.written);
  EXPECT_NE(o.error.find("out.txt"), std::string::npos) << o.error;
  EXPECT_TRUE(fs::exists(dir / "a.txt"));
  EXPECT_TRUE(fs::exists(dir / "b.txt"));
}

}  // namespace
}  // namespace folian::files
