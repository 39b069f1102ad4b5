// zembra-cli: back up, restore and verify servo drives from the command
// line, every connected drive at once.
#include <sys/ioctl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QTimer>
#include <iostream>

#include "cli/CliRun.h"
#include "platform/TerminationSignals.h"

namespace {

int TerminalColumns() {
  winsize size{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  using namespace zembra::cli;
  const CliOptions options = CliOptions::Parse(QCoreApplication::arguments());
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  CliRun run(options, {std::cout, std::cerr, terminal, terminal ? TerminalColumns() : 80});
  zembra::TerminationSignals termination([&run] { run.Interrupt(); });
  run.SetFinishedHandler([&run] { QCoreApplication::exit(ExitCode(run.Status())); });
  QTimer::singleShot(0, [&run] { run.Start(); });
  return QCoreApplication::exec();
}
