// The Main window as a user drives it: controls, states, the document paths.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QApplication>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QFileInfo>
#include <QTest>
#include <QUrl>

#include "app/common_patterns.h"
#include "window_fixture.h"
#include "window_tools.h"

using namespace folian::app;

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void captionsTooltipsAndHiddenControls() {
    WindowFixture f;
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Folian txt 文件格式整理器   Folian论坛原创首发"));
    const std::pair<ControlId, const char*> tips[] = {
        {kCut, "剪切"}, {kCopy, "复制"}, {kPaste, "粘贴"}, {kSave, "保存"},
        {kOptions, "选项设置"}, {kTidy, "格式整理"}, {kAdReport, "广告检查"}};
    for (auto [id, tip] : tips) QCOMPARE(f.window->control(id)->toolTip(), QString::fromUtf8(tip));
    QCOMPARE(f.button(kReplaceAll)->text(), QStringLiteral("全部替换*"));
    QCOMPARE(f.button(kBatchMode)->text(), QStringLiteral("批处理所有文件.(仅支持带 * 号的功能)"));
    QCOMPARE(f.button(kForum)->text(), QStringLiteral("到Folian论坛提出改进意见"));
    for (ControlId id : AllControls()) QVERIFY2(f.window->control(id) != nullptr, qPrintable(QString::number(id)));
    f.window->show();
    for (ControlId id : HiddenControls()) QVERIFY(!f.window->control(id)->isVisible());
    QVERIFY(f.button(kTidy)->isVisible());
    auto* script = qobject_cast<QComboBox*>(f.window->control(kScriptConvert));
    QCOMPARE(script->count(), 4);
    QCOMPARE(script->itemText(1), QStringLiteral("简转繁(GB2BIG5)    "));
    auto* patterns = qobject_cast<QComboBox*>(f.window->control(kCommonPatterns));
    QCOMPARE(patterns->count(), 17);
    QCOMPARE(patterns->itemText(16), QStringLiteral("查找 日期时间"));
    const char* headers[] = {"文件名", "文件大小", "创建日期", "最近修改日期"};
    QCOMPARE(f.window->fileView()->model()->columnCount(), 4);
    for (int c = 0; c < 4; ++c) {
      QCOMPARE(f.window->fileView()->model()->headerData(c, Qt::Horizontal).toString(), QString::fromUtf8(headers[c]));
    }
    const auto menus = f.window->menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), QStringLiteral("文件(&F)"));
    QCOMPARE(menus[1]->text(), QStringLiteral("编辑(&E)"));
    QCOMPARE(menus[0]->menu()->actions()[0]->text(), QStringLiteral("退出(&X)"));
    QCOMPARE(menus[1]->menu()->actions()[1]->text(), QStringLiteral("字体(&F)..."));
    QAction* wrap = f.window->wrapAction();
    QCOMPARE(wrap->text(), QStringLiteral("折行(&W)"));
    const bool before = wrap->isChecked();
    wrap->trigger();
    QCOMPARE(wrap->isChecked(), !before);
    QCOMPARE(f.window->editor()->WordWrap(), !before);
  }

  void chooseFolderScansAndOpensTheFirstRow() {
    WindowFixture f;
    f.write("b.txt", G("第二个文件"));
    f.write("a.TXT", G("第一个文件"));
    f.write("c.doc", "x");
    QVERIFY(f.openFolder());
    QCOMPARE(f.prompter.questions.last(), QStringLiteral("选择要处理的文件所在目录"));
    auto* model = f.window->fileView()->model();
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("a.TXT"));
    QCOMPARE(model->index(0, 1).data().toString(), QStringLiteral("10"));
    QCOMPARE(f.window->editor()->toPlainText(), QStringLiteral("第一个文件"));
    QCOMPARE(qobject_cast<QLineEdit*>(f.window->control(kFolderPath))->text(),
             QString::fromStdString(f.dir.path().string()));
    QVERIFY(f.window->statusPart(kStatusEncoding)->text().startsWith(QStringLiteral("当前文件编码:")));
  }

  void readyStateFollowsTheEnableList() {
    WindowFixture f;
    f.write("a.txt", "a");
    QVERIFY(f.openFolder());
    for (ControlId id : AllControls()) {
      if (id == kConvertAnsi || id == kConvertUtf8 || id == kConvertUnicode) continue;
      QCOMPARE(f.window->control(id)->isEnabled(), !Contains(ReadyExceptions(), id));
    }
    QVERIFY(f.window->editor()->isEnabled());
  }

  void emptyFolderLeavesTheReducedSet() {
    WindowFixture f;
    QVERIFY(f.openFolder());
    for (ControlId id : AllControls()) {
      QCOMPARE(f.window->control(id)->isEnabled(), Contains(EmptyFolderControls(), id));
    }
  }

  void tidyIsBusyThenRewritesTheFileAndReports() {
    WindowFixture f;
    f.write("a.txt", "\xEF\xBB\xBF" + folian::charset::GbkToUtf8(G("第一章\r\n  正文在此。\r\n")));
    QVERIFY(f.openFolder());
    f.button(kTidy)->click();
    // Until the worker's result is delivered by the event loop, all is disabled.
    for (ControlId id : AllControls()) QVERIFY(!f.window->control(id)->isEnabled());
    QVERIFY(!f.window->editor()->isEnabled());
    QVERIFY(QTest::qWaitFor([&] { return f.window->idle(); }, 10000));
    QCOMPARE(f.prompter.messages.last().caption, QStringLiteral("处理完成"));
    QVERIFY(f.prompter.last().startsWith(QStringLiteral("    文件 : a.txt\r\n    大小 : ")));
    const std::string after = f.read("a.txt");
    QCOMPARE(after.substr(0, 3), std::string("\xEF\xBB\xBF"));
    QCOMPARE(f.window->editor()->Gbk(), folian::charset::Utf8ToGbk(after.substr(3)));
    QVERIFY(f.button(kTidy)->isEnabled());
  }

  void rowClickWithChangesAsksAndYesSaves() {
    WindowFixture f;
    f.write("a.txt", "one");
    f.write("b.txt", "two");
    QVERIFY(f.openFolder());
    f.window->editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(f.window->editor(), QStringLiteral("!"));
    QCOMPARE(f.window->statusPart(kStatusModified)->text(), QStringLiteral("已更改"));
    f.prompter.answers = {Answer::kYes};
    QTableView* view = f.window->fileView();
    const QRect cell = view->visualRect(view->model()->index(1, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(f.prompter.questions.last(), QStringLiteral("文档内容已更改，保存修改吗？"));
    QCOMPARE(f.read("a.txt"), std::string("one!"));
    QCOMPARE(f.window->editor()->toPlainText(), QStringLiteral("two"));
    QCOMPARE(f.window->statusPart(kStatusModified)->text(), QString());
  }

  void headerClickSortsByNumbersInNames() {
    WindowFixture f;
    f.window->shell().options().sort_as_num = 1;
    f.write("第二章.txt", "2");
    f.write("第十一章.txt", "11");
    f.write("第一章.txt", "1");
    QVERIFY(f.openFolder());
    QHeaderView* header = f.window->fileView()->horizontalHeader();
    auto names = [&] {
      QStringList out;
      for (int r = 0; r < 3; ++r) out << f.window->fileView()->model()->index(r, 0).data().toString();
      return out;
    };
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    QCOMPARE(names(), (QStringList{"第十一章.txt", "第二章.txt", "第一章.txt"}));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    QCOMPARE(names(), (QStringList{"第一章.txt", "第二章.txt", "第十一章.txt"}));
  }

  void moveButtonsSayWhenAtTheEdge() {
    WindowFixture f;
    f.write("a.txt", "a");
    f.write("b.txt", "b");
    QVERIFY(f.openFolder());
    f.button(kMoveTop)->click();
    QCOMPARE(f.prompter.last(), QStringLiteral("已经位于第一行!"));
    f.button(kMoveDown)->click();
    QCOMPARE(f.window->fileView()->model()->index(1, 0).data().toString(), QStringLiteral("a.txt"));
    QCOMPARE(f.window->fileView()->model()->index(1, 2).data().toString(), QString());  // dates go
    f.button(kMoveBottom)->click();
    QCOMPARE(f.prompter.last(), QStringLiteral("已经位于最后一行!"));
  }

  void deleteTheOnlyRowEmptiesTheEditor() {
    WindowFixture f;
    f.write("a.txt", "a");
    QVERIFY(f.openFolder());
    f.prompter.ok_answers = {true};
    f.window->shell().RemoveSelectedRows(true);
    QCOMPARE(f.prompter.questions.last(), QStringLiteral("你确信要从磁盘中删除选定的文件吗?"));
    QVERIFY(!std::filesystem::exists(f.dir / "a.txt"));
    QCOMPARE(f.window->fileView()->model()->rowCount(), 0);
    QCOMPARE(f.window->editor()->toPlainText(), QString());
    QVERIFY(!f.button(kTidy)->isEnabled());
  }

  void batchBoxChecksEveryRow() {
    WindowFixture f;
    f.write("a.txt", "a");
    f.write("b.txt", "b");
    QVERIFY(f.openFolder());
    f.button(kBatchMode)->click();
    auto* model = f.window->fileView()->model();
    for (int r = 0; r < 2; ++r) QCOMPARE(model->index(r, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
    QCOMPARE(f.window->fileView()->selectionModel()->selectedRows().size(), 2);
    QVERIFY(f.button(kConvertAnsi)->isEnabled());
    f.button(kBatchMode)->click();
    for (int r = 0; r < 2; ++r) QCOMPARE(model->index(r, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(!f.button(kConvertAnsi)->isEnabled());
  }

  void findAndReplaceAllThroughTheFields() {
    WindowFixture f;
    f.write("a.txt", G("猫和猫"));
    QVERIFY(f.openFolder());
    qobject_cast<QLineEdit*>(f.window->control(kFindField))->setText(QStringLiteral("猫"));
    qobject_cast<QLineEdit*>(f.window->control(kReplaceField))->setText(QStringLiteral("狗"));
    f.button(kFind)->click();
    QCOMPARE(f.window->editor()->textCursor().selectedText(), QStringLiteral("猫"));
    QVERIFY(f.button(kFindNext)->isEnabled());
    f.button(kReplaceAll)->click();
    QCOMPARE(f.window->editor()->toPlainText(), QStringLiteral("狗和狗"));
    QCOMPARE(f.prompter.last(), QStringLiteral("替换完成，共完成 2 处替换，注意及时保存处理结果。"));
  }

  void adPatternItemDisablesReplaceAll() {
    WindowFixture f;
    f.write("a.txt", "abc");
    QVERIFY(f.openFolder());
    auto* combo = qobject_cast<QComboBox*>(f.window->control(kCommonPatterns));
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    QVERIFY(!f.button(kReplaceAll)->isEnabled());
    QVERIFY(qobject_cast<QCheckBox*>(f.window->control(kRegexMode))->isChecked());
    f.button(kRegexMode)->click();
    QVERIFY(f.button(kReplaceAll)->isEnabled());
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(qobject_cast<QLineEdit*>(f.window->control(kFindField))->text(), QString());
  }

  void scriptConversionRunsOnAWorkerThenTellsToSave() {
    WindowFixture f;
    f.write("a.txt", G("简体"));
    QVERIFY(f.openFolder());
    auto* combo = qobject_cast<QComboBox*>(f.window->control(kScriptConvert));
    emit combo->activated(0);
    // Busy until the worker's result comes back through the event loop.
    QVERIFY(!combo->isEnabled());
    QVERIFY(!f.window->editor()->isEnabled());
    QVERIFY(!f.window->progressBar()->isHidden());
    QVERIFY(QTest::qWaitFor([&] { return f.window->idle(); }, 10000));
    QVERIFY(combo->isEnabled());
    QVERIFY(f.window->progressBar()->isHidden());
    QCOMPARE(f.window->editor()->toPlainText(), QStringLiteral("簡體"));
    QCOMPARE(f.prompter.last(), QStringLiteral("转换完成，注意及时保存。"));
    QCOMPARE(f.read("a.txt"), G("简体"));
  }

  void encodingButtonConvertsTheFile() {
    WindowFixture f;
    f.write("a.txt", G("中文"));
    QVERIFY(f.openFolder());
    QVERIFY(!f.button(kConvertAnsi)->isEnabled());
    f.button(kConvertUtf8)->click();
    QCOMPARE(f.prompter.last(), QStringLiteral("转换完成!"));
    QCOMPARE(f.read("a.txt"), std::string("\xEF\xBB\xBF中文"));
    QVERIFY(f.button(kConvertAnsi)->isEnabled());
    QVERIFY(!f.button(kConvertUtf8)->isEnabled());
  }

  void clipboardButtonsFollowTheSelection() {
    WindowFixture f;
    f.write("a.txt", "hello");
    QVERIFY(f.openFolder());
    QVERIFY(!f.button(kCut)->isEnabled());
    f.window->editor()->SelectBytes(0, 2);
    QVERIFY(f.button(kCut)->isEnabled());
    QVERIFY(f.button(kCopy)->isEnabled());
    f.button(kCopy)->click();
    QVERIFY(f.button(kPaste)->isEnabled());
    f.window->editor()->SelectBytes(1, 0);
    QVERIFY(!f.button(kCut)->isEnabled());
  }

  // The window's close goes through the save prompt: asked only after
  // changes; Cancel keeps the window, No discards, Yes saves first.
  void closeAsksOnlyAfterChanges() {
    for (Answer answer : {Answer::kCancel, Answer::kNo, Answer::kYes}) {
      WindowFixture f;
      f.write("a.txt", "a");
      QVERIFY(f.openFolder());
      f.window->show();
      if (answer == Answer::kCancel) {
        QVERIFY(f.window->close());
        QCOMPARE(f.prompter.questions.size(), 1);  // only the folder browser asked
        f.window->show();
      }
      QTest::keyClicks(f.window->editor(), QStringLiteral("x"));
      f.prompter.answers = {answer};
      QCOMPARE(f.window->close(), answer != Answer::kCancel);
      QCOMPARE(f.prompter.questions.last(), QStringLiteral("文档内容已更改，保存修改吗？"));
      QCOMPARE(f.read("a.txt"), std::string(answer == Answer::kYes ? "xa" : "a"));
      if (answer == Answer::kYes) QCOMPARE(f.prompter.last(), QStringLiteral("文件已经保存!"));
    }
  }

  void forumButtonOpensTheInstalledHelpPage() {
    WindowFixture f;
    f.button(kForum)->click();
    QCOMPARE(f.prompter.urls.size(), 1);
    // Run from the build tree: the build's copy beside the binaries, never
    // the source tree's file.
    const QString expected = QUrl::fromLocalFile(QFileInfo(QCoreApplication::applicationDirPath() +
                                                           QStringLiteral("/../share/folian/help/index.html"))
                                                     .canonicalFilePath())
                                 .toString();
    QCOMPARE(f.prompter.urls[0], expected);
    QVERIFY(!f.prompter.urls[0].contains(QStringLiteral("/gui/help/")));
  }

  // Busy state disables every control, and a disabled icon button must
  // look it: its icon is drawn lighter than the enabled one, not the same
  // dark ink in the same frame.
  void disabledIconButtonsLookDisabled() {
    WindowFixture f;
    f.write("a.txt", "abc");
    QVERIFY(f.openFolder());
    f.window->show();
    // The ink of an icon: how dark its drawing is, weighted by coverage.
    auto ink = [](const QImage& drawn) {
      const QImage image = drawn.convertToFormat(QImage::Format_ARGB32);  // not premultiplied
      double sum = 0;
      for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
          const QRgb c = image.pixel(x, y);
          sum += qAlpha(c) / 255.0 * (255 - qGray(c)) / 255.0;
        }
      }
      return sum;
    };
    for (ControlId id : {kBrowse, kMoveTop, kMoveUp, kMoveDown, kMoveBottom, kCut, kCopy, kPaste,
                         kSave, kOptions, kTidy, kAdReport}) {
      auto* button = qobject_cast<QToolButton*>(f.window->control(id));
      QVERIFY(button != nullptr);
      const QSize size = button->iconSize();
      const double normal = ink(button->icon().pixmap(size, QIcon::Normal).toImage());
      const double disabled = ink(button->icon().pixmap(size, QIcon::Disabled).toImage());
      QVERIFY2(disabled < normal * 0.5,
               qPrintable(QStringLiteral("%1: %2 vs %3").arg(id).arg(disabled).arg(normal)));
    }
    // And a batch run's Busy state disables them all.
    WindowTools tools(*f.window);
    f.button(kBatchMode)->click();
    f.button(kTidy)->click();
    for (ControlId id : AllControls()) QVERIFY2(!f.window->control(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(QTest::qWaitFor([&] { return f.window->idle(); }, 20000));
  }

  void textTypedWithoutAFolderIsSavedUnderAChosenName() {
    WindowFixture f;
    f.window->show();
    QVERIFY(!f.button(kSave)->isEnabled());
    QTest::keyClicks(f.window->editor(), QStringLiteral("draft"));
    QCOMPARE(f.window->statusPart(kStatusModified)->text(), QStringLiteral("已更改"));
    QVERIFY(f.button(kSave)->isEnabled());
    f.prompter.save_name = QString::fromStdString((f.dir / "草稿.txt").string());
    f.button(kSave)->click();
    QCOMPARE(f.read("草稿.txt"), std::string("draft"));
    QCOMPARE(f.prompter.last(), QStringLiteral("文件已经保存!"));
    QCOMPARE(f.window->statusPart(kStatusModified)->text(), QString());
    QVERIFY2(f.window->close(), "saved: closing asks nothing");

    // Typed text without a file asks too.
    WindowFixture g;
    g.window->show();
    QTest::keyClicks(g.window->editor(), QStringLiteral("x"));
    g.prompter.answers = {Answer::kCancel};
    QVERIFY(!g.window->close());
    QCOMPARE(g.prompter.questions.last(), QStringLiteral("文档内容已更改，保存修改吗？"));
    g.prompter.answers = {Answer::kNo};
    QVERIFY(g.window->close());
  }

  void editorGetsHalfTheWindowAndTheSplitterMovesBothWays() {
    WindowFixture f;
    f.window->resize(800, 560);
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QSplitter* splitter = f.window->splitter();
    const int total = splitter->height();
    QVERIFY2(f.window->editor()->height() * 2 >= total - splitter->handleWidth(),
             qPrintable(QStringLiteral("editor %1 of %2").arg(f.window->editor()->height()).arg(total)));
    auto drag = [&](int dy) {
      QSplitterHandle* handle = splitter->handle(1);
      const QPoint from = handle->rect().center();
      QMouseEvent press(QEvent::MouseButtonPress, from, handle->mapToGlobal(from), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(handle, &press);
      const QPoint to = from + QPoint(0, dy);
      QMouseEvent move(QEvent::MouseMove, to, handle->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                       Qt::NoModifier);
      QApplication::sendEvent(handle, &move);
      QMouseEvent release(QEvent::MouseButtonRelease, to, handle->mapToGlobal(to), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(handle, &release);
    };
    const int before = splitter->sizes()[0];
    drag(-80);
    const int up = splitter->sizes()[0];
    QVERIFY2(up < before - 40, qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(up)));
    drag(160);
    const int down = splitter->sizes()[0];
    QVERIFY2(down > up + 100, qPrintable(QStringLiteral("%1 -> %2").arg(up).arg(down)));
    // Remembered: the next window over the same settings starts there.
    QVERIFY(f.window->close());
    MainWindow again(folian::tidy::TidyOptions::AtStart(), f.config / "folian.ini", &f.prompter);
    again.resize(800, 560);
    again.show();
    QVERIFY(QTest::qWaitForWindowExposed(&again));
    QVERIFY2(std::abs(again.splitter()->sizes()[0] - down) <= 2,
             qPrintable(QStringLiteral("%1 vs %2").arg(again.splitter()->sizes()[0]).arg(down)));
  }

  void statusBarPartsHoldTheirLongestTexts() {
    WindowFixture f;
    f.window->resize(800, 560);
    f.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QCOMPARE(f.window->statusPart(kStatusCaret)->text(), QStringLiteral("行1:列1"));
    QCOMPARE(f.window->statusPart(kStatusEditMode)->text(), QStringLiteral("编辑状态:插入"));
    QCOMPARE(f.window->progressBar()->maximum(), 100);
    const std::pair<int, const char*> widest[] = {
        {kStatusCaret, "行351:列577, 选定3字符"},
        {kStatusMessage, "正在清除残余的 HTML 标识"},
        {kStatusEditMode, "编辑状态:插入"},
        {kStatusModified, "已更改"}};
    for (auto [part, text] : widest) {
      QLabel* label = f.window->statusPart(part);
      QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(QString::fromUtf8(text)),
               text);
    }
  }

};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
