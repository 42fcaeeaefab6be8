// The options dialog over its form: what it shows, the indentation fields,
// and the round trip through the settings store.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/options_store.h"
#include "options_dialog.h"
#include "support/temp_dir.h"
#include "test_prompter.h"
#include "ui_options_dialog.h"

using folian::tidy::TidyOptions;

class OptionsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void opensWithTheOptionsInForce() {
    folian::testing::TempDir dir;
    TidyOptions o;
    o.punc_convert = 1;
    o.indent = 2;
    o.indent_num1 = 6;
    o.has_adver = 0;
    o.sort_as_num = 1;
    OptionsDialog d(&o, dir / "s.ini", nullptr);
    QCOMPARE(d.windowTitle(), QStringLiteral("格式整理选项"));
    QVERIFY(d.ui()->punc1->isChecked());
    QVERIFY(d.ui()->num2->isChecked());
    QVERIFY(d.ui()->indent2->isChecked());
    QCOMPARE(d.ui()->count1->text(), QStringLiteral("6"));
    QVERIFY(d.ui()->count1->isEnabled());
    QVERIFY(!d.ui()->count2->isEnabled());
    QCOMPARE(d.ui()->count2->text(), QString());
    QVERIFY(!d.ui()->hasAdver->isChecked());
    QVERIFY(d.ui()->sortByNumber->isChecked());
  }

  void indentRadioMovesTheCountField() {
    folian::testing::TempDir dir;
    TidyOptions o;
    OptionsDialog d(&o, dir / "s.ini", nullptr);
    QVERIFY(!d.ui()->count1->isEnabled());
    d.ui()->indent3->click();
    QVERIFY(d.ui()->count2->isEnabled());
    QCOMPARE(d.ui()->count2->text(), QStringLiteral("2"));
    QVERIFY(!d.ui()->count1->isEnabled());
    d.ui()->indent1->click();
    for (QLineEdit* e : {d.ui()->count1, d.ui()->count2, d.ui()->count3}) {
      QVERIFY(!e->isEnabled());
      QCOMPARE(e->text(), QString());
    }
  }

  void okStoresAndSaysSaved() {
    folian::testing::TempDir dir;
    TestPrompter prompter;
    TidyOptions o;
    OptionsDialog d(&o, dir / "s.ini", &prompter);
    d.ui()->num1->click();
    d.ui()->paragraph1->click();
    d.ui()->indent4->click();
    d.ui()->count3->setText(QStringLiteral("3"));
    d.ui()->splitAtFullStop->click();
    d.ui()->okButton->click();
    QCOMPARE(prompter.last(), QStringLiteral("选项已保存！"));
    QCOMPARE(prompter.messages.last().caption, QStringLiteral("Folian"));
    QCOMPARE(o.num_convert, 1);
    QCOMPARE(o.paragraph, 1);
    QCOMPARE(o.indent, 4);
    QCOMPARE(o.indent_num3, 3);
    QVERIFY(o.split_at_fullstop);
    TidyOptions stored;
    QVERIFY(folian::app::LoadOptions(dir / "s.ini", &stored));
    QCOMPARE(stored.indent_num3, 3);
    QCOMPARE(stored.num_convert, 1);
  }

  void restoreDefaultsUpdatesControlsAndStore() {
    folian::testing::TempDir dir;
    TestPrompter prompter;
    TidyOptions o;
    o.indent = 3;
    OptionsDialog d(&o, dir / "s.ini", &prompter);
    d.ui()->restoreButton->click();
    QCOMPARE(prompter.last(), QStringLiteral("选项已恢复为默认值！"));
    QVERIFY(d.ui()->punc1->isChecked());
    QVERIFY(d.ui()->indent1->isChecked());
    QCOMPARE(o.punc_convert, 1);
    TidyOptions stored;
    QVERIFY(folian::app::LoadOptions(dir / "s.ini", &stored));
    QCOMPARE(stored.punc_convert, 1);
  }

  void exitDiscardsUnsavedChanges() {
    folian::testing::TempDir dir;
    TidyOptions o;
    OptionsDialog d(&o, dir / "s.ini", nullptr);
    d.ui()->num1->click();
    d.ui()->exitButton->click();
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QCOMPARE(o.num_convert, 2);
    QVERIFY(!std::filesystem::exists(dir / "s.ini"));
  }
};

QTEST_MAIN(OptionsDialogTest)
#include "options_dialog_test.moc"
