#include "cli/ProgressLine.h"

namespace zembra::cli {
namespace {

constexpr const char* kWipe = "\r\033[K";

int CellsOf(QChar c) {
  const char16_t u = c.unicode();
  // East Asian wide ranges the texts use: CJK, full-width forms.
  const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3) ||
                    (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                    (u >= 0xFFE0 && u <= 0xFFE6);
  return wide ? 2 : 1;
}

}  // namespace

ProgressLine::ProgressLine(std::ostream& err, bool enabled, int columns)
    : m_err(err), m_enabled(enabled), m_columns(columns) {}

QString ProgressLine::Compose(const std::vector<QString>& texts, int columns) {
  QString line;
  if (texts.size() == 1) {
    line = texts.front();
  } else {
    for (std::size_t i = 0; i < texts.size(); ++i) {
      if (i > 0) line += QStringLiteral("  ");
      line += QStringLiteral("[%1] %2").arg(i + 1).arg(texts[i]);
    }
  }
  QString cut;
  int cells = 0;
  for (QChar c : line) {
    cells += CellsOf(c);
    if (cells > columns - 1) break;
    cut += c;
  }
  return cut;
}

void ProgressLine::Update(const std::vector<QString>& texts) {
  if (!m_enabled) return;
  const auto now = std::chrono::steady_clock::now();
  if (m_shown && now - m_lastDraw < kRedrawPeriod) return;
  m_lastDraw = now;
  m_shown = true;
  m_err << kWipe << Compose(texts, m_columns).toStdString() << std::flush;
}

void ProgressLine::Clear() {
  if (!m_enabled || !m_shown) return;
  m_shown = false;
  m_err << kWipe << std::flush;
}

}  // namespace zembra::cli
