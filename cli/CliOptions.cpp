#include "cli/CliOptions.h"

namespace zembra::cli {
namespace {

struct CommandWord {
  const char* word;
  CliCommand command;
};

constexpr CommandWord kCommands[] = {
    {"read", CliCommand::Read},       {"backup", CliCommand::Backup}, {"restore", CliCommand::Restore},
    {"verify", CliCommand::Verify},   {"send", CliCommand::Send},
};

bool IsCount(const QString& text) {
  if (text.isEmpty()) return false;
  for (QChar c : text)
    if (!c.isDigit()) return false;
  return true;
}

// Takes the value of "--name VALUE" or "--name=VALUE"; false (with the
// error set) when there is none.
bool TakeValue(const QStringList& args, qsizetype& i, const QString& name, QString& value, QString& error) {
  const QString& a = args[i];
  if (a.startsWith(name + QLatin1Char('='))) {
    value = a.mid(name.size() + 1);
  } else if (i + 1 < args.size()) {
    value = args[++i];
  } else {
    value.clear();
  }
  if (value.isEmpty()) {
    error = QStringLiteral("%1 needs a value (see --help)").arg(name);
    return false;
  }
  return true;
}

}  // namespace

QString CliOptions::CommandName(CliCommand command) {
  for (const CommandWord& c : kCommands)
    if (c.command == command) return QString::fromLatin1(c.word);
  return {};
}

CliOptions CliOptions::Parse(const QStringList& args) {
  CliOptions o;
  QStringList positional;
  bool optionsEnded = false;
  for (qsizetype i = 1; i < args.size(); ++i) {
    const QString& a = args[i];
    if (optionsEnded || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
      positional << a;
    } else if (a == QLatin1String("--")) {
      optionsEnded = true;
    } else if (a == QLatin1String("--port") || a.startsWith(QLatin1String("--port="))) {
      QString path;
      if (!TakeValue(args, i, QStringLiteral("--port"), path, o.error)) return o;
      if (o.ports.contains(path)) {
        o.error = QStringLiteral("--port %1 is given twice; each drive needs its own port").arg(path);
        return o;
      }
      o.ports << path;
    } else if (a == QLatin1String("--simulate")) {
      o.simulate = 1;
      if (i + 1 < args.size() && IsCount(args[i + 1])) o.simulate = args[++i].toInt();
    } else if (a.startsWith(QLatin1String("--simulate="))) {
      const QString count = a.mid(11);
      o.simulate = IsCount(count) ? count.toInt() : -1;
    } else if (a == QLatin1String("--json")) {
      o.json = true;
    } else if (a == QLatin1String("--quiet") || a == QLatin1String("-q")) {
      o.quiet = true;
    } else if (a == QLatin1String("--eeprom")) {
      o.eeprom = true;
    } else if (a == QLatin1String("--change-baud")) {
      o.changeBaud = true;
    } else if (a == QLatin1String("--verify")) {
      o.verify = true;
    } else if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
      o.showHelp = true;
    } else if (a == QLatin1String("--version")) {
      o.showVersion = true;
    } else {
      o.error = QStringLiteral("unknown option %1 (see --help)").arg(a);
      return o;
    }
  }
  if (o.showHelp || o.showVersion) return o;

  if (positional.isEmpty()) {
    o.error = QStringLiteral("no command given: read, backup, restore, verify or send (see --help)");
    return o;
  }
  const QString word = positional.takeFirst();
  for (const CommandWord& c : kCommands)
    if (word == QLatin1String(c.word)) o.command = c.command;
  if (o.command == CliCommand::None) {
    o.error = QStringLiteral("unknown command %1: read, backup, restore, verify or send (see --help)").arg(word);
    return o;
  }

  switch (o.command) {
    case CliCommand::Read:
      if (!positional.isEmpty()) o.error = QStringLiteral("read takes no arguments");
      break;
    case CliCommand::Backup:
    case CliCommand::Restore:
    case CliCommand::Verify:
      if (positional.size() != 1 || positional.front().isEmpty())
        o.error = QStringLiteral("%1 needs exactly one FILE").arg(word);
      else
        o.file = positional.front();
      break;
    case CliCommand::Send:
      if (positional.isEmpty()) o.error = QStringLiteral("send needs at least one command text");
      o.texts = positional;
      break;
    case CliCommand::None:
      break;
  }
  if (!o.error.isEmpty()) return o;

  if ((o.eeprom || o.changeBaud || o.verify) && o.command != CliCommand::Restore)
    o.error = QStringLiteral("--eeprom, --change-baud and --verify belong to restore");
  else if (o.simulate != 0 && !o.ports.isEmpty())
    o.error = QStringLiteral("--simulate and --port cannot be used together");
  else if (o.simulate < 0 || o.simulate > kMaxSimulated)
    o.error = QStringLiteral("--simulate takes a count from 1 to %1").arg(kMaxSimulated);
  return o;
}

QString CliOptions::HelpText() {
  return QStringLiteral(
      "Usage: zembra-cli [--port PATH]... [--simulate [N]] [--json] [--quiet] COMMAND [ARGS]\n"
      "Back up, restore and verify servo drives over RS-232, every port at once.\n"
      "\n"
      "Commands:\n"
      "  read                 identify each drive and read its parameters\n"
      "  backup FILE          read, then save the parameters as a scheme file (*.qnd)\n"
      "  restore FILE [--verify] [--eeprom] [--change-baud]\n"
      "                       write the scheme file's parameters to each drive;\n"
      "                       --verify reads them back and compares (status 1 on a\n"
      "                       difference, and then nothing is stored in EEPROM),\n"
      "                       --eeprom stores them in the drive's EEPROM afterwards,\n"
      "                       --change-baud also sends the file's RS-232 and CAN baud\n"
      "  verify FILE          read and compare with the scheme file\n"
      "  send TEXT...         send each text as a command and print the reply\n"
      "\n"
      "Options:\n"
      "  --port PATH          a serial device with one drive; repeat for more drives,\n"
      "                       all served in parallel\n"
      "  --simulate [N]       N built-in virtual drives instead (default 1)\n"
      "                       Without --port or --simulate: the COM port saved by zembra.\n"
      "  --json               one JSON document on standard output\n"
      "  --quiet, -q          no progress on standard error\n"
      "  --help, -h           this text\n"
      "  --version            the program's version\n"
      "\n"
      "With several ports FILE names one file per drive: {n} stands for the port's\n"
      "place on the command line (1, 2, ...), {port} for the device's name (ttyUSB0).\n"
      "backup requires one of them; restore and verify may use one file for all.\n"
      "\n"
      "Exit status: 0 success; 1 verify found differences or a command was not\n"
      "confirmed; 2 usage error or unusable file (nothing was sent); 3 a port could\n"
      "not be opened or its drive did not answer; 130 interrupted. With several\n"
      "ports, the worst of them.\n");
}

}  // namespace zembra::cli
