#pragma once
// What `zembra --version` prints: the program's version and the title its
// version file gives, with the file it came from, so an installation can
// be checked without a display.
#include <QString>

namespace zembra {

struct VersionReport {
  QString text;        // the lines to print
  bool found = false;  // whether the version file was found

  static VersionReport For(const QString& programVersion, const QString& executableFolder);
};

}  // namespace zembra
