// txt2umd and txt2jar as a user starts them from the Main window, and the
// reader template jar in the options dialog.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/options_store.h"
#include "options_dialog.h"
#include "ui_options_dialog.h"
#include "window_fixture.h"
#include "window_tools.h"

using namespace folian::app;

namespace {

struct BooksFixture : WindowFixture {
  WindowTools tools{*window};
  bool waitIdle() { return QTest::qWaitFor([&] { return window->idle(); }, 20000); }
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
