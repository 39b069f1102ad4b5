#pragma once
// What the program was asked to do on its command line.
#include <QString>
#include <QStringList>

namespace zembra {

struct CommandLineOptions {
  bool debugMode = false;   // "/XRBLNOQ" or "/J"
  bool simulate = false;    // --simulate: built-in virtual drive on a pty
  QString portOverride;     // --port PATH: this device for this run only
  bool showHelp = false;
  bool showVersion = false; // --version: the version and where the version file is
  QString error;            // non-empty: the arguments could not be understood

  static CommandLineOptions Parse(const QStringList& arguments);
  static QString HelpText();
};

}  // namespace zembra
