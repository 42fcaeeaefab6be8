// Merging and splitting from the Main window with the real dialogs, driven
// as a user would: pick rows, fill the merge dialog; open the split dialog,
// wait for the chapter list, drop a chapter, OK.
#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include "app/merge_split_messages.h"
#include "app/split_session.h"
#include "merge_split_tools.h"
#include "split_dialog.h"
#include "ui_rename_merge_dialog.h"
#include "ui_split_dialog.h"
#include "window_fixture.h"

using namespace folian::app;
namespace fs = std::filesystem;

namespace {

const std::string kSep = "\r\n\r\n\r\n";

class DrivenDialogs final : public MergeSplitDialogs {
 public:
  QString merge_name;
  bool headings = false;
  std::function<void(SplitDialog&, SplitSession&)> split_script;
  QStringList shown_chapters;

  std::optional<MergeChoice> AskMergeOptions(const RenameMergeContext& context) override {
    RenameMergeDialog dialog(RenameMergeDialog::Mode::kMerge, context);
    if (!dialog.ui()->deleteOriginals->isChecked()) return std::nullopt;  // checked on opening
    dialog.ui()->nameEdit->setText(merge_name);
    dialog.ui()->chapterNames->setChecked(headings);
    dialog.ui()->okButton->click();
    return MergeChoiceOf(dialog);
  }

  bool RunSplitDialog(SplitSession& session) override {
    SplitDialog dialog(session);
    if (!QTest::qWaitFor([&] { return !session.analysing(); }, 10000)) return false;
    for (int i = 0; i < dialog.ui()->chapterList->count(); ++i) {
      shown_chapters << dialog.ui()->chapterList->item(i)->text();
    }
    if (split_script) split_script(dialog, session);
    return dialog.result() == QDialog::Accepted;
  }
};

struct MergeSplitFixture : WindowFixture {
  DrivenDialogs dialogs;
  MergeSplitTools tools{*window, &dialogs};

  void selectRows(std::initializer_list<int> rows) {
    QItemSelectionModel* sel = window->fileView()->selectionModel();
    sel->clearSelection();
    for (int r : rows) {
      sel->select(window->fileView()->model()->index(r, 0),
                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
  }
  bool waitIdle() { return QTest::qWaitFor([&] { return window->idle(); }, 20000); }
};

std::string Book() {
  return G("书名\r\n第一章 甲\r\n甲文。\r\n第二章 乙\r\n乙文。\r\n第三章 丙\r\n丙文。\r\n");
}

}  // namespace

class MergeSplitTest : public QObject {
  Q_OBJECT

 private slots:
  void mergeThreeFiles() {
    MergeSplitFixture f;
    f.write("a.txt", G("第一章\r\n"));
    f.write("b.txt", "\xEF\xBB\xBF" + folian::charset::GbkToUtf8(G("第二章\r\n")));
    f.write("c.txt", G("第三章\r\n"));
    f.write("d.txt", "stays");
    QVERIFY(f.openFolder());
    f.selectRows({0, 1, 2});
    f.dialogs.merge_name = QStringLiteral("All");
    f.button(kMerge)->click();
    QVERIFY(f.waitIdle());
    const std::string expected =
        G("第一章\r\n") + kSep + " " + G("第二章\r\n") + kSep + G("第三章\r\n") + kSep;
    QCOMPARE(f.read("all.txt"), expected);
    QVERIFY(!fs::exists(f.dir / "a.txt"));
    QVERIFY(!fs::exists(f.dir / "c.txt"));
    const FileList& list = f.window->shell().file_list();
    QCOMPARE(list.size(), 2);
    QCOMPARE(QString::fromStdString(list.row(0).name), QStringLiteral("all.txt"));
    QCOMPARE(f.window->fileView()->model()->rowCount(), 2);
    QCOMPARE(f.window->editor()->Gbk(), expected);
    QVERIFY(f.window->fileView()->selectionModel()->isRowSelected(0, QModelIndex()));
    QVERIFY(f.prompter.messages.isEmpty());
  }

