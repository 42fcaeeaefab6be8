// The File list view over the shell's rows: check boxes and selection go
// both ways.
#include <QTableView>
#include <QTest>

#include "window_fixture.h"

using namespace folian::app;

class FileListViewTest : public QObject {
  Q_OBJECT

 private slots:
  void checkBoxClickReachesTheRows() {
    WindowFixture f;
    f.write("a.txt", "a");
    f.write("b.txt", "b");
    QVERIFY(f.openFolder());
    auto* model = f.window->fileView()->model();
    QVERIFY(model->setData(model->index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(f.window->shell().file_list().row(1).checked);
    QVERIFY(!f.window->shell().file_list().row(0).checked);
  }

  void viewSelectionReachesTheRows() {
    WindowFixture f;
    f.write("a.txt", "a");
    f.write("b.txt", "b");
    f.write("c.txt", "c");
    QVERIFY(f.openFolder());
    QTableView* view = f.window->fileView();
    view->selectionModel()->select(view->model()->index(2, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const auto& rows = f.window->shell().file_list().rows();
    QVERIFY(rows[0].selected);
    QVERIFY(!rows[1].selected);
    QVERIFY(rows[2].selected);
  }

  void rowsSelectedByTheShellShowSelected() {
    WindowFixture f;
    f.write("a.txt", "a");
    f.write("b.txt", "b");
    QVERIFY(f.openFolder());
    f.window->shell().ClickRow(1);
    const auto selected = f.window->fileView()->selectionModel()->selectedRows();
    QCOMPARE(selected.size(), 1);
    QCOMPARE(selected[0].row(), 1);
  }

  void renameThroughTheDialogKeepsTheRowOpen() {
    WindowFixture f;
    f.write("a.txt", "a");
    QVERIFY(f.openFolder());
    f.prompter.new_name = QStringLiteral("第一章.txt");
    f.window->shell().RenameSelectedRow();
    QCOMPARE(f.prompter.last(), QStringLiteral("文件更名成功"));
    QCOMPARE(f.window->fileView()->model()->index(0, 0).data().toString(), QStringLiteral("第一章.txt"));
    QCOMPARE(f.read("第一章.txt"), std::string("a"));
  }

  void datesShowWithoutTheirLineBreak() {
    WindowFixture f;
    f.write("a.txt", "a");
    QVERIFY(f.openFolder());
    const QString modified = f.window->fileView()->model()->index(0, 3).data().toString();
    QCOMPARE(modified.size(), 19);
    QVERIFY(!modified.contains(QLatin1Char('\n')));
    QCOMPARE(QString::fromStdString(f.window->shell().file_list().row(0).modified).back(), QLatin1Char('\n'));
  }
};

QTEST_MAIN(FileListViewTest)
#include "file_list_view_test.moc"
