#include "link/CommandHistory.h"

namespace zembra {

void CommandHistory::Add(const QString& text) {
  for (qsizetype i = 0; i < m_entries.size(); ++i) {
    if (m_entries[i].startsWith(text, Qt::CaseInsensitive)) {
      m_entries.removeAt(i);
      break;
    }
  }
  m_entries.prepend(text);
  while (m_entries.size() > kMaxEntries) m_entries.removeLast();
}

}  // namespace zembra
