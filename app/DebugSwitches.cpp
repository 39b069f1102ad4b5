#include "app/DebugSwitches.h"

namespace zembra {

bool DebugSwitches::Scan(const QString& commandLine) {
  if (commandLine.isEmpty()) return false;
  QString rest = commandLine.toUpper();
  for (;;) {
    qsizetype blank = rest.indexOf(QLatin1Char(' '));
    if (blank < 0) return false;
    rest = rest.mid(blank + 1);
    QString token = rest.left(rest.indexOf(QLatin1Char(' ')));  // whole rest when no blank
    if (token == QLatin1String("/XRBLNOQ") || token == QLatin1String("/J")) return true;
  }
}

}  // namespace zembra
