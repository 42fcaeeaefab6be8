// The editor holds GBK bytes exactly and reports caret, selection and mode.
#include <QKeyEvent>
#include <QTest>

#include "charset/codepage.h"
#include "gbk_editor.h"

namespace {
std::string G(const char* utf8) { return folian::charset::Utf8ToGbk(utf8); }
}  // namespace

class EditorTest : public QObject {
  Q_OBJECT

 private slots:
  void crlfTextRoundTripsByteForByte() {
    GbkEditor e;
    const std::string text = G("第一章\r\n　　正文，内容。\r\n\r\n结尾");
    e.SetGbk(text);
    QCOMPARE(e.toPlainText(), QStringLiteral("第一章\n　　正文，内容。\n\n结尾"));
    QCOMPARE(e.Gbk(), text);
  }

  void bytesThatAreNotGbkAreShownAndKept() {
    GbkEditor e;
    const std::string text = "abc\x81\x7F\xFE" + G("中") + "\r\n\x80\xA1";
    e.SetGbk(text);
    QCOMPARE(e.Gbk(), text);
    e.moveCursor(QTextCursor::End);
    e.insertPlainText(QStringLiteral("尾"));
    QCOMPARE(e.Gbk(), text + G("尾"));
  }

  void lfOnlyTextStaysLf() {
    GbkEditor e;
    e.SetGbk("a\nb\n");
    QCOMPARE(e.toPlainText(), QStringLiteral("a\nb\n"));
    e.moveCursor(QTextCursor::End);
    e.insertPlainText(QStringLiteral("c\nd"));
    QCOMPARE(e.Gbk(), std::string("a\nb\nc\nd"));
  }

  void newLinesTypedIntoCrlfTextAreCrlf() {
    GbkEditor e;
    e.SetGbk("x\r\ny");
    e.moveCursor(QTextCursor::End);
    QTest::keyClick(&e, Qt::Key_Return);
    QTest::keyClicks(&e, QStringLiteral("z"));
    QCOMPARE(e.Gbk(), std::string("x\r\ny\r\nz"));
  }

  void selectionIsInBytes() {
    GbkEditor e;
    e.SetGbk(G("甲乙\r\n丙丁"));
    e.SelectBytes(6, 4);
    QCOMPARE(e.textCursor().selectedText(), QStringLiteral("丙丁"));
    QCOMPARE(e.SelectionStartBytes(), std::size_t{6});
    QCOMPARE(e.SelectionLengthBytes(), std::size_t{4});
    e.ReplaceSelectionGbk(G("戊"));
    QCOMPARE(e.Gbk(), G("甲乙\r\n戊"));
  }

  void caretTextShowsLineColumnAndSelection() {
    GbkEditor e;
    e.SetGbk("ab\r\ncdef");
    e.SelectBytes(5, 0);
    QCOMPARE(e.CaretText(), QStringLiteral("行2:列2"));
    e.SelectBytes(4, 3);
    QCOMPARE(e.CaretText(), QStringLiteral("行2:列4, 选定3字符"));
  }

  void manyLinesKeepLineNumbersAcrossGroupedBlocks() {
    GbkEditor e;
    std::string text;
    for (int i = 1; i <= 100; ++i) text += "line" + std::to_string(i) + "\r\n";
    e.SetGbk(text);
    QCOMPARE(e.Gbk(), text);
    const std::size_t at = text.find("line70");
    e.SelectBytes(at + 2, 0);
    QCOMPARE(e.CaretText(), QStringLiteral("行70:列3"));
    e.SelectBytes(text.find("line33"), 0);
    QCOMPARE(e.CaretText(), QStringLiteral("行33:列1"));
    QTest::keyClick(&e, Qt::Key_Return);
    QCOMPARE(e.CaretText(), QStringLiteral("行34:列1"));
    QTest::keyClick(&e, Qt::Key_Backspace);
    QCOMPARE(e.Gbk(), text);
    e.moveCursor(QTextCursor::End);
    QCOMPARE(e.CaretText(), QStringLiteral("行101:列1"));
  }

  void insertKeyTogglesEditMode() {
    GbkEditor e;
    QCOMPARE(e.EditModeText(), QStringLiteral("编辑状态:插入"));
    QString seen;
    connect(&e, &GbkEditor::editModeChanged, [&](const QString& t) { seen = t; });
    QTest::keyClick(&e, Qt::Key_Insert);
    QCOMPARE(seen, QStringLiteral("编辑状态:改写"));
    QVERIFY(e.overwriteMode());
    QTest::keyClick(&e, Qt::Key_Insert);
    QCOMPARE(seen, QStringLiteral("编辑状态:插入"));
  }

  void undoIsTheModifiedTest() {
    GbkEditor e;
    e.SetGbk("abc");
    QVERIFY(!e.CanUndo());
    e.ReplaceAllGbk("xyz");
    QVERIFY(e.CanUndo());
    e.undo();
    QCOMPARE(e.Gbk(), std::string("abc"));
    e.ReplaceAllGbk("q");
    e.ClearUndo();
    QVERIFY(!e.CanUndo());
  }

  void wordWrapSwitches() {
    GbkEditor e;
    e.SetWordWrap(false);
    QVERIFY(!e.WordWrap());
    e.SetWordWrap(true);
    QVERIFY(e.WordWrap());
  }

  void largeNovelLoadsWhole() {
    std::string text;
    const std::string line = G("　　他推开门，雪落在肩上，屋里的灯还亮着。") + "\r\n";
    while (text.size() < 4u * 1024 * 1024) text += line;
    GbkEditor e;
    e.SetGbk(text);
    QCOMPARE(e.Gbk().size(), text.size());
  }
};

QTEST_MAIN(EditorTest)
#include "editor_test.moc"
