// The stand-alone virtual drive as another process: the link opens the pty
// it prints, a command leaves over it and the reply reaches the typed
// request with the command's code.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "link/LinkRequester.h"
#include "tests/support/EventLoopWait.h"

extern char** environ;

namespace zembra {
namespace {

using namespace std::chrono_literals;

// Reads the first line the child prints, with a deadline.
std::string ReadLine(int fd, std::chrono::milliseconds deadline) {
  std::string line;
  auto end = std::chrono::steady_clock::now() + deadline;
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    char c;
    if (::read(fd, &c, 1) != 1) break;
    if (c == '\n') return line;
    line += c;
  }
  return line;
}

TEST(VDriveProcess, CommandOverItsPtyReachesTheRequestWithItsCode) {
  int out[2];
  ASSERT_EQ(::pipe(out), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::string binary = ZEMBRA_VDRIVE_BINARY;
  std::string versionFlag = "--version";
  std::string version = "7.07";
  char* argv[] = {binary.data(), versionFlag.data(), version.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(::posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);

  const std::string banner = ReadLine(out[0], 10s);
  const std::string prefix = "zembra-vdrive: ";
  ASSERT_EQ(banner.rfind(prefix, 0), 0u) << banner;
  const QString pty = QString::fromStdString(banner.substr(prefix.size()));

  LinkState state;
  TransactionEngine engine(state);
  LinkRequester requester(engine);
  std::vector<LinkReply> replies;
  ASSERT_TRUE(engine.OpenPort(pty, "9600,n,8,1"));
  ASSERT_TRUE(engine.StartReceiveThread());
  ASSERT_EQ(SendResult::Sent, requester.RequestNow("gver\r", [&](const LinkReply& r) { replies.push_back(r); }, false));
  EXPECT_TRUE(test::WaitUntil([&] { return !replies.empty(); }));
  engine.StopReceiveThread();

  ::kill(pid, SIGTERM);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ::close(out[0]);
  ASSERT_FALSE(replies.empty());
  EXPECT_EQ(replies[0].outcome, LinkReply::Outcome::Answered);
  EXPECT_EQ(replies[0].code, kCodeGVER);
  EXPECT_EQ(replies[0].text, "7.07");
  EXPECT_TRUE(WIFEXITED(status)) << "zembra-vdrive should end cleanly on SIGTERM";
}

}  // namespace
}  // namespace zembra
