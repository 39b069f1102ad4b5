#include "app/SharedFolder.h"

#include <QDir>
#include <QStandardPaths>

namespace zembra {

QString SharedFolder::Path() {
  static const QString path =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Quen Shared/");
  return path;
}

bool SharedFolder::Create() { return QDir().mkpath(Path()); }

}  // namespace zembra
