// zembra-cli's command line: any arguments parse into options or an error
// text, never a crash, and accepted options are always runnable.
#include <QString>
#include <QStringList>

#include "cli/CliOptions.h"
#include "tests/fuzz/FuzzTarget.h"

ZEMBRA_FUZZ_TARGET(cli_command_line) {
  QStringList arguments{QStringLiteral("zembra-cli")};
  QString current;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      arguments << current;
      current.clear();
    } else {
      current += QChar(data[i]);
    }
  }
  arguments << current;
  using zembra::cli::CliCommand;
  const zembra::cli::CliOptions o = zembra::cli::CliOptions::Parse(arguments);
  if (!o.error.isEmpty() || o.showHelp || o.showVersion) return;
  FUZZ_CHECK(o.command != CliCommand::None);
  FUZZ_CHECK(!(o.simulate != 0 && !o.ports.isEmpty()));
  FUZZ_CHECK(o.simulate >= 0 && o.simulate <= zembra::cli::CliOptions::kMaxSimulated);
  QStringList ports = o.ports;
  FUZZ_CHECK(ports.removeDuplicates() == 0);
  const bool takesFile = o.command == CliCommand::Backup || o.command == CliCommand::Restore ||
                         o.command == CliCommand::Verify;
  FUZZ_CHECK(takesFile == !o.file.isEmpty());
  FUZZ_CHECK((o.command == CliCommand::Send) == !o.texts.isEmpty());
  FUZZ_CHECK(o.command == CliCommand::Restore || (!o.eeprom && !o.changeBaud));
}
