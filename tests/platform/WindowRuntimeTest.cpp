// The window runtime: posting across threads, FIFO order, messages to
// destroyed windows, timer restart and the kill guarantee from any thread,
// synchronous sends, and the event primitive.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "platform/Event.h"
#include "platform/WindowMessages.h"
#include "platform/WindowRuntime.h"
#include "tests/support/EventLoopWait.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;
using test::PumpFor;
using test::WaitUntil;

class RecordingWindow : public MessageWindow {
 public:
  std::intptr_t OnMessage(const WindowMessage& m) override {
    messages.push_back(m);
    return static_cast<std::intptr_t>(m.wParam) * 2;
  }
  void OnTimer(std::uint32_t id) override {
    ticks.push_back(id);
    if (onTick) onTick(id);
  }
  std::vector<WindowMessage> messages;
  std::vector<std::uint32_t> ticks;
  std::function<void(std::uint32_t)> onTick;
};

TEST(WindowRuntime, PostFromAnotherThreadArrivesInOrderOnTheGuiThread) {
  RecordingWindow w;
  std::thread worker([h = w.Handle()] {
    for (std::uintptr_t i = 0; i < 500; ++i) PostMessage(h, WM_USER + 1, i, 0, MakePayload(std::to_string(i)));
  });
  worker.join();
  ASSERT_TRUE(WaitUntil([&] { return w.messages.size() == 500; }));
  for (std::uintptr_t i = 0; i < 500; ++i) {
    EXPECT_EQ(w.messages[i].wParam, i);
    EXPECT_EQ(w.messages[i].Text(), std::to_string(i));
  }
}

TEST(WindowRuntime, MessagesToADestroyedWindowAreDropped) {
  auto w = std::make_unique<RecordingWindow>();
  HWND h = w->Handle();
  EXPECT_TRUE(PostMessage(h, WM_USER + 2));
  w.reset();  // destroyed with the message still queued
  PumpFor(30ms);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_FALSE(PostMessage(h, WM_USER + 2));
  EXPECT_EQ(SendMessage(h, WM_USER + 2, 1), 0);
  // A new window never reuses the old handle.
  RecordingWindow other;
  EXPECT_NE(other.Handle(), h);
}

TEST(WindowRuntime, SendOnTheGuiThreadIsSynchronousAndFromWorkersIsPosted) {
  RecordingWindow w;
  EXPECT_EQ(SendMessage(w.Handle(), WM_USER + 3, 21), 42);
  ASSERT_EQ(w.messages.size(), 1u);
  std::intptr_t fromWorker = -1;
  std::thread([&] { fromWorker = SendMessage(w.Handle(), WM_USER + 3, 5); }).join();
  EXPECT_EQ(fromWorker, 0);
  ASSERT_TRUE(WaitUntil([&] { return w.messages.size() == 2; }));
  EXPECT_EQ(w.messages[1].wParam, 5u);
}

TEST(WindowRuntime, TimerTicksUntilKilled) {
  RecordingWindow w;
  SetTimer(w.Handle(), 77, 5);
  EXPECT_TRUE(IsTimerRunning(w.Handle(), 77));
  ASSERT_TRUE(WaitUntil([&] { return w.ticks.size() >= 3; }));
  KillTimer(w.Handle(), 77);
  EXPECT_FALSE(IsTimerRunning(w.Handle(), 77));
  std::size_t seen = w.ticks.size();
  PumpFor(40ms);
  EXPECT_EQ(w.ticks.size(), seen);
  for (auto id : w.ticks) EXPECT_EQ(id, 77u);
}

TEST(WindowRuntime, KillFromAnotherThreadStopsEvenAnOverdueTick) {
  RecordingWindow w;
  std::atomic<bool> killed{false};
  int ticksAfterKill = 0;
  w.onTick = [&](std::uint32_t) {
    if (killed.load()) ++ticksAfterKill;
  };
  SetTimer(w.Handle(), 5, 1);
  ASSERT_TRUE(WaitUntil([&] { return !w.ticks.empty(); }));
  // Keep the GUI thread busy past several periods so ticks are overdue,
  // then kill from a worker while the GUI thread cannot run.
  std::this_thread::sleep_for(20ms);
  std::thread([&] {
    KillTimer(w.Handle(), 5);
    killed.store(true);
  }).join();
  PumpFor(50ms);
  EXPECT_EQ(ticksAfterKill, 0);
}

