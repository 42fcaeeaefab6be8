// The rename/merge dialog in rename mode: suggestions by source, the merge
// check boxes off, and the remembered source.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "charset/codepage.h"
#include "rename_merge_dialog.h"
#include "ui_rename_merge_dialog.h"

class RenameDialogTest : public QObject {
  Q_OBJECT

  RenameMergeContext Context(int* source, std::filesystem::path* folder) {
    RenameMergeContext c;
    c.working_folder = "/books/Novel";
    c.editor_gbk = folian::charset::Utf8ToGbk("\r\n第一章 开端\r\n正文");
    c.clipboard_utf8 = "剪贴板名";
    c.name_source = source;
    c.save_folder = folder;
    return c;
  }

 private slots:
  void renameModeDisablesTheMergeBoxes() {
    int source = 0;
    std::filesystem::path folder;
    RenameMergeDialog d(RenameMergeDialog::Mode::kRename, Context(&source, &folder));
    QCOMPARE(d.windowTitle(), QStringLiteral("文件更名/文件合并"));
    QVERIFY(!d.ui()->chapterNames->isEnabled());
    QVERIFY(!d.ui()->deleteOriginals->isEnabled());
    QVERIFY(!d.ui()->deleteOriginals->isChecked());
    QCOMPARE(d.ui()->folderEdit->text(), QStringLiteral("/books/Novel"));
    QCOMPARE(d.ui()->nameEdit->text(), QStringLiteral("novel"));
  }

  void sourceButtonsRefillAndAreRemembered() {
    int source = 0;
    std::filesystem::path folder;
    {
      RenameMergeDialog d(RenameMergeDialog::Mode::kRename, Context(&source, &folder));
      d.ui()->fromFile->click();
      QCOMPARE(d.ui()->nameEdit->text(), QStringLiteral("第一章 开端"));
      d.ui()->fromClipboard->click();
      QCOMPARE(d.ui()->nameEdit->text(), QStringLiteral("剪贴板名"));
    }
    QCOMPARE(source, 2);
    RenameMergeDialog again(RenameMergeDialog::Mode::kRename, Context(&source, &folder));
    QVERIFY(again.ui()->fromClipboard->isChecked());
    QCOMPARE(again.ui()->nameEdit->text(), QStringLiteral("剪贴板名"));
  }

  void okGivesTheNameCancelGivesNothing() {
    int source = 0;
    std::filesystem::path folder;
    RenameMergeDialog d(RenameMergeDialog::Mode::kRename, Context(&source, &folder));
    d.ui()->nameEdit->setText(QStringLiteral("新名.txt"));
    d.ui()->okButton->click();
    QCOMPARE(d.name(), QStringLiteral("新名.txt"));
    RenameMergeDialog c(RenameMergeDialog::Mode::kRename, Context(&source, &folder));
    c.ui()->cancelButton->click();
    QCOMPARE(c.name(), QString());
  }

  void mergeModeChecksDeleteOriginals() {
    int source = 0;
    std::filesystem::path folder = "/out";
    RenameMergeDialog d(RenameMergeDialog::Mode::kMerge, Context(&source, &folder));
    QVERIFY(d.ui()->chapterNames->isEnabled());
    QVERIFY(d.ui()->deleteOriginals->isChecked());
    QCOMPARE(d.ui()->folderEdit->text(), QStringLiteral("/out"));
  }
};

QTEST_MAIN(RenameDialogTest)
#include "rename_dialog_test.moc"
