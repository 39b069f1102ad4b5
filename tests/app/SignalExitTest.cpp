// The program as a process: it starts on a port given on the command line,
// talks to the drive, and SIGTERM, SIGINT or SIGHUP end it by the orderly
// exit, as they do while the start-up's first error box is up.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/VirtualDrive.h"

extern char** environ;

namespace zembra {
namespace {

using namespace std::chrono_literals;

// Waits for the child with a deadline; -1 when it is still running.
int WaitForExit(pid_t pid, std::chrono::milliseconds deadline, int* status) {
  auto end = std::chrono::steady_clock::now() + deadline;
  while (std::chrono::steady_clock::now() < end) {
    pid_t r = ::waitpid(pid, status, WNOHANG);
    if (r == pid) return 0;
    std::this_thread::sleep_for(10ms);
  }
  return -1;
}

// Whether the process has its own handler for the signal, from its status
// file: from then on the signal no longer kills it outright.
bool Catches(pid_t pid, int signalNumber) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigCgt:", 0) != 0) continue;
    const unsigned long long mask = std::stoull(line.substr(7), nullptr, 16);
    return (mask >> (signalNumber - 1)) & 1;
  }
  return false;
}

class ProgramProcess : public ::testing::TestWithParam<int> {
 protected:
  pid_t Start(const std::string& port) {
    std::string config = "XDG_CONFIG_HOME=" + std::string(::testing::TempDir()) + "zembra-signal-test";
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", config};
    for (char** e = environ; *e; ++e) {
      std::string v = *e;
      if (v.rfind("QT_QPA_PLATFORM=", 0) != 0 && v.rfind("XDG_CONFIG_HOME=", 0) != 0) env.push_back(v);
    }
    std::vector<char*> envp;
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::string binary = ZEMBRA_BINARY;
    std::string portArg = "--port";
    std::string portPath = port;
    char* argv[] = {binary.data(), portArg.data(), portPath.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, binary.c_str(), nullptr, nullptr, argv, envp.data()) != 0) return -1;
    return pid;
  }

  // Sends the test's signal and expects the program to end by itself
  // within 2 s with `expected`; a program still running is killed.
  void SignalAndExpectExit(pid_t pid, int expected) {
    ASSERT_EQ(::kill(pid, GetParam()), 0);
    int status = 0;
    const int r = WaitForExit(pid, 2s, &status);
    if (r != 0) ::kill(pid, SIGKILL), ::waitpid(pid, &status, 0);
    ASSERT_EQ(r, 0) << "the program did not end within 2 s of the signal";
    EXPECT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), expected);
  }
};

TEST_P(ProgramProcess, EndsInOrderOnTerminationSignals) {
  sim::VirtualDrive drive;
  std::string error;
  ASSERT_TRUE(drive.Start(&error)) << error;
  pid_t pid = Start(drive.SlavePath());
  ASSERT_GT(pid, 0);
  // It opened the port and identified the drive.
  bool talked = drive.WaitForCommand("GVER", 15s) && drive.WaitForCommand("GDTY", 5s);
  if (!talked) ::kill(pid, SIGKILL);
  ASSERT_TRUE(talked);
  SignalAndExpectExit(pid, 0);
  drive.Stop();
}

// The port cannot be opened, so the start-up's error box comes up at once;
// the signal ends the program there, as one that never started.
TEST_P(ProgramProcess, EndsOnTerminationSignalsInTheStartup) {
  pid_t pid = Start("/nonexistent/ttyUSB9");
  ASSERT_GT(pid, 0);
  const auto deadline = std::chrono::steady_clock::now() + 15s;
  while (!Catches(pid, GetParam()) && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(10ms);
  const bool caught = Catches(pid, GetParam());
  if (!caught) ::kill(pid, SIGKILL);
  ASSERT_TRUE(caught) << "the program never took the signal";
  SignalAndExpectExit(pid, 1);
}

INSTANTIATE_TEST_SUITE_P(Signals, ProgramProcess, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

TEST(ProgramProcessOptions, HelpAndBadOptionsNeedNoDisplay) {
  std::string help = std::string(ZEMBRA_BINARY) + " --help >/dev/null 2>&1";
  EXPECT_EQ(std::system(help.c_str()), 0);
  std::string bad = std::string(ZEMBRA_BINARY) + " --frobnicate >/dev/null 2>&1";
  int status = std::system(bad.c_str());
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

}  // namespace
}  // namespace zembra
