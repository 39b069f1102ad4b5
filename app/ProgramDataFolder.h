#pragma once
// Where the program finds its version file (and anything else it reads
// besides its settings): the data folder of its installation, found from
// the executable's own folder, so the program runs wherever it is installed
// and from the build tree alike. No absolute path is compiled in.
#include <QString>
#include <QStringList>

namespace zembra {

class ProgramDataFolder {
 public:
  // The folders looked at, in order: the data folder relative to the
  // executable ("../share/zembra" in the standard layout, which the build
  // tree mirrors), then the executable's own folder, where a hand-copied
  // program keeps its version file.
  static QStringList Candidates(const QString& executableFolder);

  // The first candidate that holds QNVERSION.qni; the first candidate when
  // none does.
  static QString Locate(const QString& executableFolder);

  static constexpr const char* kVersionFileName = "QNVERSION.qni";
};

}  // namespace zembra
