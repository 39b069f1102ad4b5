// zembra-vdrive: a virtual drive on a pseudo-terminal, for trying the
// program or a terminal against a drive that is not there.

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include <poll.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "sim/VirtualDrive.h"

namespace {

void PrintUsage(std::ostream& out) {
  out << "Usage: zembra-vdrive [options]\n"
         "Answers the drive protocol on a pseudo-terminal and prints its path.\n\n"
         "  --baud N          line speed for --wire-timing and the pty (default 9600)\n"
         "  --wire-timing     pace output at 10 bits per byte\n"
         "  --version TEXT    firmware version reported to GVER (default 2.15)\n"
         "  --model TEXT      drive model reported to GDTY (default ZD-7720)\n"
         "  --help            show this text\n";
}

bool ParseInt(const char* text, int* value) {
  char* end = nullptr;
  const long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || parsed <= 0 || parsed > 4000000) return false;
  *value = static_cast<int>(parsed);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  zembra::sim::VirtualDrive::Options options;
  std::string version;
  std::string model;
  bool haveVersion = false;
  bool haveModel = false;

  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      PrintUsage(std::cout);
      return 0;
    } else if (arg == "--wire-timing") {
      options.wireTiming = true;
    } else if (arg == "--baud" && hasValue) {
      if (!ParseInt(argv[++i], &options.baud)) {
        std::cerr << "zembra-vdrive: invalid baud rate: " << argv[i] << "\n";
        return 2;
      }
    } else if (arg == "--version" && hasValue) {
      version = argv[++i];
      haveVersion = true;
    } else if (arg == "--model" && hasValue) {
      model = argv[++i];
      haveModel = true;
    } else {
      std::cerr << "zembra-vdrive: unknown or incomplete option: " << arg << "\n";
      PrintUsage(std::cerr);
      return 2;
    }
  }

  // Signals arrive through a descriptor, so the shutdown runs in main, not
  // in a handler.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  // A shell starts background jobs with SIGINT ignored; an ignored signal
  // never reaches the descriptor, so take the default disposition back.
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
  if (pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr) != 0) {
    std::cerr << "zembra-vdrive: cannot block signals\n";
    return 1;
  }
  const int signalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
  if (signalFd < 0) {
    std::cerr << "zembra-vdrive: signalfd failed\n";
    return 1;
  }

  options.log = [](const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  };
  // The drive thread is created after the mask is set and inherits it.
  zembra::sim::VirtualDrive drive(options);
  drive.WithModel([&](zembra::sim::DriveModel& m) {
    if (haveVersion) m.SetVersionText(version);
    if (haveModel) m.SetModelText(model);
  });
  std::string error;
  if (!drive.Start(&error)) {
    std::cerr << "zembra-vdrive: " << error << "\n";
    return 1;
  }
  std::printf("zembra-vdrive: %s\n", drive.SlavePath().c_str());
  std::fflush(stdout);

  pollfd pfd{signalFd, POLLIN, 0};
  while (::poll(&pfd, 1, -1) < 0) {
  }
  signalfd_siginfo info{};
  [[maybe_unused]] const auto n = ::read(signalFd, &info, sizeof info);
  drive.Stop();
  ::close(signalFd);
  return 0;
}
