#pragma once
// The text sink's view of a QPlainTextEdit. The control shows one paragraph
// per line, so the edit-control line ends of the sink's text ("\r\n", and
// the "\r\r\n" that line-end conversion makes of a "\r\n") become paragraph
// breaks and carriage returns are dropped.
#include <QPlainTextEdit>

#include "console/SinkSurface.h"

namespace zembra {

class EditSurface : public SinkSurface {
 public:
  explicit EditSurface(QPlainTextEdit& edit);

  // Edit-control text to the control's plain text.
  static QString ToDocumentText(const QString& editText);

  bool IsReaderAtEnd() const override;
  ReaderView SaveReaderView() const override;
  void RestoreReaderView(const ReaderView& view) override;
  void AppendAtEnd(const QString& text) override;
  void MoveReaderToEnd() override;
  void SetRepaintEnabled(bool enabled) override;

 private:
  int EndPosition() const;

  QPlainTextEdit& m_edit;
};

}  // namespace zembra
