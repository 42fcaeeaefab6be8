// Umd2txt and Jar2txt through the window's converter frame: the open-file
// dialog, the text beside the book, its row on top and opened, the done
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

TEST(BookConvert, TheTextGoesOnTopOpenedAndAnEmptyBookGivesAnEmptyFile) {
  std::string jar;
  const std::string entry = std::string("HB") + std::string("\x2C\x7B\x00\x4E\xDE\x56\r\0\n\0\0\0", 12);
  ASSERT_TRUE(convert::WriteJar(entry, "书", {}, &jar));
  const struct {
    ControlId button;
    const char* book;
    std::u16string umd_text;  // the book is a UMD of this text unless `jar`
    bool jar;
    std::string text;  // UTF-8
    const char* message;
  } cases[] = {{kUmd2Txt, "书.umd", u"第一回\u2029何故?\u2029", false, "第一回\r\n何故?\r\n", msg::kUmdDone},
               {kUmd2Txt, "空.umd", u"", false, "", msg::kUmdDone},
               {kJar2Txt, "书.jar", u"", true, "第一回\r\n", msg::kFileConverted}};
  for (const auto& c : cases) {
    BookConvertFixture f;
    if (c.jar) f.Write(c.book, jar); else f.WriteUmd(c.book, c.umd_text);
    f.Convert(c.button, c.book);
    const std::string txt = fs::path(c.book).stem().string() + ".txt";
    ASSERT_TRUE(fs::exists(f.dir / txt)) << c.book;
    EXPECT_EQ(f.Read(txt), G(c.text)) << c.book;
    ASSERT_FALSE(f.view.messages.empty());
    EXPECT_EQ(f.view.messages.back().text, c.message) << c.book;
    EXPECT_EQ(f.shell.file_list().row(0).name, txt);
    EXPECT_EQ(f.shell.current_path(), f.dir / txt);
    EXPECT_EQ(f.view.editor, G(c.text)) << c.book;
  }
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
