// The window's txt2umd and txt2jar on the Current document: the fields give
// title and author, the stored template is used, unsaved edits are offered
// for saving first, and the user is told how it went.
#include "app/book_commands.h"

#include <gtest/gtest.h>

#include "app/export_messages.h"
#include "app/options_store.h"
#include "shell_test_util.h"

namespace folian::app {
namespace {

struct BookFixture : ShellFixture {
  BookCommands books{shell};
  BookFixture() {
    Write("第一回.txt", G("第一回　张天师\r\n"));
    Open();
  }
};

TEST(BookCommands, Txt2UmdTakesTitleAndAuthorFromTheFields) {
  BookFixture f;
  f.view.fields[kFindField] = "水浒";
  f.view.fields[kReplaceField] = "施耐庵";
  f.books.Txt2Umd();
  ASSERT_EQ(f.view.messages.size(), 1u);
  EXPECT_EQ(f.view.messages[0].text, "文件 \"" + (f.dir / "第一回.umd").string() + "\" 已经生成。");
  EXPECT_EQ(f.view.messages[0].caption, "Folian");
  EXPECT_EQ(f.view.messages[0].icon, MessageIcon::kInformation);
  EXPECT_FALSE(f.shell.busy());
  EXPECT_FALSE(f.view.progress_visible);
  ASSERT_FALSE(f.view.progress_positions.empty());
  EXPECT_EQ(f.view.progress_positions.back(), 100) << "the compression's progress reached the window";
  const std::string book = f.Read("第一回.umd");
  EXPECT_NE(book.find(std::string("\x34\x6C\x52\x6D", 4)), std::string::npos) << "title 水浒";
  EXPECT_NE(book.find(std::string("\xBD\x65\x10\x80\xB5\x5E", 6)), std::string::npos) << "author 施耐庵";
}

TEST(BookCommands, Txt2JarUsesTheStoredTemplate) {
  BookFixture f;
  f.books.Txt2Jar();
  ASSERT_EQ(f.view.messages.size(), 1u);
  EXPECT_NE(f.view.messages[0].text.find(msg::kJarNoTemplate), std::string::npos);

  testing::WriteBytes(f.dir / "reader.jar", f.Read("第一回.jar"));
  ASSERT_TRUE(SaveJarTemplate(f.shell.options_store(), f.dir / "reader.jar"));
  f.books.Txt2Jar();
  ASSERT_EQ(f.view.messages.size(), 2u);
  EXPECT_NE(f.view.messages[1].text.find("复制 1 个条目"), std::string::npos) << f.view.messages[1].text;
}

TEST(BookCommands, UnsavedEditsAreOfferedFirst) {
  BookFixture f;
  f.view.editor = G("改过的正文\r\n");
  f.view.can_undo = true;
  f.view.answers = {Answer::kCancel};
  f.books.Txt2Umd();
  EXPECT_FALSE(std::filesystem::exists(f.dir / "第一回.umd")) << "cancelled: nothing made";
  EXPECT_TRUE(f.view.messages.empty());

  f.view.answers = {Answer::kYes};
  f.books.Txt2Umd();
  EXPECT_EQ(f.Read("第一回.txt"), G("改过的正文\r\n")) << "saved, then packed";
  EXPECT_TRUE(std::filesystem::exists(f.dir / "第一回.umd"));
}

TEST(BookCommands, FailureIsReportedAsAnError) {
  BookFixture f;
  f.BlockWrites("第一回.jar");
  f.books.Txt2Jar();
  ASSERT_EQ(f.view.messages.size(), 1u);
  EXPECT_EQ(f.view.messages[0].icon, MessageIcon::kError);
  EXPECT_TRUE(f.view.messages[0].text.starts_with(msg::kJarFailed)) << f.view.messages[0].text;
  EXPECT_FALSE(f.shell.busy());
}

}  // namespace
}  // namespace folian::app
