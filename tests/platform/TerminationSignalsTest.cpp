// Termination signals become a call on the event loop's thread, and the
// default disposition is back once the handler object is gone.
#include <gtest/gtest.h>

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
  }
  struct sigaction current {};
  ASSERT_EQ(::sigaction(SIGINT, nullptr, &current), 0);
  EXPECT_EQ(current.sa_handler, SIG_DFL);
}

}  // namespace
}  // namespace zembra
