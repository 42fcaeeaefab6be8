// Qt's standard dialogs speak the window's language once Qt's catalogue is
// installed.
#include <QLibraryInfo>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTemporaryDir>

#include "translations.h"

class TranslationsTest : public QObject {
  Q_OBJECT

 private slots:
  void withoutTheCatalogueNothingIsInstalled() {
    QTemporaryDir empty;
    QVERIFY(!InstallQtTranslations(*QCoreApplication::instance(), empty.path()));
    QMessageBox box(QMessageBox::Question, QStringLiteral("Folian"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
  }

  void messageBoxButtonsInChinese() {
    if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) +
                       QStringLiteral("/qtbase_zh_CN.qm"))) {
      QSKIP("Qt's Chinese catalogue is not installed (Debian: qt6-translations-l10n)");
    }
    QVERIFY(InstallQtTranslations(*QCoreApplication::instance()));
    QMessageBox box(QMessageBox::Question, QStringLiteral("Folian"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));
    QVERIFY(box.button(QMessageBox::Yes)->text().startsWith(QStringLiteral("是")));
  }
};

QTEST_MAIN(TranslationsTest)
#include "translations_test.moc"
