// Normalise file names, batch rename and directory merge.
#include <gtest/gtest.h>

#include "app/tool_messages.h"
#include "batch/batch_test_util.h"
#include "files/directory_merge.h"
#include "files/file_names.h"
#include "files/rename_plan.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;
using files::NormaliseFileName;
using files::RenameStep;

TEST(RenameNormalise, SiteTagsEditionNotesWidthsAndBlanks) {
  EXPECT_EQ(NormaliseFileName("［ｗｗｗ．ｘｘｘ．ｃｏｍ］斗破苍穹（精校版）.TXT"), "斗破苍穹.txt");
  EXPECT_EQ(NormaliseFileName("[www.xxx.com]斗破苍穹.txt"), "斗破苍穹.txt");
  EXPECT_EQ(NormaliseFileName("  【全本】 凡人修仙传 (TXT下载) .txt"), "凡人修仙传.txt");
  EXPECT_EQ(NormaliseFileName("雪中悍刀行(novel.net).txt"), "雪中悍刀行.txt");
  EXPECT_EQ(NormaliseFileName("第１２３章　Ａｂｃ.txt"), "第123章 Abc.txt");
  EXPECT_EQ(NormaliseFileName("诛仙  (精校 + 全本).htm"), "诛仙.htm");
  EXPECT_EQ(NormaliseFileName("将夜(精校版).txt"), "将夜.txt");
}

TEST(RenameNormalise, KeepsWhatIsPartOfTheTitle) {
  EXPECT_EQ(NormaliseFileName("三体(上).txt"), "三体(上).txt");
  EXPECT_EQ(NormaliseFileName("诛仙(2).txt"), "诛仙(2).txt");
  EXPECT_EQ(NormaliseFileName("小说 (作者：某某).txt"), "小说 (作者：某某).txt");
  EXPECT_EQ(NormaliseFileName("a.comic (1).txt"), "a.comic (1).txt");
  // Nothing but a tag: the name stays rather than become ".txt".
  EXPECT_EQ(NormaliseFileName("[www.a.com].txt"), "[www.a.com].txt");
  EXPECT_EQ(NormaliseFileName("clean.txt"), "clean.txt");
  // Bytes that are no UTF-8 survive.
  EXPECT_EQ(NormaliseFileName("\xB6\xB7 [www.a.com].txt"), "\xB6\xB7.txt");
}

TEST(RenamePattern, NumberedAndReplaced) {
  files::RenamePattern numbered;
  numbered.prefix = "卷";
  numbered.first = 9;
  numbered.digits = 3;
  EXPECT_EQ(files::PatternName(numbered, "whatever.TXT", 0), "卷009.TXT");
  EXPECT_EQ(files::PatternName(numbered, "x.htm", 2), "卷011.htm");
  files::RenamePattern replace;
  replace.kind = files::RenamePattern::Kind::kReplace;
  replace.find = "第";
  replace.replace = "";
  EXPECT_EQ(files::PatternName(replace, "第一第二.txt", 0), "一二.txt");
  replace.find = "txt";
  replace.replace = "X";
  EXPECT_EQ(files::PatternName(replace, "atxt.txt", 0), "aX.txt");  // the extension stays
}

class RenamePlan : public ::testing::Test {
 protected:
  void Touch(const std::string& name, const std::string& content) {
    WriteBytes(dir_ / name, content);
  }
  folian::testing::TempDir dir_;
};

TEST_F(RenamePlan, CollisionsAreSkippedNeverOverwritten) {
  Touch("a.txt", "A");
  Touch("b.txt", "B");
  Touch("c.txt", "C");
  auto plan = files::PlanRenames(dir_.path(), {{"a.txt", "b.txt", ""}, {"c.txt", "d.txt", ""},
                                               {"b.txt", "d.txt", ""}, {"x.txt", "a/b", ""}});
  EXPECT_FALSE(plan[0].problem.empty());  // b.txt stays: its own rename comes too late
  EXPECT_TRUE(plan[1].problem.empty());
  EXPECT_FALSE(plan[2].problem.empty());  // d.txt is c.txt's already
  EXPECT_FALSE(plan[3].problem.empty());
  const auto outcome = files::ApplyRenames(dir_.path(), plan);
  EXPECT_EQ(outcome.renamed, 1);
  EXPECT_EQ(ReadBytes(dir_ / "a.txt"), "A");
  EXPECT_EQ(ReadBytes(dir_ / "b.txt"), "B");
  EXPECT_EQ(ReadBytes(dir_ / "d.txt"), "C");
}

