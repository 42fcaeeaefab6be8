// "分割选定文件" through the shell and the dialog's session: analysis,
// selection and removal of chapters, the checks before writing, the pieces,
// and an analysis that is stopped or outlived by its dialog.
#include "app/split_command.h"

#include <gtest/gtest.h>

#include "app/merge_split_messages.h"
#include "app/messages.h"
#include "files/chapters.h"
#include "merge_split_fakes.h"
#include "shell_test_util.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;

const std::string kPreamble = "Title\r\n";
std::string Chapter1() { return G("第一章 甲\r\n甲文。\r\n"); }
std::string Chapter2() { return G("第二章 乙\r\n乙文。\r\n"); }
std::string Chapter3() { return G("第三章 丙\r\n丙文。\r\n"); }
std::string Novel() { return kPreamble + Chapter1() + Chapter2() + Chapter3(); }

class SplitCommandTest : public ::testing::Test, public ShellFixture {
 protected:
  FakeMergeSplitDialogs dialogs;
  SplitCommand split{shell, dialogs};

  void OpenNovel(const std::string& name = "Book.txt", const std::string& bytes = Novel()) {
    Write(name, bytes);
    Open();
  }
};

TEST_F(SplitCommandTest, ByChapterAfterDroppingOne) {
  OpenNovel();
  std::vector<std::string> titles;
  dialogs.split_script = [&](SplitSession& s) {
    EXPECT_EQ(s.prefix(), "book");
    EXPECT_EQ(s.folder(), dir.path());
    s.Analyse(s.patternText());
    EXPECT_FALSE(s.analysing());
    for (int i = 0; i < static_cast<int>(s.chapters().size()); ++i) titles.push_back(s.chapterTitle(i));
    s.SelectChapter(1);
    EXPECT_EQ(view.sel_start, kPreamble.size() + Chapter1().size());
    EXPECT_EQ(view.sel_length, 6u);
    EXPECT_TRUE(s.RemoveChapter(1));
    return s.Accept(SplitMode::kByChapter, s.prefix(), "");
  };
  split.Split();
  EXPECT_EQ(titles, (std::vector<std::string>{"第一章 甲", "第二章 乙", "第三章 丙"}));
  EXPECT_EQ(Read("book0000.txt"), kPreamble);
  EXPECT_EQ(Read("book0001.txt"), Chapter1() + Chapter2());
  EXPECT_EQ(Read("book0002.txt"), Chapter3());
  EXPECT_FALSE(fs::exists(dir / "book0003.txt"));
  EXPECT_EQ(Read("Book.txt"), Novel());
  EXPECT_EQ(view.LastMessage(), msg::kSplitDone);
  EXPECT_EQ(view.status[kStatusMessage], "");
  EXPECT_FALSE(view.progress_visible);
  EXPECT_FALSE(shell.busy());
}

TEST_F(SplitCommandTest, ThePatternFieldAnalysesLikeTheStoredPattern) {
  OpenNovel();
  dialogs.split_script = [&](SplitSession& s) {
    const std::string field = s.patternText();
    EXPECT_EQ(field.substr(field.size() - 2), "\\n") << "the line feed is shown as an escape";
    s.Analyse(field);
    EXPECT_EQ(s.chapters().size(),
              files::FindChapters(Novel(), files::DefaultChapterPattern()).chapters.size());
    EXPECT_EQ(s.chapters().size(), 3u);
    // Another pattern replaces the list; an empty one leaves it alone.
    s.Analyse("\\r\\n");
    EXPECT_EQ(s.chapters().size(), 7u);
    s.Analyse("");
    EXPECT_EQ(s.chapters().size(), 7u);
    s.Analyse("(第");
    EXPECT_TRUE(s.chapters().empty());
    return false;
  };
  split.Split();
  EXPECT_EQ(view.LastMessage().rfind(msg::kBadChapterPattern, 0), 0u) << view.LastMessage();
  EXPECT_NE(view.LastMessage().find("mismatched parenthesis"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "book0001.txt"));
}

