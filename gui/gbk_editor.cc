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
  connect(document(), &QTextDocument::contentsChange, this, &GbkEditor::CountSeparators);
  connect(this, &QPlainTextEdit::cursorPositionChanged, this,
          [this] { emit caretTextChanged(CaretText()); });
  connect(this, &QPlainTextEdit::selectionChanged, this,
          [this] { emit caretTextChanged(CaretText()); });
}

namespace {

constexpr char16_t kLineSeparator = 0x2028;
constexpr char16_t kParagraphSeparator = 0x2029;

int SeparatorsIn(const QString& text, int end) {
  int n = 0;
  const QChar* data = text.constData();
  for (int i = 0; i < end; ++i) n += data[i].unicode() == kLineSeparator;
  return n;
}

}  // namespace

QString GbkEditor::ToDisplay(std::string_view gbk) const {
  std::u16string shown = folian::app::GbkToDisplay(gbk, breaks_);
  int lines = 0;
  for (char16_t& c : shown) {
    if (c == u'\n' && ++lines % kLinesPerBlock != 0) c = kLineSeparator;
  }
  return QString::fromUtf16(shown.data(), static_cast<qsizetype>(shown.size()));
}

// Each block keeps its count of line separators in its user state, so the
// caret's line is a walk over blocks, not over the text.
void GbkEditor::CountSeparators(int position, int /*removed*/, int added) {
  QTextBlock block = document()->findBlock(position);
  const QTextBlock last = document()->findBlock(position + added);
  while (block.isValid()) {
    const QString text = block.text();
    block.setUserState(SeparatorsIn(text, static_cast<int>(text.size())));
    if (block == last) break;
    block = block.next();
  }
}

std::pair<unsigned, unsigned> GbkEditor::LineAndColumn(const QTextCursor& cursor) const {
  const QTextBlock current = cursor.block();
  unsigned line = 1;
  for (QTextBlock b = document()->begin(); b.isValid() && b != current; b = b.next()) {
    int n = b.userState();
    if (n < 0) n = SeparatorsIn(b.text(), static_cast<int>(b.text().size()));
    line += static_cast<unsigned>(n) + 1;
  }
  const QString text = current.text();
  const int in_block = cursor.positionInBlock();
  line += static_cast<unsigned>(SeparatorsIn(text, in_block));
  const int line_start =
      in_block == 0 ? 0 : static_cast<int>(text.lastIndexOf(QChar(kLineSeparator), in_block - 1)) + 1;
  return {line, static_cast<unsigned>(in_block - line_start) + 1};
}

std::u16string GbkEditor::DisplayText() const {
  const QString text = document()->toRawText();
  std::u16string out(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size()));
  // Blocks end with U+2029, grouped lines with U+2028; the mapping speaks '\n'.
  for (char16_t& c : out) {
    if (c == kParagraphSeparator || c == kLineSeparator) c = u'\n';
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
  if (start == 0 && length == 0) {  // the caret to the top: no need to map the text
    setTextCursor(QTextCursor(document()));
    return;
  }
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
  const auto [line, column] = LineAndColumn(c);
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
