#include "gbk_editor.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using folian::app::ByteOffsetOf;
using folian::app::DisplayOffsetOf;

GbkEditor::GbkEditor(QWidget* parent) : QPlainTextEdit(parent) {
  setObjectName(QStringLiteral("editor"));
  // A novel is one long document: no rich text, no per-block undo merging limits.
  setUndoRedoEnabled(true);
  connect(this, &QPlainTextEdit::cursorPositionChanged, this,
          [this] { emit caretTextChanged(CaretText()); });
  connect(this, &QPlainTextEdit::selectionChanged, this,
          [this] { emit caretTextChanged(CaretText()); });
}

QString GbkEditor::ToDisplay(std::string_view gbk) const {
  const std::u16string shown = folian::app::GbkToDisplay(gbk, breaks_);
  return QString::fromUtf16(shown.data(), static_cast<qsizetype>(shown.size()));
}

std::u16string GbkEditor::DisplayText() const {
  const QString text = document()->toRawText();
  std::u16string out(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
  // The document separates blocks with U+2029; the mapping speaks '\n'.
  for (char16_t& c : out) {
    if (c == 0x2029) c = u'\n';
  }
  return out;
}

void GbkEditor::SetGbk(std::string_view gbk) {
  breaks_ = folian::app::LineBreaksOf(gbk);
  setPlainText(ToDisplay(gbk));
  ClearUndo();
}

std::string GbkEditor::Gbk() const { return folian::app::DisplayToGbk(DisplayText(), breaks_); }

void GbkEditor::ReplaceAllGbk(std::string_view gbk) {
  QTextCursor cursor(document());
  cursor.select(QTextCursor::Document);
  cursor.insertText(ToDisplay(gbk));
  QTextCursor start(document());
  setTextCursor(start);
}

void GbkEditor::ReplaceSelectionGbk(std::string_view gbk) {
  textCursor().insertText(ToDisplay(gbk));
}

void GbkEditor::SelectBytes(std::size_t start, std::size_t length) {
  const std::u16string text = DisplayText();
  const std::size_t from = DisplayOffsetOf(text, start, breaks_);
  const std::size_t to = DisplayOffsetOf(text, start + length, breaks_);
  QTextCursor cursor(document());
  cursor.setPosition(static_cast<int>(from));
  cursor.setPosition(static_cast<int>(to), QTextCursor::KeepAnchor);
  setTextCursor(cursor);
  ensureCursorVisible();
}

std::size_t GbkEditor::SelectionStartBytes() const {
  return ByteOffsetOf(DisplayText(), static_cast<std::size_t>(textCursor().selectionStart()), breaks_);
}

std::size_t GbkEditor::SelectionLengthBytes() const {
  const QTextCursor c = textCursor();
  if (!c.hasSelection()) return 0;
  const std::u16string text = DisplayText();
  return ByteOffsetOf(text, static_cast<std::size_t>(c.selectionEnd()), breaks_) -
         ByteOffsetOf(text, static_cast<std::size_t>(c.selectionStart()), breaks_);
}

void GbkEditor::ClearUndo() {
  document()->clearUndoRedoStacks();
  document()->setModified(false);
}

void GbkEditor::SetWordWrap(bool on) {
  setLineWrapMode(on ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

QString GbkEditor::CaretText() const {
  const QTextCursor c = textCursor();
  const unsigned line = static_cast<unsigned>(c.blockNumber()) + 1;
  const unsigned column = static_cast<unsigned>(c.positionInBlock()) + 1;
  if (!c.hasSelection()) return QStringLiteral("行%1:列%2").arg(line).arg(column);
  return QStringLiteral("行%1:列%2, 选定%3字符")
      .arg(line)
      .arg(column)
      .arg(c.selectionEnd() - c.selectionStart());
}

QString GbkEditor::EditModeText() const {
  return overwriteMode() ? QStringLiteral("编辑状态:改写") : QStringLiteral("编辑状态:插入");
}

void GbkEditor::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::NoModifier) {
    setOverwriteMode(!overwriteMode());
    emit editModeChanged(EditModeText());
    event->accept();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}
