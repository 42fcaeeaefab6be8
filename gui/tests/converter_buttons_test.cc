// The converter buttons as a user clicks them, offscreen: each converts a
// sample, and the result row is on top of the File list, selected and open.
#include <QTableView>
#include <QTest>

#include "app/convert_messages.h"
#include "app/tool_messages.h"
#include "convert/messages.h"
#include "convert/chm_fixture.h"
#include "convert/cfb_fixture.h"
#include "convert/pdf_fixture.h"
#include "convert/pdb_fixture.h"
#include "convert/pe_fixture.h"
#include "convert/zip_fixture.h"
#include "window_fixture.h"
#include "window_tools.h"

using namespace folian::app;
namespace fs = std::filesystem;

namespace {

struct ConvertFixture : WindowFixture {
  WindowTools tools{*window};

  bool waitIdle() { return QTest::qWaitFor([&] { return window->idle(); }, 20000); }
  QString row(int i) { return window->fileView()->model()->index(i, 0).data().toString(); }
  QString editorText() { return QString::fromStdString(folian::charset::GbkToUtf8(window->editor()->Gbk())); }
};

}  // namespace

class ConverterButtonsTest : public QObject {
  Q_OBJECT

 private slots:
  void htm2txtConvertsTheSelectedPage() {
    ConvertFixture f;
    f.write("a.htm", "<h1>" + G("第一回") + "</h1><p>" + G("正文") + "</p>");
    f.write("b.txt", G("另一本书"));
    QVERIFY(f.openFolder());
    QCOMPARE(f.row(0), QStringLiteral("a.htm"));
    f.button(kHtm2Txt)->click();
    QVERIFY(f.waitIdle());
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kFileConverted));
    QCOMPARE(f.row(0), QStringLiteral("a.txt"));
    QCOMPARE(f.window->fileView()->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(f.window->fileView()->selectionModel()->selectedRows()[0].row(), 0);
    QCOMPARE(f.window->shell().current_path(), f.dir / "a.txt");
    QVERIFY(f.editorText().startsWith(QStringLiteral("第一回")));
    QVERIFY(f.editorText().contains(QStringLiteral("正文")));
    QVERIFY(fs::exists(f.dir / "a.htm"));
  }

  // Each picked book is converted beside itself, and its text row comes on
  // top of the File list, selected and open.
  void bookButtonsConvertThePickedFileOntoTheTopRow() {
    const std::string font =
        "<< /Type /Font /Subtype /Type0 /BaseFont /STSong-Light /Encoding /UniGB-UCS2-H /DescendantFonts "
        "[<< /Type /Font /Subtype /CIDFontType0 /BaseFont /STSong-Light >>] >>";
    folian::testing::WordLayout layout;
    layout.pieces = {{u"第一回\r正文\r", false}};
    const std::string opf =
        "<package xmlns=\"http://www.idpf.org/2007/opf\"><manifest>"
        "<item id=\"c1\" href=\"c1.xhtml\" media-type=\"application/xhtml+xml\"/></manifest>"
        "<spine><itemref idref=\"c1\"/></spine></package>";
    struct Case {
      const char* name;
      std::string bytes;
      ControlId button;
      const char* filter;
      const char* done;
      QString text;  // the editor's text, exactly
    };
    const Case cases[] = {
        // 第一回 / 正文, one line each.
        {"book.pdf",
         folian::testing::OnePage("BT /F1 12 Tf 72 720 Td <7B2C4E0056DE> Tj 0 -16 Td <6B636587> Tj ET",
                                  {{"F1", font}}),
         kPdf2Txt, "*.pdf", msg::kPdfDone, QStringLiteral("第一回\r\n正文")},
        {"book.rtf",
         "{\\rtf1\\ansi\\ansicpg936{\\fonttbl{\\f0\\fcharset134 SimSun;}}\\f0 "
         "\\'b5\\'da\\'d2\\'bb\\'bb\\'d8\\par \\u27491?\\u25991?}",
         kRtf2Txt, "*.rtf", msg::kRtfDone, QStringLiteral("第一回\r\n正文")},
        {"book.doc", folian::testing::MakeWordDocument(layout), kDoc2Txt, "*.doc *.docx", msg::kDocDone,
         QStringLiteral("第一回\r\n正文\r\n")},
        {"book.pdb", folian::testing::MakePdb(folian::testing::BookOf(G("第一章\n正文\n"))), kPdb2Txt, "*.pdb",
         msg::kPdbDone, QStringLiteral("第一章\r\n正文\r\n")},
        {"book.epub",
         folian::testing::MakeZip(
             {{"mimetype", "application/epub+zip", true},
              {"META-INF/container.xml",
               "<container><rootfiles><rootfile full-path=\"OEBPS/content.opf\"/></rootfiles></container>"},
              {"OEBPS/content.opf", opf},
              {"OEBPS/c1.xhtml", "<html><body><h1>第一章</h1><p>正文</p></body></html>"}}),
         kEpub2Txt, "*.epub", msg::kEpubDone, QStringLiteral("第一章\r\n正文\r\n")},
    };
    for (const Case& c : cases) {
      ConvertFixture f;
      f.write("a.txt", G("另一本书"));
      f.write("z.txt", G("又一本书"));
      f.write(c.name, c.bytes);
      QVERIFY(f.openFolder());
      f.prompter.file = QString::fromStdString((f.dir / c.name).string());
      f.button(c.button)->click();
      QVERIFY(f.waitIdle());
      QCOMPARE(f.prompter.file_filters.last(), QString::fromUtf8(c.filter));
      QCOMPARE(f.prompter.last(), QString::fromUtf8(c.done));
      QCOMPARE(f.row(0), QStringLiteral("book.txt"));
      QCOMPARE(f.window->fileView()->selectionModel()->selectedRows()[0].row(), 0);
      QCOMPARE(f.window->shell().current_path(), f.dir / "book.txt");
      QCOMPARE(f.editorText(), c.text);
    }
  }

  void hlp2txtConvertsTheSharedHelpFile() {
    const fs::path sample =
        fs::path(FOLIAN_SHARED_DIR) / "formats/third_party/hlp/reversi_86_64-REVERSI.zh-CN.hcw4-gbk.hlp";
    if (!fs::exists(sample)) QSKIP("../shared/formats/third_party/hlp is absent");
    ConvertFixture f;
    f.write("a.txt", G("另一本书"));
    fs::copy_file(sample, f.dir / "reversi.hlp");
    QVERIFY(f.openFolder());
    f.prompter.file = QString::fromStdString((f.dir / "reversi.hlp").string());
    f.button(kHlp2Txt)->click();
    QVERIFY(f.waitIdle());
    QCOMPARE(f.prompter.file_filters.last(), QStringLiteral("*.hlp"));
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kHlpDone));
    QCOMPARE(f.row(0), QStringLiteral("reversi.txt"));
    QCOMPARE(f.window->fileView()->selectionModel()->selectedRows()[0].row(), 0);
    QCOMPARE(f.window->shell().current_path(), f.dir / "reversi.txt");
    QVERIFY(f.editorText().startsWith(QStringLiteral("“翻转棋”帮助\r\n")));
    QVERIFY(f.editorText().contains(QStringLiteral("\r\n选择难度\r\n难度决定计算机的走棋水平。")));
  }

  void htm2txtInBatchModeConvertsEveryPage() {
    ConvertFixture f;
    f.write("a.htm", "<p>A</p>");
    f.write("b.html", "<p>B</p>");
    f.write("c.txt", "C");
    QVERIFY(f.openFolder());
    f.button(kBatchMode)->click();
    f.button(kHtm2Txt)->click();
    QVERIFY(f.waitIdle());
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kBatchConvertDone));
    QCOMPARE(f.read("a.txt"), std::string("A\r\n"));
    QCOMPARE(f.read("b.txt"), std::string("B\r\n"));
    QVERIFY(!fs::exists(f.dir / "a.htm"));
    QCOMPARE(f.row(0), QStringLiteral("a.txt"));
  }

  void chm2htmUnpacksThePagesAndConvertsThemInTableOrder() {
    ConvertFixture f;
    f.write("help.chm", folian::testing::MakeChm(
                            {{"/b.htm", "<p>B</p>"},
                             {"/a.htm", "<p>A</p>"},
                             {"/pic.png", "png"},
                             {"/toc.hhc", "<param name=\"Local\" value=\"a.htm\"><param name=\"Local\" value=\"b.htm\">"}}));
    QVERIFY(f.openFolder());
    f.prompter.file = QString::fromStdString((f.dir / "help.chm").string());
    f.prompter.ok_answers = {true};
    f.button(kChm2Htm)->click();
    QVERIFY(f.waitIdle());
    QVERIFY(f.prompter.file_filters.contains(QStringLiteral("*.chm")));
    // The batch starts from the unpacking's end, on a worker of its own.
    QTRY_COMPARE_WITH_TIMEOUT(f.prompter.last(), QString::fromUtf8(msg::kBatchConvertDone), 20000);
    QVERIFY(f.waitIdle());
    QCOMPARE(f.read("a.txt"), std::string("A\r\n"));
    QCOMPARE(f.read("b.txt"), std::string("B\r\n"));
    QVERIFY(!fs::exists(f.dir / "pic.png"));
    QCOMPARE(f.row(0), QStringLiteral("a.txt"));
    QCOMPARE(f.row(1), QStringLiteral("b.txt"));
  }

  void exe2htmUnpacksTheBooksPagesIntoAFolderAndConvertsThem() {
    ConvertFixture f;
    folian::testing::PeContents book;
    book.resources = {{23, {}, 0, u"A.HTM", 0x804, "<html><p>A</p></html>"}};
    book.overlay = folian::testing::MakeZip({{"b.htm", "<html><p>B</p></html>"}, {"logo.png", "\x89PNG"}});
    f.write("book.exe", folian::testing::MakePe(book).bytes);
    f.write("notes.txt", "n");  // the button needs a folder with files
    QVERIFY(f.openFolder());
    QCOMPARE(f.button(kExe2Htm)->text(), QStringLiteral("Exe2htm"));
    f.prompter.file = QString::fromStdString((f.dir / "book.exe").string());
    f.prompter.ok_answers = {true};
    f.button(kExe2Htm)->click();
    QVERIFY(f.waitIdle());
    QVERIFY(f.prompter.file_filters.contains(QStringLiteral("*.exe")));
    QTRY_COMPARE_WITH_TIMEOUT(f.prompter.last(), QString::fromUtf8(msg::kBatchConvertDone), 20000);
    QVERIFY(f.waitIdle());
    // The pages went into book/ beside the program and through the HTML batch.
    QCOMPARE(f.read("book/A.txt"), std::string("A\r\n"));
    QCOMPARE(f.read("book/b.txt"), std::string("B\r\n"));
    QVERIFY(fs::exists(f.dir / "book" / "logo.png"));
    QVERIFY(fs::exists(f.dir / "book.exe"));
  }

};

QTEST_MAIN(ConverterButtonsTest)
#include "converter_buttons_test.moc"