TEST_F(RenamePlan, SwapsAndChainsWork) {
  Touch("1.txt", "one");
  Touch("2.txt", "two");
  Touch("3.txt", "three");
  auto plan = files::PlanRenames(dir_.path(), {{"1.txt", "2.txt", ""}, {"2.txt", "1.txt", ""},
                                               {"3.txt", "4.txt", ""}});
  for (const RenameStep& s : plan) EXPECT_TRUE(s.problem.empty()) << s.from;
  const auto outcome = files::ApplyRenames(dir_.path(), plan);
  EXPECT_EQ(outcome.renamed, 3);
  EXPECT_EQ(ReadBytes(dir_ / "2.txt"), "one");
  EXPECT_EQ(ReadBytes(dir_ / "1.txt"), "two");
  EXPECT_EQ(ReadBytes(dir_ / "4.txt"), "three");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 3);
}

TEST_F(RenamePlan, ANameTakenMeanwhileKeepsTheOldName) {
  Touch("a.txt", "A");
  auto plan = files::PlanRenames(dir_.path(), {{"a.txt", "b.txt", ""}});
  Touch("b.txt", "someone else's");
  const auto outcome = files::ApplyRenames(dir_.path(), plan);
  EXPECT_EQ(outcome.renamed, 0);
  ASSERT_EQ(outcome.failed.size(), 1u);
  EXPECT_EQ(ReadBytes(dir_ / "a.txt"), "A");
  EXPECT_EQ(ReadBytes(dir_ / "b.txt"), "someone else's");
  std::string error;
  EXPECT_FALSE(files::RenameNoReplace(dir_ / "a.txt", dir_ / "b.txt", &error));
  EXPECT_FALSE(error.empty());
}

class RenameCommand : public ShellFixture {};

TEST_F(RenameCommand, NormaliseShowsThePlanAndAppliesOnlyOnOk) {
  WriteGbkFile("[www.abc.com]斗破苍穹.txt", "斗破苍穹的正文。\r\n");
  WriteGbkFile("凡人修仙传(精校版).txt", "凡人的正文。\r\n");
  WriteGbkFile("凡人修仙传.txt", "另一个已经存在的文件。\r\n");
  WriteGbkFile("干净.txt", "干净。\r\n");
  Open();
  view_.confirm_renames = false;
  tools_->NormaliseNames();
  ASSERT_EQ(view_.previews.size(), 1u);
  ASSERT_EQ(view_.previews[0].size(), 2u);  // files whose name stays are not listed
  EXPECT_TRUE(fs::exists(File("[www.abc.com]斗破苍穹.txt")));

  view_.confirm_renames = true;
  tools_->NormaliseNames();
  EXPECT_TRUE(fs::exists(File("斗破苍穹.txt")));
  EXPECT_FALSE(fs::exists(File("[www.abc.com]斗破苍穹.txt")));
  // The clash: both files stay as they were.
  EXPECT_TRUE(fs::exists(File("凡人修仙传(精校版).txt")));
  EXPECT_EQ(TextOf("凡人修仙传.txt"), "另一个已经存在的文件。\r\n");
  EXPECT_NE(RowOf("斗破苍穹.txt"), -1);
  char expected[64];
  std::snprintf(expected, sizeof expected, msg::kRenamedFormat, 1);
  EXPECT_EQ(view_.LastMessage(), expected);
}

