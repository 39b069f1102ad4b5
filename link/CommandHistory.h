#pragma once
// The manual command line's history: newest first, at most 15 entries.
#include <QString>
#include <QStringList>

namespace zembra {

class CommandHistory {
 public:
  static constexpr int kMaxEntries = 15;

  // Removes the first entry that begins with `text` (letter case ignored),
  // puts `text` on top and drops entries beyond the fifteenth.
  void Add(const QString& text);
  const QStringList& Entries() const { return m_entries; }

 private:
  QStringList m_entries;
};

}  // namespace zembra
