#pragma once
// How a run of zembra-cli ends, per port and as a whole. With several
// ports the run ends with the worst of them.
namespace zembra::cli {

enum class ExitStatus : int {
  Success = 0,
  NotConfirmed = 1,  // verify found differences, or a command was not confirmed
  Usage = 2,         // the command line or a file could not be used; nothing was sent
  NoDrive = 3,       // the port could not be opened, or the drive did not answer
  Interrupted = 130, // SIGINT or SIGTERM stopped the run (the shell's 128 + 2)
};

constexpr int ExitCode(ExitStatus status) { return static_cast<int>(status); }

constexpr ExitStatus Worse(ExitStatus a, ExitStatus b) { return ExitCode(a) >= ExitCode(b) ? a : b; }

}  // namespace zembra::cli