TEST_F(RenameCommand, TheCurrentDocumentFollowsItsFile) {
  WriteGbkFile("[www.abc.com]a.txt", "正文。\r\n");
  Open();
  ASSERT_EQ(shell_->current_path().filename(), "[www.abc.com]a.txt");
  tools_->NormaliseNames();
  EXPECT_EQ(shell_->current_path(), File("a.txt"));
  EXPECT_EQ(shell_->current_row(), RowOf("a.txt"));
}

TEST_F(RenameCommand, BatchRenameNumbersTheCheckedFiles) {
  WriteGbkFile("x.txt", "一。\r\n");
  WriteGbkFile("y.txt", "二。\r\n");
  WriteGbkFile("z.txt", "三。\r\n");
  Open();
  shell_->SetBatchMode(true);
  shell_->SetRowChecked(RowOf("y.txt"), false);
  files::RenamePattern pattern;
  pattern.prefix = "第";
  pattern.digits = 2;
  view_.rename_pattern = pattern;
  tools_->BatchRename();
  EXPECT_EQ(TextOf("第01.txt"), "一。\r\n");
  EXPECT_EQ(TextOf("第02.txt"), "三。\r\n");
  EXPECT_TRUE(fs::exists(File("y.txt")));
  EXPECT_NE(RowOf("第02.txt"), -1);

  view_.rename_pattern.reset();  // cancelled: nothing happens
  const auto names = Names();
  tools_->BatchRename();
  EXPECT_EQ(Names(), names);
}

class DirectoryMerge : public ShellFixture {};

TEST_F(DirectoryMerge, MovesTextFilesUpWithoutOverwriting) {
  WriteGbkFile("a.txt", "顶层。\r\n");
  fs::create_directories(File("sub1/deep"));
  fs::create_directories(File("sub2"));
  fs::create_directories(File("empty"));
  WriteGbkFile("sub1/a.txt", "一号。\r\n");
  WriteGbkFile("sub1/deep/b.HTM", "<p>深</p>");
  WriteGbkFile("sub2/a.txt", "二号。\r\n");
  WriteBytes(File("sub2/cover.jpg"), "JPEG");
  fs::create_directories(File(".cache"));
  WriteGbkFile(".cache/c.txt", "隐藏。\r\n");
  Open();
  tools_->MergeDirectories();
  char expected[64];
  std::snprintf(expected, sizeof expected, msg::kMergedFormat, 3);
  EXPECT_EQ(view_.LastMessage(), expected);
  EXPECT_EQ(TextOf("a.txt"), "顶层。\r\n");
  EXPECT_EQ(TextOf("a(1).txt"), "一号。\r\n");
  EXPECT_EQ(TextOf("a(2).txt"), "二号。\r\n");
  EXPECT_TRUE(fs::exists(File("b.HTM")));
  EXPECT_TRUE(fs::exists(File("sub2/cover.jpg")));
  EXPECT_TRUE(fs::exists(File(".cache/c.txt")));
  EXPECT_FALSE(fs::exists(File("sub1/a.txt")));
  // The list is read again and shows the moved files.
  EXPECT_NE(RowOf("a(2).txt"), -1);
  EXPECT_NE(RowOf("b.HTM"), -1);
}

TEST_F(DirectoryMerge, NothingToMergeCountsZero) {
  WriteGbkFile("a.txt", "顶层。\r\n");
  Open();
  tools_->MergeDirectories();
  char expected[64];
  std::snprintf(expected, sizeof expected, msg::kMergedFormat, 0);
  EXPECT_EQ(view_.LastMessage(), expected);
}

TEST(DirectoryMergeRoot, ARootFolderIsRefused) {
  const files::MergeResult result = files::MergeSubfolders("/");
  EXPECT_TRUE(result.root);
  EXPECT_EQ(result.files, 0);
}

TEST(DirectoryMergeFreeName, NumbersUntilFree) {
  folian::testing::TempDir dir;
  EXPECT_EQ(files::FreeName(dir.path(), "a.txt"), dir / "a.txt");
  WriteBytes(dir / "a.txt", "");
  WriteBytes(dir / "a(1).txt", "");
  EXPECT_EQ(files::FreeName(dir.path(), "a.txt"), dir / "a(2).txt");
}

}  // namespace
}  // namespace folian::app
