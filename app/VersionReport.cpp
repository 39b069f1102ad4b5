#include "app/VersionReport.h"

#include <QDir>
#include <QFileInfo>

#include "app/ProgramDataFolder.h"
#include "common/VersionTitle.h"

namespace zembra {

VersionReport VersionReport::For(const QString& programVersion, const QString& executableFolder) {
  VersionReport report;
  const QString folder = ProgramDataFolder::Locate(executableFolder);
  const QString file = QDir(folder).filePath(QLatin1String(ProgramDataFolder::kVersionFileName));
  report.found = QFileInfo(file).isFile();
  report.text = QStringLiteral("zembra %1\n").arg(programVersion);
  if (report.found) {
    report.text += QStringLiteral("%1 (%2)\n").arg(ComposeWindowTitle(folder).trimmed(), file);
  } else {
    report.text += QStringLiteral("在 %2 中找不到 %1\n")
                       .arg(QLatin1String(ProgramDataFolder::kVersionFileName),
                            ProgramDataFolder::Candidates(executableFolder).join(QStringLiteral(", ")));
  }
  return report;
}

}  // namespace zembra