  void mergeNeedsTwoRows() {
    MergeSplitFixture f;
    f.write("a.txt", "a");
    f.write("b.txt", "b");
    QVERIFY(f.openFolder());
    f.selectRows({1});
    f.button(kMerge)->click();
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kMergeNeedTwo));
  }

  void splitByChapterAfterDroppingOne() {
    MergeSplitFixture f;
    f.write("Book.txt", Book());
    QVERIFY(f.openFolder());
    std::size_t selected_at = 0, selected_length = 0;
    f.dialogs.split_script = [&](SplitDialog& d, SplitSession&) {
      QCOMPARE(d.windowTitle(), QStringLiteral("文件分割"));
      QCOMPARE(d.ui()->prefixEdit->text(), QStringLiteral("book"));
      QVERIFY(d.ui()->byChapter->isChecked());
      QVERIFY(!d.ui()->removeButton->isEnabled());
      d.ui()->chapterList->setCurrentRow(1);
      selected_at = f.window->editor()->SelectionStartBytes();
      selected_length = f.window->editor()->SelectionLengthBytes();
      QVERIFY(d.ui()->removeButton->isEnabled());
      d.ui()->removeButton->click();
      QCOMPARE(d.ui()->chapterList->count(), 2);
      d.ui()->okButton->click();
    };
    f.button(kSplit)->click();
    QVERIFY(f.waitIdle());
    QCOMPARE(f.dialogs.shown_chapters,
             (QStringList{QStringLiteral("第一章 甲"), QStringLiteral("第二章 乙"), QStringLiteral("第三章 丙")}));
    QCOMPARE(selected_at, G("书名\r\n第一章 甲\r\n甲文。\r\n").size());
    QCOMPARE(selected_length, std::size_t{6});
    QCOMPARE(f.read("book0000.txt"), G("书名\r\n"));
    QCOMPARE(f.read("book0001.txt"), G("第一章 甲\r\n甲文。\r\n第二章 乙\r\n乙文。\r\n"));
    QCOMPARE(f.read("book0002.txt"), G("第三章 丙\r\n丙文。\r\n"));
    QVERIFY(!fs::exists(f.dir / "book0003.txt"));
    QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kSplitDone));
    QVERIFY(!f.window->progressBar()->isVisible());
  }

  void splitDialogModesAndCancel() {
    MergeSplitFixture f;
    f.write("Book.txt", Book());
    QVERIFY(f.openFolder());
    f.dialogs.split_script = [&](SplitDialog& d, SplitSession&) {
      QVERIFY(!d.ui()->sizeEdit->isEnabled());
      d.ui()->bySize->click();
      QVERIFY(d.ui()->sizeEdit->isEnabled());
      QVERIFY(!d.ui()->patternEdit->isEnabled());
      d.ui()->sizeEdit->setText(QStringLiteral("x"));
      d.ui()->okButton->click();
      QCOMPARE(d.result(), int(QDialog::Rejected));  // still open: the size was wrong
      QCOMPARE(f.prompter.last(), QString::fromUtf8(msg::kSplitWrongSize));
      d.ui()->byChapter->click();
      d.ui()->patternEdit->setText(QStringLiteral("第二"));
      d.ui()->analyseButton->click();
      QVERIFY(QTest::qWaitFor([&] { return d.ui()->chapterList->count() == 1; }, 10000));
      d.ui()->cancelButton->click();
    };
    f.button(kSplit)->click();
    QVERIFY(f.waitIdle());
    QVERIFY(!fs::exists(f.dir / "book0001.txt"));
    QVERIFY(!fs::exists(f.dir / "book_001.txt"));
  }
};

QTEST_MAIN(MergeSplitTest)
#include "merge_split_test.moc"
