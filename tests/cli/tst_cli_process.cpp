// zembra-cli as a process: help and usage errors without a drive, backups
// of built-in virtual drives, the reason and status for a port that cannot
// be opened, a count of no virtual drives refused, SIGINT ending a restore in order with status 130, and the
// README's worked example run by a shell as written.
#include <gtest/gtest.h>

#include <filesystem>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/IniStore.h"
#include "sim/VirtualDrive.h"
#include "tests/support/PollUntil.h"

extern char** environ;

namespace zembra {
namespace {

using namespace std::chrono_literals;

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class CliProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zembra-cli-process-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // Starts the program with stdout and stderr going to files in `dir`.
  pid_t Spawn(std::vector<std::string> args) {
    args.insert(args.begin(), ZEMBRA_CLI_BINARY);
    std::vector<std::string> env = {"XDG_CONFIG_HOME=" + dir + "/config"};
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("XDG_CONFIG_HOME=", 0) != 0) env.emplace_back(*e);
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& v : env) envp.push_back(v.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, (dir + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, (dir + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int r = ::posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    return r == 0 ? pid : -1;
  }
  // The exit status, or -1 when it did not end in time (then it is killed).
  int Wait(pid_t pid, std::chrono::milliseconds deadline = 30s) {
    int status = 0;
    const bool ended = test::PollUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, deadline);
    if (!ended) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int Run(std::vector<std::string> args) {
    const pid_t pid = Spawn(std::move(args));
    return pid > 0 ? Wait(pid) : -1;
  }
  std::string Out() const { return Slurp(dir + "/out"); }
  std::string Err() const { return Slurp(dir + "/err"); }

  std::string dir;
};

TEST_F(CliProcess, HelpAndUsageErrorsNeedNoDrive) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(Out().find("用法：zembra-cli"), std::string::npos);
  EXPECT_EQ(Run({"--frobnicate", "read"}), 2);
  EXPECT_NE(Err().find("--frobnicate"), std::string::npos);
  EXPECT_EQ(Run({"--simulate", "2", "backup", dir + "/axis.qnd"}), 2);
  EXPECT_NE(Err().find("{n}"), std::string::npos);
}

TEST_F(CliProcess, BacksUpEveryBuiltInVirtualDriveIntoItsOwnFile) {
  EXPECT_EQ(Run({"--simulate", "2", "backup", dir + "/axis{n}.qnd"}), 0) << Err();
  for (const char* name : {"/axis1.qnd", "/axis2.qnd"}) {
    CIniStore store(dir + name);
    ASSERT_TRUE(store.LoadExisting()) << name;
    EXPECT_EQ(store.FindSection("option"), 0);
  }
  // Not a terminal: no progress, nothing on standard error.
  EXPECT_EQ(Err(), "");
  EXPECT_NE(Out().find("[2]"), std::string::npos);
}

TEST_F(CliProcess, APortThatCannotBeOpenedEndsWithStatusThreeAndTheReason) {
  EXPECT_EQ(Run({"--port", dir + "/no-such-tty", "read"}), 3);
  EXPECT_NE(Err().find("无法打开串口"), std::string::npos);
}

// A count that means no virtual drive, or one too large to read, is a
// usage error: it must not fall through to the saved port, which here
// leads to a drive that would notice being asked.
TEST_F(CliProcess, ASimulateCountOfNoneNeverReachesTheSavedPort) {
  sim::VirtualDrive drive;
  std::string error;
  ASSERT_TRUE(drive.Start(&error)) << error;
  ASSERT_EQ(std::system(("mkdir -p '" + dir + "/config/DIRER'").c_str()), 0);
  std::ofstream(dir + "/config/DIRER/Zembra.conf")
      << "[QnZembra]\nComNum=1\nComPath1=" << drive.SlavePath() << "\n";
  for (std::vector<std::string> args : {std::vector<std::string>{"--simulate", "0", "read"},
                                        {"--simulate=0", "read"},
                                        {"--simulate", "00", "send", "GVER"},
                                        {"--simulate", "4294967297", "read"}}) {
    EXPECT_EQ(Run(args), 2) << args[0] << ' ' << args[1];
    EXPECT_NE(Err().find("--simulate"), std::string::npos) << Err();
  }
  EXPECT_EQ(drive.CommandCount(), 0u);
  // The same settings do reach the drive, so the silence above means something.
  EXPECT_EQ(Run({"send", "GVER"}), 0) << Err();
  EXPECT_GT(drive.CommandCount(), 0u);
  drive.Stop();
}

TEST_F(CliProcess, SigintEndsARestoreAfterTheCommandInFlight) {
  sim::VirtualDrive drive;
  std::string error;
  ASSERT_TRUE(drive.Start(&error)) << error;
  ASSERT_EQ(Run({"--simulate", "backup", dir + "/scheme.qnd"}), 0) << Err();
  const pid_t pid = Spawn({"--port", drive.SlavePath(), "restore", dir + "/scheme.qnd"});
  ASSERT_GT(pid, 0);
  const bool writing = drive.WaitForCommandCount(10, 15s);
  if (writing) ::kill(pid, SIGINT);
  const int status = Wait(pid, 10s);
  ASSERT_TRUE(writing) << Err();
  EXPECT_EQ(status, 130) << Err();
  const std::size_t count = drive.CommandCount();
  EXPECT_LT(count, 2u + 36u);
  EXPECT_FALSE(drive.WaitForCommandCount(count + 1, 300ms));  // nothing after the end
  EXPECT_NE(Out().find("已发送的命令"), std::string::npos) << Out();
  drive.Stop();
}

TEST_F(CliProcess, TheReadmeExampleRunsAsWritten) {
  // The example's lines, from "cli=$PWD/..." to the restore, run by bash
  // in a folder whose build/bin/zembra-cli is the program under test.
  std::istringstream readme(Slurp(ZEMBRA_SOURCE_DIR "/README.md"));
  std::string line, script;
  bool inExample = false;
  while (std::getline(readme, line)) {
    if (line.rfind("    cli=$PWD/", 0) == 0) inExample = true;
    if (!inExample) continue;
    script += (line.size() >= 4 ? line.substr(4) : line) + "\n";
    if (line.find("--eeprom") != std::string::npos) break;
  }
  ASSERT_NE(script.find("verify"), std::string::npos) << "no example found in README.md";
  for (std::size_t at; (at = script.find("/tmp/zembra-line")) != std::string::npos;)
    script.replace(at, 16, dir + "/line");
  { std::ofstream(dir + "/example.sh") << script; }
  ASSERT_EQ(std::system(("mkdir -p '" + dir + "/build/bin' && ln -s '" ZEMBRA_CLI_BINARY "' '" + dir +
                         "/build/bin/zembra-cli'")
                            .c_str()),
            0);
  const std::string run = "cd '" + dir + "' && XDG_CONFIG_HOME='" + dir + "/config' bash example.sh >'" + dir +
                          "/out' 2>'" + dir + "/err'";
  const int status = std::system(run.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << Out() << Err();
  EXPECT_NE(Out().find("最高速度\t2500\t3000\n"), std::string::npos) << Out();
  EXPECT_NE(Out().find("exit status 1"), std::string::npos) << Out();
  EXPECT_NE(Out().find("参数已保存至EEPROM"), std::string::npos) << Out();
}

}  // namespace
}  // namespace zembra
