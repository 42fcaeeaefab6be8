// "合并选定文件" through the shell: which rows, in which order, the questions
// before anything is written, and the File list and document afterwards.
#include "app/merge_command.h"

#include <gtest/gtest.h>

#include "app/merge_split_messages.h"
#include "app/messages.h"
#include "merge_split_fakes.h"
#include "shell_test_util.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;

const std::string kSep = "\r\n\r\n\r\n";

class MergeCommandTest : public ::testing::Test, public ShellFixture {
 protected:
  FakeMergeSplitDialogs dialogs;
  MergeCommand merge{shell, dialogs};

  void Select(std::initializer_list<int> rows) {
    for (int i = 0; i < shell.file_list().size(); ++i) shell.SetRowSelected(i, false);
    for (int r : rows) shell.SetRowSelected(r, true);
  }
  void Choose(std::string name, bool headings, bool delete_originals, fs::path folder = {}) {
    dialogs.merge_choice = MergeChoice{std::move(name), headings, delete_originals, std::move(folder)};
  }
  std::vector<std::string> RowNames() {
    std::vector<std::string> names;
    for (const FileRow& r : shell.file_list().rows()) names.push_back(r.name);
    return names;
  }
};

TEST_F(MergeCommandTest, NeedsTwoSelectedRows) {
  Write("a.txt", "a");
  Write("b.txt", "b");
  Open();
  Select({1});
  Choose("m", false, true);
  merge.Merge();
  EXPECT_EQ(view.LastMessage(), msg::kMergeNeedTwo);
  EXPECT_EQ(dialogs.merge_asked, 0);
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
}

TEST_F(MergeCommandTest, SelectedRowsInListOrderBecomeTheTopRowAndTheDocument) {
  Write("a.txt", G("甲\r\n"));
  Write("b.txt", "\xEF\xBB\xBF" + charset::GbkToUtf8(G("乙\r\n")));
  Write("c.txt", std::string("\xFF\xFE\x19\x4E\r\0\n\0", 8));  // 丙
  Write("d.txt", "untouched");
  Open();
  view.checked[kBatchMode] = true;
  shell.SetBatchMode(true);
  Select({2, 0, 1});
  Choose("Merged Book", /*headings=*/true, /*delete_originals=*/true);
  merge.Merge();
  const std::string expected = "\r\n\r\na\r\n\r\n" + G("甲\r\n") + kSep + "\r\n\r\nb\r\n\r\n " +
                               G("乙\r\n") + kSep + "\r\n\r\nc\r\n\r\n " + G("丙\r\n") + kSep;
  EXPECT_EQ(Read("merged book.txt"), expected);
  EXPECT_FALSE(fs::exists(dir / "a.txt"));
  EXPECT_FALSE(fs::exists(dir / "b.txt"));
  EXPECT_FALSE(fs::exists(dir / "c.txt"));
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"merged book.txt", "d.txt"}));
  EXPECT_EQ(shell.file_list().row(0).size, std::to_string(expected.size()));
  EXPECT_TRUE(shell.file_list().row(0).selected);
  EXPECT_EQ(shell.current_path(), dir / "merged book.txt");
  EXPECT_EQ(view.editor, expected);
  EXPECT_FALSE(view.can_undo);
  EXPECT_FALSE(shell.batch_mode());
  EXPECT_FALSE(view.checked[kBatchMode]);
  EXPECT_TRUE(view.messages.empty()) << view.LastMessage();
  EXPECT_FALSE(shell.busy());
  EXPECT_FALSE(view.progress_visible);
}

TEST_F(MergeCommandTest, AnExistingFileIsReplacedOnlyWhenTheUserSaysSo) {
  Write("a.txt", "a");
  Write("b.txt", "b");
  Write("m.txt", "precious");
  Open();
  Select({0, 1});
  Choose("m.txt", false, true);
  view.answers = {Answer::kNo};
  merge.Merge();
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_NE(view.questions[0].find("m.txt"), std::string::npos);
  EXPECT_EQ(Read("m.txt"), "precious");
  EXPECT_EQ(Read("a.txt"), "a");
  EXPECT_EQ(Read("b.txt"), "b");
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"a.txt", "b.txt", "m.txt"}));
  EXPECT_FALSE(shell.busy());

  Select({0, 1});
  view.answers = {Answer::kYes};
  merge.Merge();
  EXPECT_EQ(Read("m.txt"), "a" + kSep + "b" + kSep);
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"m.txt"})) << "the replaced file's row is not doubled";
}

