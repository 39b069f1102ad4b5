// The program's command line: any arguments parse into options or an error
// text, never a crash.
#include "app/CommandLineOptions.h"
#include "tests/fuzz/FuzzArguments.h"
#include "tests/fuzz/FuzzTarget.h"

ZEMBRA_FUZZ_TARGET(command_line) {
  const QStringList arguments = zembra::fuzz::ArgumentsFromBytes(QStringLiteral("zembra"), data, size);
  const zembra::CommandLineOptions options = zembra::CommandLineOptions::Parse(arguments);
  // Accepted options never ask for the virtual drive and a real port at once.
  if (options.error.isEmpty()) FUZZ_CHECK(!(options.simulate && !options.portOverride.isEmpty()));
}
