#include "console/TextSink.h"

#include "platform/Gbk.h"
#include "platform/WindowMessages.h"

namespace zembra {

TextSink::TextSink(SinkSurface& surface, std::uint32_t flushIntervalMs)
    : m_surface(surface), m_flushIntervalMs(flushIntervalMs) {}

TextSink::~TextSink() { KillTimer(Handle(), TIMER_SINK_FLUSH); }

void TextSink::Append(const QString& text, bool convertLineEnds) {
  if (text.isEmpty()) return;
  QString converted = text;
  if (convertLineEnds) converted.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
  bool post = false;
  {
    std::lock_guard lock(m_mutex);
    m_queue += converted;
    if (!m_flushPending) {
      m_flushPending = true;
      post = true;
    }
  }
  if (post) PostMessage(Handle(), WM_SINK_FLUSH);
}

void TextSink::AppendWide(std::wstring_view text, bool convertLineEnds) {
  Append(QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size())), convertLineEnds);
}

void TextSink::AppendNarrow(std::string_view gbk, bool convertLineEnds) {
  Append(FromGbk(gbk), convertLineEnds);
}

bool TextSink::Flush(FlushMode mode) {
  QString text;
  std::uint64_t generation;
  {
    std::lock_guard lock(m_mutex);
    text = m_queue;
    generation = m_discardGeneration;
    m_flushPending = false;
  }
  if (text.isEmpty()) return true;

  const bool atEnd = m_surface.IsReaderAtEnd();
  if (!atEnd && mode == FlushMode::Gentle) return false;

  m_surface.SetRepaintEnabled(false);
  if (atEnd) {
    m_surface.AppendAtEnd(text);
    m_surface.MoveReaderToEnd();
  } else {
    const ReaderView view = m_surface.SaveReaderView();
    m_surface.AppendAtEnd(text);
    m_surface.RestoreReaderView(view);
  }
  m_surface.SetRepaintEnabled(true);

  std::lock_guard lock(m_mutex);
  // Other threads only ever add at the back, so the appended text is still
  // the front of the queue unless a discard emptied it meanwhile.
  if (generation == m_discardGeneration) m_queue.remove(0, text.size());
  return true;
}

void TextSink::Discard() {
  std::lock_guard lock(m_mutex);
  m_queue.clear();
  ++m_discardGeneration;
}

bool TextSink::HasPending() const {
  std::lock_guard lock(m_mutex);
  return !m_queue.isEmpty();
}

std::intptr_t TextSink::OnMessage(const WindowMessage& message) {
  if (message.msg != WM_SINK_FLUSH) return MessageWindow::OnMessage(message);
  if (!Flush(FlushMode::Gentle) && !IsTimerRunning(Handle(), TIMER_SINK_FLUSH))
    SetTimer(Handle(), TIMER_SINK_FLUSH, m_flushIntervalMs);
  return 0;
}

void TextSink::OnTimer(std::uint32_t timerId) {
  if (timerId != TIMER_SINK_FLUSH) return;
  if (Flush(FlushMode::Forced)) KillTimer(Handle(), TIMER_SINK_FLUSH);
}

}  // namespace zembra
