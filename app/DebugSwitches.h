#pragma once
// The two debug switches: with either, the program behaves as connected
// without any drive having answered, so every page and command can be used
// on a bench without hardware.
#include <QString>

namespace zembra {

class DebugSwitches {
 public:
  // Scans a whole command line: upper-cased, split at blanks; the text
  // before the first blank (the program's path) is never a token; empty
  // tokens are skipped. True when a token is exactly "/XRBLNOQ" or "/J".
  static bool Scan(const QString& commandLine);
};

}  // namespace zembra
