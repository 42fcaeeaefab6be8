// The phone-book buttons as a user clicks them, offscreen: Umd2txt and
// Jar2txt convert a book and its text row is on top, selected and open;
// txt2umd and txt2jar pack the Current document; the reader template jar
// is chosen in the options dialog.
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include "app/convert_messages.h"
#include "app/options_store.h"
#include "convert/jar/jar_writer.h"
#include "convert/umd/umd_writer.h"
#include "options_dialog.h"
#include "ui_options_dialog.h"
#include "window_fixture.h"
#include "window_tools.h"

using namespace folian::app;

namespace {

struct BooksFixture : WindowFixture {
  WindowTools tools{*window};
  bool waitIdle() { return QTest::qWaitFor([&] { return window->idle(); }, 20000); }
  QString row(int i) { return window->fileView()->model()->index(i, 0).data().toString(); }
  QString editorText() { return QString::fromStdString(folian::charset::GbkToUtf8(window->editor()->Gbk())); }
  // Converts `book` with the button, answering its open-file dialog.
  bool convert(ControlId id, const char* book) {
    prompter.file = QString::fromStdString((dir / book).string());
    button(id)->click();
    return waitIdle();
  }
};

}  // namespace

class BookButtonsTest : public QObject {
  Q_OBJECT

 private slots:
  void txt2umdPacksTheCurrentDocument() {
    BooksFixture f;
    f.write("book.txt", G("第一回　张天师祈禳瘟疫\r\n"));
    QVERIFY(f.openFolder());
    qobject_cast<QLineEdit*>(f.window->control(kFindField))->setText(QStringLiteral("水浒"));
    QVERIFY(f.button(kTxt2Umd)->isEnabled());
    f.button(kTxt2Umd)->click();
    QVERIFY(f.waitIdle());
    const QString made = QStringLiteral("文件 \"%1\" 已经生成。").arg(QString::fromStdString((f.dir / "book.umd").string()));
    QCOMPARE(f.prompter.last(), made);
    QCOMPARE(f.read("book.umd").substr(0, 4), std::string("\x89\x9B\x9A\xDE"));
    QVERIFY(f.button(kTxt2Umd)->isEnabled());
  }

  void umd2txtAndJar2txtPutTheTextOnTopAndOpenIt() {
    BooksFixture f;
    f.write("other.txt", G("另一本书\r\n"));
    QVERIFY(f.openFolder());
    std::string umd, jar;
    QVERIFY(folian::convert::WriteUmd({u"书名", u"作者", u"第一回\u2029正文\u2029"}, &umd).ok());
    f.write("book.umd", umd);
    QVERIFY(f.convert(kUmd2Txt, "book.umd"));
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kUmdDone));
    QCOMPARE(f.row(0), QStringLiteral("book.txt"));
    QCOMPARE(f.window->fileView()->selectionModel()->selectedRows()[0].row(), 0);
    QCOMPARE(f.editorText(), QStringLiteral("第一回\r\n正文\r\n"));

    const std::string entry = "HB" + std::string("\x2C\x7B\x8C\x4E\xDE\x56\r\0\n\0\0\0", 12);  // 第二回
    QVERIFY(folian::convert::WriteJar(entry, "part2", {}, &jar).ok());
    f.write("part2.jar", jar);
    QVERIFY(f.convert(kJar2Txt, "part2.jar"));
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kFileConverted));
    QCOMPARE(f.row(0), QStringLiteral("part2.txt"));
    QCOMPARE(f.editorText(), QStringLiteral("第二回\r\n"));
  }

  void txt2jarUsesTheTemplateChosenInTheOptions() {
    BooksFixture f;
    f.write("book.txt", G("第一回\r\n"));
    QVERIFY(f.openFolder());
    f.button(kTxt2Jar)->click();
    QVERIFY(f.waitIdle());
    QVERIFY(f.prompter.last().contains(QStringLiteral("不含手机上的阅读程序")));

    f.write("reader.jar", f.read("book.jar"));
    OptionsDialog* dialog = f.window->OpenOptionsDialog(false);
    QCOMPARE(dialog->ui()->jarTemplate->text(), QString());
    dialog->ui()->jarTemplate->setText(QString::fromStdString((f.dir / "reader.jar").string()));
    dialog->ui()->okButton->click();
    dialog->close();
    std::filesystem::path stored;
    QVERIFY(LoadJarTemplate(f.config / "folian.ini", &stored));
    QCOMPARE(QString::fromStdString(stored.string()), QString::fromStdString((f.dir / "reader.jar").string()));

    f.button(kTxt2Jar)->click();
    QVERIFY(f.waitIdle());
    QVERIFY2(f.prompter.last().contains(QStringLiteral("复制 1 个条目")), qPrintable(f.prompter.last()));
  }
};

QTEST_MAIN(BookButtonsTest)
#include "book_buttons_test.moc"
