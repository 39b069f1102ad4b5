#include "console/EditSurface.h"

#include <QScrollBar>
#include <algorithm>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace zembra {

EditSurface::EditSurface(QPlainTextEdit& edit) : m_edit(edit) {}

QString EditSurface::ToDocumentText(const QString& editText) {
  QString text = editText;
  text.remove(QChar('\r'));
  return text;
}

int EditSurface::EndPosition() const {
  // characterCount() counts the paragraph separator after the last block.
  return m_edit.document()->characterCount() - 1;
}

bool EditSurface::IsReaderAtEnd() const {
  const QTextCursor cursor = m_edit.textCursor();
  const int end = EndPosition();
  const QScrollBar* bar = m_edit.verticalScrollBar();
  return cursor.position() == end && cursor.anchor() == end && bar->value() == bar->maximum();
}

ReaderView EditSurface::SaveReaderView() const {
  const QTextCursor cursor = m_edit.textCursor();
  return {cursor.anchor(), cursor.position(), m_edit.verticalScrollBar()->value(),
          m_edit.horizontalScrollBar()->value()};
}

void EditSurface::RestoreReaderView(const ReaderView& view) {
  QTextCursor cursor(m_edit.document());
  const int end = EndPosition();
  cursor.setPosition(std::min(view.selectionAnchor, end));
  cursor.setPosition(std::min(view.selectionPosition, end), QTextCursor::KeepAnchor);
  // setTextCursor scrolls to the caret; the remembered scroll position is
  // put back afterwards.
  m_edit.setTextCursor(cursor);
  m_edit.verticalScrollBar()->setValue(view.firstVisibleLine);
  m_edit.horizontalScrollBar()->setValue(view.horizontalOffset);
}

void EditSurface::AppendAtEnd(const QString& text) {
  QTextCursor cursor(m_edit.document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(ToDocumentText(text));
}

void EditSurface::MoveReaderToEnd() {
  QTextCursor cursor = m_edit.textCursor();
  cursor.movePosition(QTextCursor::End);
  m_edit.setTextCursor(cursor);
  QScrollBar* bar = m_edit.verticalScrollBar();
  bar->setValue(bar->maximum());
}

void EditSurface::SetRepaintEnabled(bool enabled) { m_edit.viewport()->setUpdatesEnabled(enabled); }

}  // namespace zembra
