#pragma once
// The program's persistent settings: QSettings("DIRER", "Zembra"), group
// "QnZembra" (on Linux ~/.config/DIRER/Zembra.conf).
#include <QString>

namespace zembra {

class Profile {
 public:
  int GetInt(const QString& key, int defaultValue) const;
  void WriteInt(const QString& key, int value);
  QString GetString(const QString& key, const QString& defaultValue = {}) const;
  void WriteString(const QString& key, const QString& value);
  bool Contains(const QString& key) const;

  // Points every later Profile at a folder of its own, so tests never read
  // or write the user's real settings.
  static void UseFolderForTests(const QString& folder);
};

}  // namespace zembra