// Two timers fall due together, so the event loop delivers both in one
// pass. While the first tick is handled, a worker kills the second timer,
// or restarts it with a long period: the second's tick, already on its way,
// belongs to the old setting and must not arrive.
void ExpectNoDueTickAfterAWorkerChangesIt(const std::function<void(HWND, std::uint32_t)>& change) {
  RecordingWindow w;
  std::atomic<std::uint32_t> changed{0};
  int ticksAfterChange = 0;
  w.onTick = [&](std::uint32_t id) {
    if (id == changed.load()) {
      ++ticksAfterChange;
      return;
    }
    if (changed.load() != 0) return;
    const std::uint32_t other = id == 21 ? 22 : 21;
    std::thread([&, other] {
      change(w.Handle(), other);
      changed.store(other);
    }).join();
  };
  SetTimer(w.Handle(), 21, 10);
  SetTimer(w.Handle(), 22, 10);
  std::this_thread::sleep_for(30ms);  // both overdue when the loop next runs
  ASSERT_TRUE(WaitUntil([&] { return changed.load() != 0; }));
  PumpFor(40ms);
  EXPECT_EQ(ticksAfterChange, 0);
  KillTimer(w.Handle(), 21);
  KillTimer(w.Handle(), 22);
}

TEST(WindowRuntime, AKillFromAWorkerStopsATickAlreadyBeingDelivered) {
  ExpectNoDueTickAfterAWorkerChangesIt([](HWND h, std::uint32_t id) { KillTimer(h, id); });
}

TEST(WindowRuntime, ARestartFromAWorkerDropsTheOldSettingsDueTick) {
  ExpectNoDueTickAfterAWorkerChangesIt([](HWND h, std::uint32_t id) { SetTimer(h, id, 60000); });
}

TEST(WindowRuntime, SetTimerFromAWorkerStartsItAndSettingAgainRestarts) {
  RecordingWindow w;
  std::thread([&] { SetTimer(w.Handle(), 9, 5); }).join();
  ASSERT_TRUE(WaitUntil([&] { return w.ticks.size() >= 2; }));
  // Restarting with a long period: no tick for a while afterwards.
  SetTimer(w.Handle(), 9, 60000);
  std::size_t seen = w.ticks.size();
  PumpFor(40ms);
  EXPECT_EQ(w.ticks.size(), seen);
  KillTimer(w.Handle(), 9);
}

// A worker's request is still queued when the GUI thread sets the same
// timer directly; the queued, older request must not replace the running
// timer with one that belongs to no current setting.
TEST(WindowRuntime, AQueuedOlderSetDoesNotSilenceANewerOne) {
  RecordingWindow w;
  std::thread([&] { SetTimer(w.Handle(), 12, 60000); }).join();
  SetTimer(w.Handle(), 12, 5);
  ASSERT_TRUE(WaitUntil([&] { return w.ticks.size() >= 3; }, 2000ms));
  // And a queued set that a kill overtook does not bring the timer back.
  std::thread([&] { SetTimer(w.Handle(), 12, 5); }).join();
  KillTimer(w.Handle(), 12);
  const std::size_t seen = w.ticks.size();
  PumpFor(40ms);
  EXPECT_EQ(w.ticks.size(), seen);
  EXPECT_FALSE(IsTimerRunning(w.Handle(), 12));
}

TEST(WindowRuntime, TimersOfADestroyedWindowDoNotFire) {
  auto w = std::make_unique<RecordingWindow>();
  HWND h = w->Handle();
  SetTimer(h, 1, 1);
  w.reset();
  EXPECT_FALSE(IsTimerRunning(h, 1));
  PumpFor(20ms);  // must not crash by delivering to freed memory
  SUCCEED();
}

TEST(Event, ManualResetStaysSetAutoResetIsTakenByOneWait) {
  Event manual(Event::Reset::Manual, true);
  EXPECT_TRUE(manual.Wait(0ms));
  EXPECT_TRUE(manual.Wait(0ms));
  manual.ResetEvent();
  EXPECT_FALSE(manual.Wait(10ms));

  Event automatic(Event::Reset::Auto);
  EXPECT_FALSE(automatic.Wait(5ms));
  automatic.Set();
  EXPECT_TRUE(automatic.Wait(0ms));
  EXPECT_FALSE(automatic.Wait(0ms));
}

TEST(Event, WakesAWaiterOnAnotherThread) {
  Event e(Event::Reset::Auto);
  std::atomic<bool> woke{false};
  std::thread waiter([&] { woke = e.Wait(5000ms); });
  e.Set();
  waiter.join();
  EXPECT_TRUE(woke.load());
}

}  // namespace
}  // namespace zembra
