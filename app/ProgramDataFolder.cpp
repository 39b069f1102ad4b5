#include "app/ProgramDataFolder.h"

#include <QDir>
#include <QFileInfo>

namespace zembra {

QStringList ProgramDataFolder::Candidates(const QString& executableFolder) {
  const QDir bin(executableFolder);
  return {QDir::cleanPath(bin.filePath(QStringLiteral(ZEMBRA_DATA_FROM_BIN))), QDir::cleanPath(bin.path())};
}

QString ProgramDataFolder::Locate(const QString& executableFolder) {
  const QStringList candidates = Candidates(executableFolder);
  for (const QString& folder : candidates) {
    if (QFileInfo(QDir(folder).filePath(QLatin1String(kVersionFileName))).isFile()) return folder;
  }
  return candidates.front();
}

}  // namespace zembra
