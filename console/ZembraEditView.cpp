#include "console/ZembraEditView.h"

#include <QFont>
#include <QScrollBar>
#include <QTextDocument>

#include "platform/WindowMessages.h"

namespace zembra {
namespace {

// Installed faces that can stand in for the console family, best first:
// serif CJK faces, then sans CJK faces for systems that have only those.
const QStringList kFontSubstitutes = {
    "SimSun",          "Noto Serif CJK SC",  "Source Han Serif SC", "AR PL UMing CN",
    "Noto Sans CJK SC", "Source Han Sans SC", "WenQuanYi Zen Hei",   "Droid Sans Fallback",
};

}  // namespace

CZembraEditView::CZembraEditView(const std::atomic<bool>& displayBatching, QWidget* parent)
    : QPlainTextEdit(parent),
      m_editSurface(*this),
      m_sink(m_editSurface),
      m_writer(*this, displayBatching) {
  setObjectName("consoleView");
  setAccessibleName("控制台");
  setReadOnly(true);
  // Keep the caret visible and movable so a reader can select and copy.
  setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  setMaximumBlockCount(0);
  setUndoRedoEnabled(false);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  ApplyConsoleFont();
  m_redirect = std::make_unique<StdoutRedirect>(m_sink);
}

CZembraEditView::~CZembraEditView() { m_redirect.reset(); }

void CZembraEditView::ApplyConsoleFont() {
  QFont::insertSubstitutions(kFontFamily, kFontSubstitutes);
  QFont consoleFont(kFontFamily);
  QStringList families{kFontFamily};
  families += kFontSubstitutes;
  consoleFont.setFamilies(families);
  consoleFont.setWeight(QFont::ExtraLight);
  consoleFont.setItalic(false);
  consoleFont.setUnderline(false);
  consoleFont.setStyleStrategy(QFont::PreferQuality);
  setFont(consoleFont);
}

std::intptr_t CZembraEditView::OnMessage(const WindowMessage& message) {
  if (message.msg != WM_DRIVE_TEXT) return MessageWindow::OnMessage(message);
  if (auto line = m_former.Form(message)) m_writer.Write(*line);
  return 0;
}

int CZembraEditView::LineCount() const { return document()->blockCount(); }

void CZembraEditView::Clear() {
  m_sink.Discard();
  clear();
}

void CZembraEditView::Append(const QString& text) {
  m_sink.Append(text, false);
  m_sink.Flush(TextSink::FlushMode::Forced);
}

void CZembraEditView::ScrollToEnd() {
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->maximum());
}

}  // namespace zembra
