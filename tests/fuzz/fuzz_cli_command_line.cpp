// zembra-cli's command line: any arguments parse into options or an error
// text, never a crash, and accepted options are always runnable.
#include "cli/CliOptions.h"
#include "tests/fuzz/FuzzArguments.h"
#include "tests/fuzz/FuzzTarget.h"

ZEMBRA_FUZZ_TARGET(cli_command_line) {
  const QStringList arguments = zembra::fuzz::ArgumentsFromBytes(QStringLiteral("zembra-cli"), data, size);
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
