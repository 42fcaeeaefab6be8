// The editor of the Current document: a plain-text editor whose document is
// GBK bytes, exactly. Bytes that are not GBK characters show as marker
// characters and are kept; what is loaded is what is saved, byte for byte.
// Offsets in this interface are byte offsets into the GBK text.
#pragma once

#include <QPlainTextEdit>
#include <string>
#include <string_view>

#include "app/gbk_display.h"

class GbkEditor : public QPlainTextEdit {
  Q_OBJECT

 public:
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

  folian::app::LineBreaks breaks_ = folian::app::LineBreaks::kCrLf;
};