TEST_F(SplitCommandTest, ExistingPiecesAreReplacedOnlyWhenTheUserSaysSo) {
  OpenNovel();
  Write("book0002.txt", "mine");
  int accepted = 0;
  dialogs.split_script = [&](SplitSession& s) {
    s.Analyse(s.patternText());
    view.answers = {Answer::kNo};
    if (s.Accept(SplitMode::kByChapter, "book", "")) ++accepted;
    EXPECT_EQ(view.questions.size(), 1u);
    EXPECT_NE(view.questions.back().find("book0002.txt"), std::string::npos);
    return false;  // the user then cancels
  };
  split.Split();
  EXPECT_EQ(accepted, 0);
  EXPECT_EQ(Read("book0002.txt"), "mine");
  EXPECT_FALSE(fs::exists(dir / "book0001.txt"));

  dialogs.split_script = [&](SplitSession& s) {
    s.Analyse(s.patternText());
    view.answers = {Answer::kYes};
    return s.Accept(SplitMode::kByChapter, "book", "");
  };
  split.Split();
  EXPECT_EQ(Read("book0002.txt"), Chapter2());
}

TEST_F(SplitCommandTest, APieceIsNeverWrittenOverTheDocument) {
  OpenNovel("x0001.txt");
  dialogs.split_script = [&](SplitSession& s) {
    s.Analyse(s.patternText());
    view.answers = {Answer::kYes, Answer::kYes};
    EXPECT_FALSE(s.Accept(SplitMode::kByChapter, "x", ""));
    EXPECT_EQ(view.LastMessage(), msg::kSplitOverSource);
    EXPECT_FALSE(s.Accept(SplitMode::kByChapter, "a/b", ""));
    EXPECT_EQ(view.LastMessage(), std::string(msg::kSplitBadPrefix) + "a/b");
    return false;
  };
  split.Split();
  EXPECT_EQ(Read("x0001.txt"), Novel());
}

TEST_F(SplitCommandTest, BySizeChecksTheSizeAndReadsTheFileOnDisk) {
  std::string file;
  for (int i = 0; i < 60; ++i) file += std::string(49, 'a' + i % 26) + "\n";  // 3,000 bytes
  OpenNovel("big.txt", file);
  view.Type("unsaved edit");
  dialogs.split_script = [&](SplitSession& s) {
    EXPECT_FALSE(s.Accept(SplitMode::kBySize, "big", "abc"));
    EXPECT_EQ(view.LastMessage(), msg::kSplitWrongSize);
    EXPECT_FALSE(s.Accept(SplitMode::kBySize, "big", "0"));
    EXPECT_FALSE(s.Accept(SplitMode::kBySize, "big", "3"));
    EXPECT_EQ(view.LastMessage(), msg::kSplitWrongSize) << "3 KB is not smaller than the file";
    return s.Accept(SplitMode::kBySize, "big", " 1 ");
  };
  split.Split();
  EXPECT_EQ(view.LastMessage(), msg::kSplitDone);
  std::string joined;
  for (const char* name : {"big_001.txt", "big_002.txt", "big_003.txt"}) joined += Read(name);
  EXPECT_EQ(Read("big_001.txt").size(), 21u * 51) << "whole lines until 1,024 bytes are read";
  EXPECT_FALSE(fs::exists(dir / "big_004.txt"));
  std::string expected;
  for (char c : file) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_EQ(joined, expected + "\r\n");
}

TEST_F(SplitCommandTest, PiecesKeepTheDocumentsEncodingAndGoToTheChosenFolder) {
  testing::TempDir other;
  OpenNovel("u.txt", "\xEF\xBB\xBF" + charset::GbkToUtf8(Novel()));
  dialogs.split_script = [&](SplitSession& s) {
    s.ChooseFolder(other.path());
    EXPECT_EQ(s.folder(), other.path());
    s.Analyse(s.patternText());
    return s.Accept(SplitMode::kByChapter, "u", "");
  };
  split.Split();
  EXPECT_EQ(testing::ReadBytes(other / "u0002.txt"), "\xEF\xBB\xBF" + charset::GbkToUtf8(Chapter2()));
  EXPECT_EQ(split.split_folder(), other.path());
  dialogs.split_script = [&](SplitSession& s) {
    EXPECT_EQ(s.folder(), other.path()) << "the folder is remembered";
    return false;
  };
  split.Split();
}

