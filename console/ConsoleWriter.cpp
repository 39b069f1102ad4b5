#include "console/ConsoleWriter.h"

namespace zembra {

ConsoleWriter::ConsoleWriter(ConsoleSurface& surface, const std::atomic<bool>& batching)
    : m_surface(surface), m_batching(batching) {}

void ConsoleWriter::Write(const ConsoleLine& line) {
  if (m_batching.load()) {
    WriteBatched(line);
  } else {
    WriteDirect(line);
  }
}

void ConsoleWriter::WriteDirect(const ConsoleLine& line) {
  ClearWhenTooLong();
  // Lines gathered before batching stopped go out first, in one piece with
  // the new line, so the order on screen is the order of arrival.
  QString text = TakeBatch();
  text += line.text;
  m_surface.Append(text);
  m_surface.ScrollToEnd();
}

void ConsoleWriter::WriteBatched(const ConsoleLine& line) {
  // While sampling, one reply per command is enough; a batched line with a
  // dot is taken as a reply already shown.
  if (line.kind == ConsoleLineKind::Reply && !m_batch.empty() && m_batch.back().contains('.')) return;
  m_batch.push_back(line.text);
  if (m_batch.size() < kBatchSize) return;
  ClearWhenTooLong();
  m_surface.Append(TakeBatch());
  m_surface.ScrollToEnd();
}

void ConsoleWriter::ClearWhenTooLong() {
  if (m_surface.LineCount() > kMaxLines) m_surface.Clear();
}

QString ConsoleWriter::TakeBatch() {
  QString text;
  for (const QString& pending : m_batch) text += pending;
  m_batch.clear();
  return text;
}

}  // namespace zembra
