// The File list and the Current document through the shell: scan, open,
// save prompt, save, close, moves, removal, renaming.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/messages.h"
#include "shell_test_util.h"

namespace folian::app {
namespace {

class FileListFlow : public ::testing::Test, public ShellFixture {};
class MainWindowDocument : public ::testing::Test, public ShellFixture {};

TEST_F(FileListFlow, ChooseFolderScansTextFilesWithTheirTexts) {
  Write("b.TXT", "bb");
  Write("a.htm", "<p>a</p>");
  Write("c.html", "c");
  Write("skip.doc", "x");
  std::filesystem::create_directory(dir / "sub.txt");
  shell.Start();
  view.folder_answer = dir.path();
  shell.ChooseFolder();
  EXPECT_EQ(view.questions.back(), msg::kChooseFolderTitle);
  EXPECT_EQ(view.fields[kFolderPath], dir.path().string());
  ASSERT_EQ(shell.file_list().size(), 3);
  EXPECT_EQ(shell.file_list().row(0).name, "a.htm");
  EXPECT_EQ(shell.file_list().row(1).name, "b.TXT") << "the real name is kept";
  EXPECT_EQ(shell.file_list().row(2).name, "c.html");
  EXPECT_EQ(shell.file_list().row(1).size, "2");
  const std::string& created = shell.file_list().row(0).created;
  const std::string& modified = shell.file_list().row(0).modified;
  ASSERT_EQ(modified.size(), 20u);
  EXPECT_EQ(modified[4], '-');
  EXPECT_EQ(modified.back(), '\n');
  if (!created.empty()) {
    EXPECT_EQ(created[4], '.');
  }
  EXPECT_EQ(view.editor, "<p>a</p>") << "the first row is opened";
  EXPECT_EQ(shell.current_path(), dir / "a.htm");
}

TEST_F(FileListFlow, CancelledFolderBrowserChangesNothing) {
  Write("a.txt", "a");
  Open();
  view.folder_answer.reset();
  shell.ChooseFolder();
  EXPECT_EQ(shell.file_list().size(), 1);
  EXPECT_EQ(view.editor, "a");
}

TEST_F(FileListFlow, RowClickOpensTheFileInGbk) {
  Write("a.txt", "first");
  Write("b.txt", "\xEF\xBB\xBF" + charset::GbkToUtf8(G("第二章")));
  Open();
  shell.ClickRow(1);
  EXPECT_EQ(view.editor, G("第二章"));
  EXPECT_EQ(shell.current_row(), 1);
  EXPECT_EQ(view.status[kStatusEncoding], "当前文件编码:UTF-8");
  EXPECT_FALSE(view.IsEnabled(kFindNext));
}

TEST_F(FileListFlow, RowClickWithChangesAsksCancelKeepsYesSavesNoDiscards) {
  Write("a.txt", "first");
  Write("b.txt", "second");
  Open();
  view.Type("!");
  view.answers = {Answer::kCancel};
  shell.ClickRow(1);
  EXPECT_EQ(view.questions.back(), msg::kSavePrompt);
  EXPECT_EQ(view.editor, "first!");
  EXPECT_EQ(shell.current_row(), 0);
  EXPECT_EQ(Read("a.txt"), "first");
  view.answers = {Answer::kYes};
  shell.ClickRow(1);
  EXPECT_EQ(Read("a.txt"), "first!");
  EXPECT_EQ(view.editor, "second");
  view.Type("?");
  view.answers = {Answer::kNo};
  shell.ClickRow(0);
  EXPECT_EQ(Read("b.txt"), "second");
  EXPECT_EQ(view.editor, "first!");
}

TEST_F(FileListFlow, MovesShowTheirMessagesAtTheEdges) {
  Write("a.txt", "a");
  Write("b.txt", "b");
  Open();
  shell.Move(MoveKind::kUp);
  EXPECT_EQ(view.LastMessage(), msg::kAlreadyFirst);
  EXPECT_EQ(view.messages.back().caption, kCaption);
  shell.Move(MoveKind::kBottom);
  EXPECT_EQ(shell.file_list().row(1).name, "a.txt");
  shell.Move(MoveKind::kDown);
  EXPECT_EQ(view.LastMessage(), msg::kAlreadyLast);
  EXPECT_EQ(shell.current_row(), 1) << "the Current document follows its row";
}

TEST_F(FileListFlow, RemoveAsksThenTakesRowsButLeavesFiles) {
  Write("a.txt", "a");
  Write("b.txt", "b");
  Write("c.txt", "c");
  Open();
  shell.SetRowSelected(1, true);
  view.ok_answers = {false};
  shell.RemoveSelectedRows(false);
  EXPECT_EQ(view.questions.back(), msg::kConfirmRemove);
  EXPECT_EQ(shell.file_list().size(), 3);
  view.ok_answers = {true};
  shell.RemoveSelectedRows(false);
  ASSERT_EQ(shell.file_list().size(), 1);
  EXPECT_EQ(shell.file_list().row(0).name, "c.txt");
  EXPECT_TRUE(std::filesystem::exists(dir / "a.txt"));
  EXPECT_EQ(view.editor, "c");
}

TEST_F(FileListFlow, DeleteRemovesFilesAndTheLastRowEmptiesTheEditor) {
  Write("a.txt", "a");
  Open();
  shell.SetRowSelected(0, true);
  view.ok_answers = {true};
  shell.RemoveSelectedRows(true);
  EXPECT_EQ(view.questions.back(), msg::kConfirmDelete);
  EXPECT_FALSE(std::filesystem::exists(dir / "a.txt"));
  EXPECT_TRUE(shell.file_list().empty());
  EXPECT_EQ(view.editor, "");
  EXPECT_FALSE(view.IsEnabled(kTidy));
  EXPECT_FALSE(view.IsEnabled(kSave));
  EXPECT_TRUE(view.IsEnabled(kBrowse)) << "another folder can still be chosen";
}

TEST_F(FileListFlow, RenameKeepsTheDocumentAndRefusesToOverwrite) {
  Write("a.txt", "a");
  Write("b.txt", "b");
  Open();
  view.name_answer = "b.txt";
  shell.RenameSelectedRow();
  EXPECT_EQ(Read("b.txt"), "b") << "an existing file is never overwritten";
  EXPECT_EQ(view.messages.back().icon, MessageIcon::kWarning);
  view.name_answer = "新名.txt";
  shell.RenameSelectedRow();
  EXPECT_EQ(view.LastMessage(), msg::kRenamed);
  EXPECT_EQ(Read("新名.txt"), "a");
  EXPECT_FALSE(std::filesystem::exists(dir / "a.txt"));
  EXPECT_EQ(shell.file_list().row(0).name, "新名.txt");
  EXPECT_EQ(shell.current_path(), dir / "新名.txt");
}

TEST_F(MainWindowDocument, SaveKeepsTheFilesEncodingAndMark) {
  const std::string le = std::string("\xFF\xFE", 2) + std::string("a\0b\0", 4);
  Write("a.txt", le);
  Open();
  EXPECT_EQ(view.editor, "ab");
  view.Type(G("中"));
  ASSERT_TRUE(shell.Save());
  EXPECT_EQ(view.LastMessage(), msg::kSaved);
  EXPECT_EQ(Read("a.txt"), le + std::string("\x2D\x4E", 2));
  EXPECT_FALSE(view.can_undo);
}

TEST_F(MainWindowDocument, InvalidGbkBytesSurviveLoadAndSave) {
  const std::string bytes = "ok \x80\xFF\x81 " + G("中文") + "\r\nend\xA1";
  Write("a.txt", bytes);
  Open();
  EXPECT_EQ(view.editor, bytes);
  view.can_undo = true;
  ASSERT_TRUE(shell.Save());
  EXPECT_EQ(Read("a.txt"), bytes);
}

TEST_F(MainWindowDocument, FailedSaveShowsAnErrorNotSuccessAndCloseKeepsTheWindow) {
  Write("a.txt", "a");
  Open();
  view.Type("b");
  BlockWrites("a.txt");
  const bool saved = shell.Save();
  EXPECT_FALSE(saved);
  EXPECT_EQ(view.messages.back().icon, MessageIcon::kError);
  EXPECT_NE(view.LastMessage(), msg::kSaved);
  EXPECT_TRUE(view.can_undo) << "the changes are still unsaved";
  EXPECT_TRUE(std::filesystem::is_directory(dir / "a.txt"));
  view.answers = {Answer::kYes};
  EXPECT_FALSE(shell.Close());
}

TEST_F(MainWindowDocument, CloseAsksOnlyAfterChangesYesSavesNoDiscardsCancelKeeps) {
  Write("a.txt", "a");
  Open();
  EXPECT_TRUE(shell.Close());
  EXPECT_TRUE(view.questions.empty() || view.questions.back() != std::string(msg::kSavePrompt));
  view.Type("1");
  view.answers = {Answer::kCancel};
  EXPECT_FALSE(shell.Close());
  EXPECT_EQ(Read("a.txt"), "a");
  view.answers = {Answer::kNo};
  EXPECT_TRUE(shell.Close());
  EXPECT_EQ(Read("a.txt"), "a");
  view.answers = {Answer::kYes};
  EXPECT_TRUE(shell.Close());
  EXPECT_EQ(Read("a.txt"), "a1");
}

// --- text typed without a file ---

TEST_F(MainWindowDocument, TextTypedWithoutAFolderIsSavedUnderAChosenName) {
  shell.Start();
  EXPECT_FALSE(view.IsEnabled(kSave)) << "nothing to save yet";
  view.Type(G("随手记下的一段话。"));
  shell.EditorModifiedChanged(true);  // the window reports the change
  EXPECT_TRUE(view.IsEnabled(kSave));
  // A cancelled file dialog saves nothing and keeps the text changed.
  EXPECT_FALSE(shell.Save());
  ASSERT_FALSE(view.questions.empty());
  EXPECT_EQ(view.questions.back(), msg::kSaveAsTitle);
  EXPECT_TRUE(view.can_undo);
  view.save_answer = dir / "随笔.txt";
  ASSERT_TRUE(shell.Save());
  EXPECT_EQ(Read("随笔.txt"), G("随手记下的一段话。")) << "written as the editor holds it, GBK";
  EXPECT_EQ(view.LastMessage(), msg::kSaved);
  EXPECT_FALSE(view.can_undo);
  EXPECT_EQ(shell.current_path(), dir / "随笔.txt");
  // It is the document's file now: the next save goes there without asking.
  view.Type("!");
  view.save_answer.reset();
  const std::size_t asked = view.questions.size();
  ASSERT_TRUE(shell.Save());
  EXPECT_EQ(view.questions.size(), asked);
  EXPECT_EQ(Read("随笔.txt"), G("随手记下的一段话。!"));
}

TEST_F(MainWindowDocument, ClosingOrSwitchingAwayFromTypedTextAsks) {
  shell.Start();
  view.Type("draft");
  view.answers = {Answer::kCancel};
  EXPECT_FALSE(shell.Close());
  ASSERT_FALSE(view.questions.empty());
  EXPECT_EQ(view.questions.back(), msg::kSavePrompt);
  // Yes, then the file dialog is cancelled: nothing was saved, so the
  // window stays.
  view.answers = {Answer::kYes};
  EXPECT_FALSE(shell.Close());
  // Choosing a folder replaces the text: asked first, and Cancel keeps it.
  Write("a.txt", "a");
  view.folder_answer = dir.path();
  view.answers = {Answer::kCancel};
  shell.ChooseFolder();
  EXPECT_TRUE(shell.working_folder().empty());
  EXPECT_EQ(view.editor, "draft");
  view.answers = {Answer::kNo};
  EXPECT_TRUE(shell.Close());
}

TEST_F(MainWindowDocument, SavedIntoTheEmptyWorkingFolderTheFileGetsItsRow) {
  Write("notes.doc", "x");
  Open();
  ASSERT_TRUE(shell.file_list().empty());
  view.Type(G("新的一章"));
  shell.EditorModifiedChanged(true);
  view.save_answer = dir / "新章.txt";
  ASSERT_TRUE(shell.Save());
  EXPECT_EQ(view.save_folder, dir.path()) << "the dialog starts in the Working folder";
  ASSERT_EQ(shell.file_list().size(), 1);
  EXPECT_EQ(shell.file_list().row(0).name, "新章.txt");
  EXPECT_EQ(shell.file_list().row(0).size, std::to_string(G("新的一章").size()));
  EXPECT_EQ(shell.current_row(), 0);
  EXPECT_TRUE(view.IsEnabled(kTidy)) << "a document is open: the window is Ready";
}

// --- what the window shows ---

TEST_F(MainWindowDocument, StatusBarNamesTheEncodingTheDocumentIsSavedIn) {
  // Mark-less UTF-8 whose first bytes the detector's sample takes for GBK.
  const std::string utf8 = "陈陈陈陈陈陈\r\n";
  Write("u8.txt", utf8);
  Write("gbk.txt", G("中文"));
  Write("gone.txt", "x");
  Open();
  shell.ClickRow(2);
  ASSERT_EQ(shell.current_path(), dir / "u8.txt");
  EXPECT_EQ(view.status[kStatusEncoding], "当前文件编码:UTF-8  *BOM");
  view.Type(G("续"));
  ASSERT_TRUE(shell.Save());
  EXPECT_EQ(Read("u8.txt"), utf8 + "续") << "saved in the encoding the status bar named";
  EXPECT_EQ(view.status[kStatusEncoding], "当前文件编码:UTF-8  *BOM");
  shell.ClickRow(0);
  EXPECT_EQ(view.status[kStatusEncoding].rfind("当前文件编码:936", 0), 0u);
  // A file that cannot be opened clears it.
  std::filesystem::remove(dir / "gone.txt");
  shell.ClickRow(1);
  EXPECT_EQ(view.status[kStatusEncoding], "");
}

TEST_F(MainWindowDocument, TidyReportSpellsChineseFileNamesAsTheyAre) {
  Write("第001章.txt", G("第一章\r\n正文在此。\r\n"));
  Open();
  shell.Tidy();
  ASSERT_FALSE(view.messages.empty());
  EXPECT_EQ(view.messages.back().caption, msg::kTidyReportCaption);
  EXPECT_EQ(view.LastMessage().rfind("    文件 : 第001章.txt\r\n    大小 : ", 0), 0u)
      << view.LastMessage();
}

// --- encoding commands that change nothing say so ---

TEST_F(MainWindowDocument, BigEndianUtf16IsConvertedLikeLittleEndian) {
  std::string be = "\xFE\xFF";
  for (char16_t c : std::u16string(u"大端文字\r\n")) {
    be.push_back(static_cast<char>(c >> 8));
    be.push_back(static_cast<char>(c & 0xFF));
  }
  Write("be.txt", be);
  Open();
  EXPECT_EQ(view.status[kStatusEncoding], "当前文件编码:UNICODE (BE)");
  EXPECT_TRUE(view.IsEnabled(kConvertAnsi));
  shell.ConvertEncoding(text::EncodingCommand::kToAnsi);
  EXPECT_EQ(view.LastMessage(), msg::kConverted);
  EXPECT_EQ(Read("be.txt"), G("大端文字\r\n"));
  EXPECT_EQ(view.status[kStatusEncoding].rfind("当前文件编码:936", 0), 0u);
  Write("be.txt", be);
  shell.ClickRow(0);
  shell.ConvertEncoding(text::EncodingCommand::kToUtf8);
  EXPECT_EQ(view.LastMessage(), msg::kConverted);
  EXPECT_EQ(Read("be.txt"), "\xEF\xBB\xBF大端文字\r\n");
}

TEST_F(MainWindowDocument, ACommandThatChangesNothingSaysWhy) {
  Write("a.txt", "\xEF\xBB\xBF" + charset::GbkToUtf8(G("已是 UTF-8")));
  Write("b.htm", G("<p>网页</p>"));
  Open();
  ASSERT_EQ(shell.current_path(), dir / "a.txt");
  const std::string before = Read("a.txt");
  shell.ConvertEncoding(text::EncodingCommand::kToUtf8);
  EXPECT_EQ(view.LastMessage(), std::string(msg::kNotConverted) + msg::kAlreadyUtf8);
  EXPECT_EQ(Read("a.txt"), before);
  shell.ClickRow(1);
  shell.ConvertEncoding(text::EncodingCommand::kToUtf8);
  EXPECT_EQ(view.LastMessage(), std::string(msg::kNotConverted) + msg::kOnlyTxtConverted);
}

TEST_F(MainWindowDocument, ForumOpensTheHelpPage) {
  shell.Start();
  shell.OpenForum();
  EXPECT_EQ(view.help_opened, 1);
}

}  // namespace
}  // namespace folian::app