TEST_F(SplitCommandTest, AFailedPieceIsNamedAndNoPieceStays) {
  OpenNovel();
  BlockWrites("book0002.txt");
  dialogs.split_script = [&](SplitSession& s) {
    s.Analyse(s.patternText());
    view.answers = {Answer::kYes};
    return s.Accept(SplitMode::kByChapter, "book", "");
  };
  split.Split();
  EXPECT_EQ(view.messages.back().icon, MessageIcon::kError);
  EXPECT_NE(view.LastMessage().find("book0002.txt"), std::string::npos) << view.LastMessage();
  for (const char* piece : {"book0000.txt", "book0001.txt", "book0003.txt"}) {
    EXPECT_FALSE(fs::exists(dir / piece)) << piece << ": all pieces or none";
  }
  EXPECT_FALSE(shell.busy());
}

// --- the analysis on its worker ---

struct HeldSession : ::testing::Test {
  FakeView view;
  HeldRunner runner;
  fs::path folder;
  std::unique_ptr<SplitSession> session;
  int changes = 0;

  void SetUp() override {
    SplitDocument doc;
    doc.gbk = Novel();
    doc.working_folder = "/w";
    session = std::make_unique<SplitSession>(view, runner, std::move(doc), &folder);
    session->SetOnChange([this] { ++changes; });
  }
};

TEST_F(HeldSession, ProgressShowsWhileAnalysingAndStopsWithIt) {
  session->Analyse(session->patternText());
  EXPECT_TRUE(session->analysing());
  EXPECT_EQ(view.status[kStatusMessage], msg::kAnalysingChapters);
  EXPECT_TRUE(view.progress_visible);
  EXPECT_FALSE(session->Accept(SplitMode::kByChapter, "p", "")) << "the list is not complete yet";
  session->StopAnalysis();
  EXPECT_FALSE(session->analysing());
  EXPECT_FALSE(view.progress_visible);
  EXPECT_EQ(view.status[kStatusMessage], "");
  runner.RunAll();
  EXPECT_TRUE(session->chapters().empty()) << "a stopped analysis delivers nothing";
}

TEST_F(HeldSession, ANewAnalysisReplacesTheRunningOne) {
  session->Analyse("\\r\\n");
  session->Analyse(session->patternText());
  runner.RunAll();
  EXPECT_EQ(session->chapters().size(), 3u);
  EXPECT_FALSE(session->analysing());
  EXPECT_FALSE(view.progress_visible);
  EXPECT_GE(changes, 3);
}

TEST_F(HeldSession, AClosedDialogsAnalysisIsDropped) {
  session->Analyse(session->patternText());
  session.reset();
  EXPECT_FALSE(view.progress_visible);
  runner.RunAll();  // must not touch the session that is gone
  EXPECT_EQ(changes, 1);
}

TEST(PieceSizeFieldTest, WholeKilobytesOnly) {
  EXPECT_EQ(PieceBytesOfField("1"), 1024u);
  EXPECT_EQ(PieceBytesOfField(" 200\t"), 200u * 1024);
  EXPECT_EQ(PieceBytesOfField(""), 0u);
  EXPECT_EQ(PieceBytesOfField("0"), 0u);
  EXPECT_EQ(PieceBytesOfField("-1"), 0u);
  EXPECT_EQ(PieceBytesOfField("1.5"), 0u);
  EXPECT_EQ(PieceBytesOfField("99999999999999999999999"), 0u);
}

}  // namespace
}  // namespace folian::app
