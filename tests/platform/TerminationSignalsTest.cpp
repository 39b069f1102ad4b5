// Termination signals (SIGINT, SIGTERM, SIGHUP) become a call on the event
// loop's thread, also inside a nested loop such as a modal dialog's; the
// default disposition is back once the handler object is gone; a SIGHUP
// ignored at start (nohup) stays ignored.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <csignal>

#include "platform/TerminationSignals.h"
#include "tests/support/EventLoopWait.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;

TEST(TerminationSignals, EachSignalRunsTheCallbackOnTheEventLoop) {
  int calls = 0;
  bool onLoopThread = false;
  {
    TerminationSignals termination([&] {
      ++calls;
      onLoopThread = QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    ASSERT_EQ(std::raise(SIGINT), 0);
    ASSERT_TRUE(test::WaitUntil([&] { return calls == 1; }, 2s));
    EXPECT_TRUE(onLoopThread);
    ASSERT_EQ(std::raise(SIGTERM), 0);
    ASSERT_TRUE(test::WaitUntil([&] { return calls == 2; }, 2s));
    // A modal dialog's loop: the call arrives there, not after it.
    QEventLoop nested;
    QTimer::singleShot(0, [] { std::raise(SIGHUP); });
    QTimer giveUp;
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, &nested, [&] { nested.exit(1); });
    giveUp.start(2000);
    int seenInside = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &nested, [&] {
      if (calls == 3) {
        seenInside = calls;
        nested.exit(0);
      }
    });
    watch.start(1);
    EXPECT_EQ(nested.exec(), 0);
    EXPECT_EQ(seenInside, 3);
  }
  struct sigaction current {};
  ASSERT_EQ(::sigaction(SIGINT, nullptr, &current), 0);
  EXPECT_EQ(current.sa_handler, SIG_DFL);
  ASSERT_EQ(::sigaction(SIGHUP, nullptr, &current), 0);
  EXPECT_EQ(current.sa_handler, SIG_DFL);
}

TEST(TerminationSignals, AnIgnoredHangupStaysIgnored) {
  ASSERT_NE(::signal(SIGHUP, SIG_IGN), SIG_ERR);
  {
    TerminationSignals termination([] {});
    struct sigaction current {};
    ASSERT_EQ(::sigaction(SIGHUP, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, SIG_IGN);
  }
  struct sigaction current {};
  ASSERT_EQ(::sigaction(SIGHUP, nullptr, &current), 0);
  EXPECT_EQ(current.sa_handler, SIG_IGN);
  ::signal(SIGHUP, SIG_DFL);
}

}  // namespace
}  // namespace zembra
