// The converter buttons through the window's frame: Htm2txt on the
// selected row (the row becomes the text, the append rule, banners, ".txt"
// refused) and the table every button goes through.
#include <gtest/gtest.h>

#include <set>

#include "app/convert_commands.h"
#include "app/convert_messages.h"
#include "app/converter_buttons.h"
#include "convert/messages.h"
#include "convert/pdf_fixture.h"
#include "convert/pdb_fixture.h"
#include "convert/registry.h"
#include "convert/chm_fixture.h"
#include "convert/pe_fixture.h"
#include "convert/zip_fixture.h"
#include "shell_test_util.h"

namespace folian::app {
namespace {

namespace fs = std::filesystem;

int RowOf(const Shell& shell, const std::string& name) {
  const FileList& list = shell.file_list();
  for (int i = 0; i < list.size(); ++i) {
    if (list.row(i).name == name) return i;
  }
  return -1;
}

struct ConvertFixture : ShellFixture {
  ConvertCommands commands{shell};

  void Select(const std::string& name) {
    const int row = RowOf(shell, name);
    ASSERT_GE(row, 0) << name;
    shell.ClickRow(row);
  }
};

TEST(ConverterButtons, EveryRowIsAConverterButtonWithAKnownFormat) {
  std::set<int> ids;
  for (const ConverterButton& b : ConverterButtons()) {
    EXPECT_TRUE(ids.insert(b.id).second) << b.id;
    EXPECT_NE(convert::FormatByName(b.format), nullptr) << b.format;
    EXPECT_NE(b.done, nullptr);
    if (b.source == ConverterSource::kOpenDialog) {
      EXPECT_NE(b.title, nullptr);
      EXPECT_NE(b.filter, nullptr);
    }
    EXPECT_EQ(FindConverterButton(b.id), &b);
  }
  EXPECT_EQ(FindConverterButton(kTidy), nullptr);
}

TEST(Htm2Txt, TheSelectedPageBecomesItsTextRowOpened) {
  ConvertFixture f;
  f.Write("b.txt", G("别的书"));
  f.Write("a.htm", "<title>" + G("书名") + "</title><p>" + G("第一段") + "</p>");
  f.Open();
  f.Select("a.htm");
  f.commands.Run(kHtm2Txt);
  EXPECT_EQ(f.Read("a.txt"), G("书名\r\n第一段\r\n"));
  EXPECT_TRUE(fs::exists(f.dir / "a.htm")) << "the page stays on disk";
  EXPECT_EQ(RowOf(f.shell, "a.htm"), -1);
  const int row = RowOf(f.shell, "a.txt");
  ASSERT_GE(row, 0);
  EXPECT_EQ(f.shell.file_list().row(row).size, std::to_string(f.Read("a.txt").size()));
  EXPECT_EQ(f.shell.current_path(), f.dir / "a.txt");
  EXPECT_EQ(f.view.editor, G("书名\r\n第一段\r\n"));
  EXPECT_EQ(f.view.LastMessage(), msg::kFileConverted);
  EXPECT_FALSE(f.shell.busy());
  EXPECT_FALSE(f.view.progress_visible);
}

TEST(Htm2Txt, AnExistingTxtGetsTheTextAppendedAndTheMessageSaysSo) {
  ConvertFixture f;
  // (Long enough that the GBK text is not also valid UTF-8.)
  f.Write("a.txt", G("第一页的正文\r\n"));
  f.Write("a.htm", G("后一页") + "<br>");
  f.Open();
  f.Select("a.htm");
  f.commands.Run(kHtm2Txt);
  EXPECT_EQ(f.Read("a.txt"), G("第一页的正文\r\n后一页\r\n"));
  EXPECT_EQ(f.view.LastMessage(), std::string(msg::kFileConverted) + msg::kAppendedTo + "a.txt");
  EXPECT_EQ(f.shell.file_list().size(), 1) << "one row for a.txt, none for the page";
  EXPECT_EQ(f.shell.current_path(), f.dir / "a.txt");
}

TEST(Htm2Txt, TxtRowsAreRefusedAndNothingIsWritten) {
  ConvertFixture f;
  f.Write("a.txt", G("正文"));
  f.Open();
  f.Select("a.txt");
  f.commands.Run(kHtm2Txt);
  EXPECT_EQ(f.view.LastMessage(), msg::kHtmlOnly);
  EXPECT_EQ(f.Read("a.txt"), G("正文"));
}

TEST(Htm2Txt, SiteBannersLeaveThePageAndTheText) {
  ConvertFixture f;
  const std::string page = "<script>document.write('" + G("正文") + "');</script>" +
                           G("读书在起点 · 创作无极限 · 中国最大的原创文学网站") + "<br>" +
                           G("起点中文网制作发布 &nbsp;&nbsp;欢迎访问起点 ") + "www.example.com";
  f.Write("c.html", page);
  f.Open();
  f.Select("c.html");
  f.commands.Run(kHtm2Txt);
  EXPECT_EQ(f.Read("c.html"), G("正文") + "<br>") << "no zero byte is added to the page";
  EXPECT_EQ(f.Read("c.txt"), G("正文") + "\r\n");
}

TEST(Htm2Txt, AFailureSaysWhyAndLeavesTheListAlone) {
  ConvertFixture f;
  f.Write("a.htm", "<p>x</p>");
  f.Open();
  f.Select("a.htm");
  fs::create_directories(f.dir / "a.txt" / "keep");  // the output cannot be written
  f.commands.Run(kHtm2Txt);
  EXPECT_NE(f.view.LastMessage().find("a.txt"), std::string::npos);
  EXPECT_EQ(f.view.messages.back().icon, MessageIcon::kWarning);
  EXPECT_GE(RowOf(f.shell, "a.htm"), 0);
  EXPECT_FALSE(f.shell.busy());
}

TEST(Htm2Txt, AnUnsavedDocumentIsOfferedForSavingFirst) {
  ConvertFixture f;
  f.Write("a.htm", "<p>x</p>");
  f.Open();
  f.Select("a.htm");
  f.view.Type("y");
  f.view.answers.push_back(Answer::kCancel);
  f.commands.Run(kHtm2Txt);
  EXPECT_FALSE(fs::exists(f.dir / "a.txt")) << "cancelled at the save prompt";
}

TEST(DialogButtons, TheChosenBookIsConvertedBesideItAndListedOnTop) {
  ConvertFixture f;
  f.Write("a.txt", G("已有的书"));
  testing::TempDir elsewhere;
  testing::WriteBytes(elsewhere / "Book.pdb", testing::MakePdb(testing::BookOf(G("第一章\n正文\n"))));
  f.Open();
  f.view.file_answer = elsewhere / "Book.pdb";
  f.commands.Run(kPdb2Txt);
  EXPECT_EQ(f.view.file_filters.back(), "*.pdb");
  EXPECT_EQ(f.view.questions.back(), msg::kPdbTitle);
  EXPECT_EQ(testing::ReadBytes(elsewhere / "Book.txt"), G("第一章\r\n正文\r\n"));
  EXPECT_EQ(f.view.LastMessage(), msg::kPdbDone);
  // Outside the Working folder: listed by its full path, on top, selected, open.
  const std::string full = (elsewhere / "Book.txt").string();
  EXPECT_EQ(f.shell.file_list().row(0).name, full);
  EXPECT_TRUE(f.shell.file_list().row(0).selected);
  EXPECT_EQ(f.shell.current_path(), elsewhere / "Book.txt");
  EXPECT_EQ(f.view.editor, G("第一章\r\n正文\r\n"));
  EXPECT_EQ(f.shell.working_folder(), f.dir.path()) << "the Working folder stays";

  // Converted again: still one row for it.
  f.commands.Run(kPdb2Txt);
  EXPECT_EQ(f.shell.file_list().size(), 2);
  EXPECT_EQ(RowOf(f.shell, full), 0);

  // Inside the Working folder: listed by name.
  f.Write("c.pdb", testing::MakePdb(testing::BookOf("Chapter\n")));
  f.view.file_answer = f.dir / "c.pdb";
  f.commands.Run(kPdb2Txt);
  EXPECT_EQ(f.shell.file_list().row(0).name, "c.txt");
}

TEST(DialogButtons, CancelOrABadBookChangesNothing) {
  const struct {
    ControlId button;
    const char* name;
    std::string bytes;
    const char* message;
  } cases[] = {{kPdb2Txt, "bad.pdb", std::string(100, 'x'), convert::msg::kPdbNotPalmDoc},
               {kPdf2Txt, "bad.pdf", "not a pdf at all", convert::msg::kPdfNotPdf}};
  for (const auto& c : cases) {
    ConvertFixture f;
    f.Write("a.txt", G("已有的书"));
    f.Write(c.name, c.bytes);
    f.Open();
    const std::size_t messages = f.view.messages.size();
    f.view.file_answer.reset();
    f.commands.Run(c.button);
    EXPECT_EQ(f.view.messages.size(), messages) << "a cancelled dialog does nothing";
    f.view.file_answer = f.dir / c.name;
    f.commands.Run(c.button);
    EXPECT_EQ(f.view.LastMessage(), c.message);
    EXPECT_FALSE(fs::exists(f.dir / "bad.txt"));
    EXPECT_EQ(f.shell.file_list().size(), 1) << "the list is as it was";
    EXPECT_FALSE(f.shell.busy());
  }
}

TEST(Pdf2Txt, TextGbkCannotHoldIsSavedAsUtf8AndTheMessageSaysSo) {
  ConvertFixture f;
  f.Write("b.txt", G("别的书"));
  f.Open();
  const std::string font =
      "<< /Type /Font /Subtype /Type0 /BaseFont /X /Encoding /UniGB-UCS2-H /DescendantFonts "
      "[<< /Type /Font /Subtype /CIDFontType0 /BaseFont /X >>] >>";
  f.Write("thai.pdf", testing::OnePage("BT /F1 12 Tf 72 720 Td <4E2D0E01> Tj ET", {{"F1", font}}));
  f.view.file_answer = f.dir / "thai.pdf";
  f.commands.Run(kPdf2Txt);
  EXPECT_EQ(f.Read("thai.txt"), "\xEF\xBB\xBF\xE4\xB8\xAD\xE0\xB8\x81");
  EXPECT_EQ(f.view.LastMessage(), std::string(msg::kPdfDone) + msg::kSavedAsUtf8);
}

TEST(Chm2Htm, ThePagesLandInTheHelpFilesFolderAndTheListIsRescanned) {
  ConvertFixture f;
  f.Write("help.chm", testing::MakeChm({{"/index.htm", "<p>i</p>"}, {"/sub/B.HTM", "<p>b</p>"},
                                        {"/style.css", "p{}"}}));
  f.Write("index.htm", "old");  // a page already there is replaced
  f.Open();
  f.view.file_answer = f.dir / "help.chm";
  f.commands.Run(kChm2Htm);
  EXPECT_EQ(f.view.file_filters.back(), "*.chm");
  EXPECT_EQ(f.Read("index.htm"), "<p>i</p>");
  EXPECT_EQ(f.Read("sub/B.HTM"), "<p>b</p>");
  EXPECT_FALSE(fs::exists(f.dir / "style.css"));
  EXPECT_EQ(f.view.LastMessage(), msg::kChmDone);
  EXPECT_GE(RowOf(f.shell, "index.htm"), 0) << "the working folder was listed again";
  EXPECT_FALSE(f.shell.busy());
}

TEST(Chm2Htm, NoPageWrittenMeansNoCompletionMessage) {
  ConvertFixture f;
  f.Write("bad.chm", testing::MakeChm({{"/../evil.htm", "x"}}));
  f.Open();
  f.view.file_answer = f.dir / "bad.chm";
  f.commands.Run(kChm2Htm);
  EXPECT_EQ(f.view.LastMessage(), convert::msg::kChmNamesRefused);
  EXPECT_FALSE(fs::exists(f.dir.path().parent_path() / "evil.htm"));
}

TEST(Exe2Htm, ThePagesGoIntoAFolderBesideTheProgramAndAreOfferedForText) {
  ConvertFixture f;
  testing::PeContents book;
  book.resources = {{23, {}, 0, u"INDEX.HTM", 0x804, "<html><body><p>i</p></body></html>"}};
  book.overlay = testing::MakeZip({{"ch1.htm", "<html><p>one</p></html>"}, {"pic.png", "\x89PNG"}});
  f.Write("book.exe", testing::MakePe(book).bytes);
  f.Open();
  f.view.file_answer = f.dir / "book.exe";
  f.view.ok_answers = {false};  // the text later
  f.commands.Run(kExe2Htm);
  EXPECT_EQ(f.view.file_filters.back(), "*.exe");
  EXPECT_EQ(f.Read("book/INDEX.HTM"), "<html><body><p>i</p></body></html>");
  EXPECT_EQ(f.Read("book/pic.png"), "\x89PNG");
  ASSERT_FALSE(f.view.questions.empty());
  EXPECT_EQ(f.view.questions.back(), "2" + std::string(msg::kOfferPagesToText)) << "the image is no page";
  EXPECT_EQ(f.view.LastMessage(), msg::kExeDone);
  EXPECT_FALSE(f.shell.busy());
}

TEST(Exe2Htm, AProgramWithoutPagesLeavesNoFolder) {
  ConvertFixture f;
  testing::PeContents book;
  book.resources = {{3, {}, 1, {}, 0x804, "icon"}};
  f.Write("tool.exe", testing::MakePe(book).bytes);
  f.Open();
  f.view.file_answer = f.dir / "tool.exe";
  f.commands.Run(kExe2Htm);
  EXPECT_EQ(f.view.LastMessage(), convert::msg::kPeUnreadable);
  EXPECT_FALSE(fs::exists(f.dir / "tool"));
  for (const std::string& q : f.view.questions) EXPECT_EQ(q.find(msg::kOfferPagesToText), std::string::npos);
}

}  // namespace
}  // namespace folian::app
