#pragma once
// What the text sink needs from the text control it appends to. Texts use
// the edit-control line-end convention ("\r\n"); the control maps them.
#include <QString>

namespace zembra {

// Where the reader is: the selection and the scroll position.
struct ReaderView {
  int selectionAnchor = 0;
  int selectionPosition = 0;
  int firstVisibleLine = 0;
  int horizontalOffset = 0;
  bool operator==(const ReaderView&) const = default;
};

class SinkSurface {
 public:
  virtual ~SinkSurface() = default;
  // Caret and selection at the end of the text and the view at the bottom.
  virtual bool IsReaderAtEnd() const = 0;
  virtual ReaderView SaveReaderView() const = 0;
  virtual void RestoreReaderView(const ReaderView& view) = 0;
  // Adds text at the end without touching the caret or the scroll position.
  virtual void AppendAtEnd(const QString& text) = 0;
  // Puts the caret at the end and shows the bottom of the text.
  virtual void MoveReaderToEnd() = 0;
  // Off while appending, so the reader never sees an intermediate state.
  virtual void SetRepaintEnabled(bool enabled) = 0;
};

}  // namespace zembra
