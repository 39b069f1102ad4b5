#include "app/CommandLineOptions.h"

#include "app/DebugSwitches.h"

namespace zembra {

CommandLineOptions CommandLineOptions::Parse(const QStringList& arguments) {
  CommandLineOptions options;
  options.debugMode = DebugSwitches::Scan(arguments.join(QLatin1Char(' ')));
  for (qsizetype i = 1; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    if (a == QLatin1String("--simulate")) {
      options.simulate = true;
    } else if (a == QLatin1String("--port")) {
      if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty()) {
        options.error = QStringLiteral("--port needs a device path, for example --port /dev/ttyUSB0");
        return options;
      }
      options.portOverride = arguments[++i];
    } else if (a.startsWith(QLatin1String("--port="))) {
      options.portOverride = a.mid(7);
      if (options.portOverride.isEmpty()) {
        options.error = QStringLiteral("--port needs a device path, for example --port /dev/ttyUSB0");
        return options;
      }
    } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      options.showHelp = true;
    } else if (a == QLatin1String("--version")) {
      options.showVersion = true;
    } else if (a.compare(QLatin1String("/XRBLNOQ"), Qt::CaseInsensitive) == 0 ||
               a.compare(QLatin1String("/J"), Qt::CaseInsensitive) == 0) {
      // debug switch, taken above
    } else if (a.startsWith(QLatin1String("--"))) {
      options.error = QStringLiteral("unknown option %1 (see --help)").arg(a);
      return options;
    }
    // Anything else is left alone, as the drive tools always did.
  }
  if (options.simulate && !options.portOverride.isEmpty())
    options.error = QStringLiteral("--simulate and --port cannot be used together");
  return options;
}

QString CommandLineOptions::HelpText() {
  return QStringLiteral(
      "Usage: zembra [options]\n"
      "Configure, tune and verify a servo drive over RS-232.\n"
      "\n"
      "  --port PATH   use the serial device PATH for this run instead of the\n"
      "                saved COM port (nothing is saved unless you change the\n"
      "                settings in the program)\n"
      "  --simulate    start the built-in virtual drive and connect to it\n"
      "  /XRBLNOQ, /J  debug mode: behave as connected without a drive\n"
      "  --version     show the version and the version file in use\n"
      "  --help        show this text\n");
}

}  // namespace zembra
