// The editor of the Current document: a plain-text editor whose document is
// GBK bytes, exactly. Bytes that are not GBK characters show as marker
// characters and are kept; what is loaded is what is saved, byte for byte.
// Offsets in this interface are byte offsets into the GBK text.
//
// A novel has hundreds of thousands of lines, and a text document pays for
// every block it holds; so lines are grouped, kLinesPerBlock to a block,
// joined by line separators (U+2028), and both kinds of break are one line
// break of the text. A 20 MB novel opens in a fraction of a second this way.
#pragma once

#include <QPlainTextEdit>
#include <string>
#include <string_view>

#include "app/gbk_display.h"

class GbkEditor : public QPlainTextEdit {
  Q_OBJECT

 public:
  static constexpr int kLinesPerBlock = 32;

  explicit GbkEditor(QWidget* parent = nullptr);

  // Replaces the document; the undo buffer is emptied.
  void SetGbk(std::string_view gbk);
  std::string Gbk() const;
  // Replaces the whole text as one undoable edit.
  void ReplaceAllGbk(std::string_view gbk);
  void ReplaceSelectionGbk(std::string_view gbk);

  void SelectBytes(std::size_t start, std::size_t length);
  std::size_t SelectionStartBytes() const;
  std::size_t SelectionLengthBytes() const;

  bool CanUndo() const { return document()->isUndoAvailable(); }
  void ClearUndo();
  void SetWordWrap(bool on);
  bool WordWrap() const { return lineWrapMode() != QPlainTextEdit::NoWrap; }

  // The status texts: "行%u:列%u" or "行%u:列%u, 选定%u字符", and the edit mode.
  QString CaretText() const;
  QString EditModeText() const;

 signals:
  void caretTextChanged(const QString& text);
  void editModeChanged(const QString& text);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::u16string DisplayText() const;
  QString ToDisplay(std::string_view gbk) const;
  void CountSeparators(int position, int removed, int added);
  // 1-based line of the text (not block) and column of a position.
  std::pair<unsigned, unsigned> LineAndColumn(const QTextCursor& cursor) const;

  folian::app::LineBreaks breaks_ = folian::app::LineBreaks::kCrLf;
};