TEST_F(MergeCommandTest, CharactersThatWouldBecomeQuestionMarksAreAskedAbout) {
  Write("a.txt", "\xEF\xBB\xBF" "smile \xF0\x9F\x98\x80");
  Write("b.txt", "b");
  Open();
  Select({0, 1});
  Choose("m", false, true);
  view.answers = {Answer::kNo};
  merge.Merge();
  ASSERT_EQ(view.questions.size(), 1u);
  EXPECT_NE(view.questions[0].find("1 "), std::string::npos) << view.questions[0];
  EXPECT_FALSE(fs::exists(dir / "m.txt"));
  EXPECT_TRUE(fs::exists(dir / "a.txt"));
}

TEST_F(MergeCommandTest, AnUnreadableSourceIsNamedAndTheRestMerged) {
  Write("a.txt", "a");
  Write("b.txt", "b");
  Write("c.txt", "c");
  Open();
  fs::remove(dir / "b.txt");
  Select({0, 1, 2});
  Choose("m", false, true);
  merge.Merge();
  EXPECT_EQ(Read("m.txt"), "a" + kSep + "c" + kSep);
  EXPECT_NE(view.LastMessage().find(msg::kMergeUnreadable), std::string::npos);
  EXPECT_NE(view.LastMessage().find("b.txt"), std::string::npos);
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"m.txt", "b.txt"}))
      << "the row of a file that was not merged stays";
}

TEST_F(MergeCommandTest, UnsavedChangesAreOfferedFirst) {
  Write("a.txt", "a");
  Write("b.txt", "b");
  Open();
  view.Type("edited");
  Select({0, 1});
  Choose("m", false, true);
  view.answers = {Answer::kCancel};
  merge.Merge();
  EXPECT_EQ(view.questions.back(), msg::kSavePrompt);
  EXPECT_EQ(dialogs.merge_asked, 0);
  EXPECT_FALSE(fs::exists(dir / "m.txt"));

  view.answers = {Answer::kYes};
  merge.Merge();
  EXPECT_EQ(Read("m.txt"), "aedited" + kSep + "b" + kSep) << "the saved text is what is merged";
}

TEST_F(MergeCommandTest, IntoAnotherFolderTheRowsOfDeletedSourcesGo) {
  testing::TempDir other;
  Write("a.txt", "a");
  Write("b.txt", "b");
  Write("c.txt", "c");
  Open();
  Select({0, 1});
  Choose("m", false, true, other.path());
  merge.Merge();
  EXPECT_EQ(testing::ReadBytes(other / "m.txt"), "a" + kSep + "b" + kSep);
  EXPECT_EQ(RowNames(), std::vector<std::string>{"c.txt"});
  EXPECT_EQ(shell.current_path(), dir / "c.txt") << "the deleted document gives way";
  EXPECT_EQ(view.editor, "c");
}

TEST_F(MergeCommandTest, AFailedWriteChangesNothing) {
  Write("a.txt", "a");
  Write("b.txt", "b");
  Open();
  Select({0, 1});
  Choose("m", false, true, dir / "missing");
  merge.Merge();
  EXPECT_EQ(view.messages.back().icon, MessageIcon::kError);
  EXPECT_NE(view.LastMessage().find(msg::kMergeFailed), std::string::npos);
  EXPECT_NE(view.LastMessage().find("m.txt"), std::string::npos);
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_EQ(Read("a.txt"), "a");
  EXPECT_FALSE(shell.busy());
}

TEST_F(MergeCommandTest, CancelOrAnInvalidNameDoesNothing) {
  Write("a.txt", "a");
  Write("b.txt", "b");
  Open();
  Select({0, 1});
  dialogs.merge_choice.reset();
  merge.Merge();
  Choose("", false, true);
  merge.Merge();
  Choose("../up", false, true);
  merge.Merge();
  EXPECT_NE(view.LastMessage().find(msg::kMergeInvalidName), std::string::npos);
  EXPECT_EQ(RowNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
  EXPECT_FALSE(fs::exists(dir.path().parent_path() / "up.txt"));
}

}  // namespace
}  // namespace folian::app
