// The program's command line: any arguments parse into options or an error
// text, never a crash.
#include <QString>
#include <QStringList>

#include "app/CommandLineOptions.h"
#include "tests/fuzz/FuzzTarget.h"

ZEMBRA_FUZZ_TARGET(command_line) {
  QStringList arguments{QStringLiteral("zembra")};
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
  const zembra::CommandLineOptions options = zembra::CommandLineOptions::Parse(arguments);
  // Accepted options never ask for the virtual drive and a real port at once.
  if (options.error.isEmpty()) FUZZ_CHECK(!(options.simulate && !options.portOverride.isEmpty()));
}
