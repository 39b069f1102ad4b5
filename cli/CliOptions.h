#pragma once
// What zembra-cli was asked to do: the ports, the output form and the
// command with its arguments, from the command line.
#include <QString>
#include <QStringList>

namespace zembra::cli {

enum class CliCommand { None, Read, Backup, Restore, Verify, Send };

struct CliOptions {
  static constexpr int kMaxSimulated = 16;

  QStringList ports;        // --port PATH, in the order given
  int simulate = 0;         // --simulate [N]: N virtual drives; 0 = none
  bool json = false;
  bool quiet = false;
  CliCommand command = CliCommand::None;
  QString file;             // backup, restore, verify
  QStringList texts;        // send
  bool eeprom = false;      // restore --eeprom
  bool changeBaud = false;  // restore --change-baud
  bool verify = false;      // restore --verify
  bool showHelp = false;
  bool showVersion = false;
  QString error;            // non-empty: a usage error, in words

  // `arguments[0]` is the program's own name.
  static CliOptions Parse(const QStringList& arguments);
  static QString HelpText();
  static QString CommandName(CliCommand command);
  // Commands whose FILE names one file per port when several ports run.
  static bool WritesFilePerPort(CliCommand command) { return command == CliCommand::Backup; }
};

}  // namespace zembra::cli
