// Umd2txt and Jar2txt through the window's converter frame: the open-file
// dialog, the text beside the book, its row on top and opened, the Part's
// message; an empty book gives an empty text file; a bad one writes nothing.
#include <gtest/gtest.h>

#include "app/convert_commands.h"
#include "app/convert_messages.h"
#include "convert/jar/jar_writer.h"
#include "convert/umd/umd_writer.h"
#include "shell_test_util.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;

struct BookConvertFixture : ShellFixture {
  ConvertCommands commands{shell};
  BookConvertFixture() {
    Write("other.txt", G("另一本书"));
    Open();
  }
  void WriteUmd(const char* name, std::u16string text) {
    std::string book;
    ASSERT_TRUE(convert::WriteUmd({u"书名", u"作者", std::move(text)}, &book));
    Write(name, book);
  }
  void Convert(ControlId id, const char* name) {
    view.file_answer = dir / name;
    commands.Run(id);
  }
};

TEST(BookConvert, Umd2TxtPutsTheTextOnTopAndOpensIt) {
  BookConvertFixture f;
  f.WriteUmd("书.umd", u"第一回\u2029何故?\u2029");
  f.Convert(kUmd2Txt, "书.umd");
  EXPECT_EQ(f.Read("书.txt"), G("第一回\r\n何故?\r\n"));
  ASSERT_FALSE(f.view.messages.empty());
  EXPECT_EQ(f.view.messages.back().text, msg::kUmdDone);
  EXPECT_EQ(f.shell.file_list().row(0).name, "书.txt");
  EXPECT_EQ(f.shell.current_path(), f.dir / "书.txt");
  EXPECT_EQ(f.view.editor, G("第一回\r\n何故?\r\n"));
}

TEST(BookConvert, EmptyUmdGivesAnEmptyTextFile) {
  BookConvertFixture f;
  f.WriteUmd("空.umd", u"");
  f.Convert(kUmd2Txt, "空.umd");
  ASSERT_TRUE(fs::exists(f.dir / "空.txt"));
  EXPECT_EQ(f.Read("空.txt"), "");
  EXPECT_EQ(f.shell.file_list().row(0).name, "空.txt");
}

TEST(BookConvert, Jar2TxtPutsTheTextOnTopAndOpensIt) {
  BookConvertFixture f;
  std::string archive;
  const std::string entry = std::string("HB") + std::string("\x2C\x7B\x00\x4E\xDE\x56\r\0\n\0\0\0", 12);
  ASSERT_TRUE(convert::WriteJar(entry, "书", {}, &archive));
  f.Write("书.jar", archive);
  f.Convert(kJar2Txt, "书.jar");
  EXPECT_EQ(f.Read("书.txt"), G("第一回\r\n"));
  EXPECT_EQ(f.view.messages.back().text, msg::kFileConverted);
  EXPECT_EQ(f.shell.file_list().row(0).name, "书.txt");
}

TEST(BookConvert, ABadBookWritesNothingAndSaysWhy) {
  BookConvertFixture f;
  f.Write("坏.umd", "\x89\x9B\x9A\xDE#\x01\x00\x00\x40 cut short");
  f.Convert(kUmd2Txt, "坏.umd");
  EXPECT_FALSE(fs::exists(f.dir / "坏.txt"));
  ASSERT_FALSE(f.view.messages.empty());
  EXPECT_EQ(f.view.messages.back().icon, MessageIcon::kWarning);
  EXPECT_NE(f.view.messages.back().text.find("已损坏"), std::string::npos) << f.view.messages.back().text;

  f.Write("坏.jar", "not an archive");
  f.Convert(kJar2Txt, "坏.jar");
  EXPECT_FALSE(fs::exists(f.dir / "坏.txt"));
  EXPECT_EQ(f.shell.file_list().row(0).name, "other.txt") << "the list is as it was";
}

}  // namespace
}  // namespace folian::app
