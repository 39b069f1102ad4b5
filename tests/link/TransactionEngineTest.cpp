// Transactions over a real pseudo-terminal against the virtual drive:
// a command out and its reply to the waiting window with the right code,
// refusal while a reply is awaited, the reply time-outs, upper-casing,
// the block reply, merged replies, the stream stop on unsolicited frames,
// and a vanished port.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>

#include "link/FrameType.h"
#include "link/TransactionEngine.h"
#include "platform/Gbk.h"
#include "platform/WindowMessages.h"
#include "sim/VirtualDrive.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/PollUntil.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;
using test::PumpFor;
using test::WaitUntil;

// A window that waits for replies and behaves as waiting windows must:
// it releases the link when it takes a reply or when the reply times out.
class WaitingWindow : public MessageWindow {
 public:
  explicit WaitingWindow(TransactionEngine& engine) : m_engine(engine) {}
  std::intptr_t OnMessage(const WindowMessage& m) override {
    if (m.msg == WM_DRIVE_REPLY) {
      replies.push_back(m);
      KillTimer(Handle(), TIMER_REPLY);
      m_engine.ReleaseWaitOf(Handle());
    } else {
      others.push_back(m);
    }
    return 0;
  }
  void OnTimer(std::uint32_t id) override {
    if (id != TIMER_REPLY) return;
    timeoutAt = std::chrono::steady_clock::now();
    ++timeouts;
    KillTimer(Handle(), TIMER_REPLY);
    m_engine.ReleaseWaitOf(Handle());
  }
  std::vector<WindowMessage> replies;
  std::vector<WindowMessage> others;
  int timeouts = 0;
  std::chrono::steady_clock::time_point timeoutAt;

 private:
  TransactionEngine& m_engine;
};

class RecordingConsole : public MessageWindow {
 public:
  std::intptr_t OnMessage(const WindowMessage& m) override {
    if (m.msg == WM_DRIVE_TEXT) texts.push_back(m);
    all.push_back(m);
    return 0;
  }
  bool Saw(const std::string& text) const {
    for (const auto& m : texts)
      if (m.Text() == text) return true;
    return false;
  }
  std::vector<WindowMessage> texts;
  std::vector<WindowMessage> all;
};

class EngineOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(drive.Start(&error)) << error;
    engine.SetConsoleWindow(console.Handle());
    engine.SetOwnerWindow(owner.Handle());
    ASSERT_TRUE(engine.OpenPort(QString::fromStdString(drive.SlavePath()), "9600,n,8,1"));
    ASSERT_TRUE(engine.StartReceiveThread());
  }
  void TearDown() override {
    engine.StopReceiveThread();
    drive.Stop();
  }

  LinkState state;
  TransactionEngine engine{state};
  sim::VirtualDrive drive;
  RecordingConsole console;
  RecordingConsole owner;
  WaitingWindow window{engine};
};

TEST_F(EngineOverPty, ReplyReachesTheWaitingWindowWithItsCommandCode) {
  drive.WithModel([](sim::DriveModel& m) { m.SetVersionText("3.21"); });
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GVER\r", window.Handle(), true));
  ASSERT_TRUE(drive.WaitForCommand("GVER", 2s));
  ASSERT_TRUE(WaitUntil([&] { return !window.replies.empty(); }));
  const WindowMessage& reply = window.replies[0];
  EXPECT_EQ(ReplyCodeOf(reply.lParam), kCodeGVER);
  EXPECT_EQ(FrameTypeOf(reply.lParam), FrameType::Text);
  EXPECT_EQ(reply.Text(), "3.21");
  // The ring slot named by the message holds the same reply.
  EXPECT_EQ(engine.Ring().Read(static_cast<int>(reply.wParam)), "3.21");
  // The console saw the echoed command and the reply.
  EXPECT_TRUE(console.Saw("GVER\r"));
  EXPECT_TRUE(WaitUntil([&] { return console.Saw("3.21"); }));
  EXPECT_EQ(window.timeouts, 0);
  EXPECT_EQ(state.wait.Window(), 0u);
}

TEST_F(EngineOverPty, RefusesWhileAReplyIsAwaitedAndRecoversAfterTheTimeout) {
  drive.SetSilentFor("GSP", true);
  auto sent = std::chrono::steady_clock::now();
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GSP\r", window.Handle(), false));
  WaitingWindow other(engine);
  EXPECT_EQ(SendResult::Busy, engine.SendCommand("GVER\r", other.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return window.timeouts == 1; }, 3s));
  // The time-out never fires early.
  EXPECT_GE(window.timeoutAt - sent, 440ms);
  EXPECT_EQ(SendResult::Sent, engine.SendCommand("GVER\r", other.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return !other.replies.empty(); }));
  EXPECT_EQ(drive.ReceivedCommands(), (std::vector<std::string>{"GSP", "GVER"}));
}

TEST_F(EngineOverPty, MonitoringRefusesCommandsButNotTheMonitorsOwnRawSends) {
  state.monitoring = true;
  EXPECT_EQ(SendResult::Monitoring, engine.SendCommand("GSP\r", window.Handle(), false));
  EXPECT_EQ(SendResult::Sent, engine.SendMonitorQuery("gv\r", window.Handle(), false));
  EXPECT_EQ(state.wait.Window(), window.Handle());
  EXPECT_EQ(state.wait.Code(), kCodeGV);
  WaitingWindow other(engine);
  EXPECT_EQ(SendResult::Monitoring, engine.SendRaw("V100\r", other.Handle(), false));
  EXPECT_EQ(SendResult::Sent, engine.SendRaw("V100\r", window.Handle(), false));
  ASSERT_TRUE(drive.WaitForCommand("V100", 2s));
  // The monitor query goes out as written.
  EXPECT_TRUE(drive.WaitForCommand("gv", 2s));
  state.monitoring = false;
}

TEST_F(EngineOverPty, SendCommandUpperCasesAndSendRawDoesNot) {
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("gsp\r", 0, false));
  ASSERT_EQ(SendResult::Sent, engine.SendRaw("gsp\r", 0, false));
  ASSERT_TRUE(drive.WaitForCommandCount(2, 2s));
  EXPECT_EQ(drive.ReceivedCommands(), (std::vector<std::string>{"GSP", "gsp"}));
  // Without a waiting window the link is not held.
  EXPECT_EQ(SendResult::Sent, engine.SendCommand("GT\r", 0, false));
}

TEST_F(EngineOverPty, ParameterBlockHasTheLongTimeoutAndItsOwnReplyPath) {
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("gesa\r", window.Handle(), false));
  EXPECT_EQ(state.wait.Code(), kCodeGESA);
  ASSERT_TRUE(WaitUntil([&] { return !window.replies.empty(); }));
  EXPECT_EQ(ReplyCodeOf(window.replies[0].lParam), kCodeGESA);
  EXPECT_EQ(window.replies[0].Text().size(), 128u);
  EXPECT_EQ(window.replies[0].Text().substr(0, 2), "QN");
  EXPECT_TRUE(WaitUntil([&] { return console.Saw("GESA Succeed"); }));
}

TEST_F(EngineOverPty, BadParameterBlockTimesOutAfter3600ms) {
  drive.SetBadParameterBlock(true);
  auto sent = std::chrono::steady_clock::now();
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GESA\r", window.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return window.timeouts == 1; }, 8s));
  EXPECT_GE(window.timeoutAt - sent, 3500ms);
  EXPECT_TRUE(window.replies.empty());
}

// A text line while the block is awaited answers nothing; the wait still
// ends, by the block's time-out, so the link is never held for good.
TEST_F(EngineOverPty, ATextLineInsteadOfTheParameterBlockStillEndsTheWait) {
  drive.SetErrorFor("GESA", true);
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GESA\r", window.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] {
    for (const auto& m : console.texts)
      if (m.Text().find("ERR") != std::string::npos) return true;
    return false;
  }, 3s));
  ASSERT_TRUE(WaitUntil([&] { return window.timeouts == 1; }, 8s));
  EXPECT_TRUE(window.replies.empty());
}

// A whole, well-checked parameter block that nobody asked for (a late one):
// it must neither answer another command nor stop that command's time-out.
TEST_F(EngineOverPty, AParameterBlockNobodyAskedForLeavesTheWaitingCommandAlone) {
  std::string block = "QN" + std::string(125, '\x11');
  unsigned sum = 0;
  for (unsigned char c : block) sum += c;
  block += static_cast<char>(sum & 0xFF);
  drive.SetSilentFor("GSP", true);
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GSP\r", window.Handle(), false));
  drive.InjectBytes(block);
  ASSERT_TRUE(WaitUntil([&] { return window.timeouts == 1; }, 3s));
  EXPECT_TRUE(window.replies.empty());
}

TEST_F(EngineOverPty, MergedAndSplitRepliesAreEachDelivered) {
  drive.WithModel([](sim::DriveModel& m) {
    m.SetVersionText("9.99");
    m.SetTemperature(41);
  });
  drive.SetMergeReplies(2);
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GVER\r", 0, false));
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GT\r", 0, false));
  ASSERT_TRUE(WaitUntil([&] { return console.Saw("9.99") && console.Saw("41"); }));
  drive.SetMergeReplies(0);
  drive.SetSplitReplies(30ms);
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GSP\r", window.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return !window.replies.empty(); }));
  EXPECT_EQ(ReplyCodeOf(window.replies[0].lParam), kCodeGSP);
}

TEST_F(EngineOverPty, GarbageBeforeRepliesIsPassedOver) {
  drive.SetGarbagePrefix(std::string("\x01\x7F zz\r\n", 7));
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GVER\r", window.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return !window.replies.empty(); }));
  EXPECT_EQ(window.replies[0].Text(), drive.WithModel([](sim::DriveModel& m) { return m.VersionText(); }));
}

TEST_F(EngineOverPty, UnsolicitedStreamWhileNotConnectedIsStopped) {
  state.connected = false;
  drive.StartSampleStream({sim::SampleLead::Short, 1, sim::Measurement::Speed, 10ms});
  ASSERT_TRUE(drive.WaitForCommand("$S", 3s));
  ASSERT_TRUE(drive.WaitForCommand("*S", 3s));
  ASSERT_TRUE(drive.WaitForCommand("@S", 3s));
  EXPECT_TRUE(WaitUntil([&] { return !drive.SampleStreamActive(sim::SampleLead::Short); }));
}

TEST_F(EngineOverPty, SamplesWhileConnectedGoToTheStreamWindow) {
  state.connected = true;
  engine.SetStreamWindow(window.Handle());
  drive.StartSampleStream({sim::SampleLead::Long, 2, sim::Measurement::Position, 10ms});
  ASSERT_TRUE(WaitUntil([&] { return window.replies.size() >= 3; }));
  drive.StopAllSampleStreams();
  EXPECT_EQ(FrameTypeOf(window.replies[0].lParam), FrameType::Sample32);
  EXPECT_EQ(window.replies[0].Text().size(), 5u);
  EXPECT_EQ(static_cast<std::uint8_t>(window.replies[0].Text()[0]), 2);
  // No stop command: the stream was expected.
  EXPECT_FALSE(drive.WaitForCommand("$S", 50ms));
}

TEST_F(EngineOverPty, AVanishedPortIsReportedAndNothingHangs) {
  drive.ClosePort();
  ASSERT_TRUE(WaitUntil([&] {
    for (const auto& m : owner.all)
      if (m.msg == WM_PORT_LOST) return true;
    return false;
  }));
  // The console says so in words ("串口" in GBK).
  EXPECT_TRUE(WaitUntil([&] {
    for (const auto& m : console.texts)
      if (m.Text().find("\xB4\xAE\xBF\xDA") != std::string::npos) return true;
    return false;
  }));
  // Once: a hung-up descriptor is not waited on again, so the thread
  // neither spins on it nor repeats the news.
  PumpFor(300ms);
  int lost = 0;
  for (const auto& m : owner.all) lost += m.msg == WM_PORT_LOST;
  EXPECT_EQ(lost, 1);
  engine.StopReceiveThread();  // returns: the thread is not stuck on the dead port
  EXPECT_FALSE(engine.ReceiveThreadRunning());
}

TEST_F(EngineOverPty, ALateTimeoutDoesNotReleaseAnotherWindowsWait) {
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GVER\r", window.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return !window.replies.empty(); }));
  WaitingWindow other(engine);
  drive.SetSilent(true);
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GSP\r", other.Handle(), false));
  engine.ReleaseWaitOf(window.Handle());  // a stale release by the first window
  EXPECT_EQ(state.wait.Window(), other.Handle());
}

// A window that leaves its reply time-out to the receive thread, which
// kills it when the reply comes (as the connection sequence does).
class TimeoutCounter : public MessageWindow {
 public:
  explicit TimeoutCounter(TransactionEngine& engine) : m_engine(engine) {}
  std::intptr_t OnMessage(const WindowMessage& m) override {
    if (m.msg == WM_DRIVE_REPLY) {
      ++replies;
      m_engine.ReleaseWaitOf(Handle());
    }
    return 0;
  }
  void OnTimer(std::uint32_t id) override {
    if (id != TIMER_REPLY) return;
    ++timeouts;
    KillTimer(Handle(), TIMER_REPLY);
  }
  int replies = 0;
  int timeouts = 0;

 private:
  TransactionEngine& m_engine;
};

// The echo runs inside SendCommand; a console that takes its time lets the
// reply be framed and delivered before SendCommand returns. The receive
// thread's kill must then find the time-out already running, or a stray
// time-out would strike the window later.
class SlowEchoConsole : public MessageWindow {
 public:
  SlowEchoConsole(TransactionEngine& engine, sim::VirtualDrive& drive) : m_engine(engine), m_drive(drive) {}
  std::intptr_t OnMessage(const WindowMessage& m) override {
    if (m.msg != WM_DRIVE_TEXT || LowWord(m.lParam) != kDriveTextString || !holdEcho) return 0;
    holdEcho = false;
    const auto stored = [&](int frames) {
      return test::PollUntil([&] { return m_engine.Ring().LastIndex() == (before + frames) % ReplyRing::kSlots; });
    };
    // The reply is in; a second line proves its delivery, kill included,
    // has finished, since frames are delivered one after the other.
    deliveredBeforeReturn = stored(1);
    m_drive.InjectBytes("#0\r\n");
    deliveredBeforeReturn = deliveredBeforeReturn && stored(2);
    return 0;
  }
  bool holdEcho = true;
  int before = 0;  // the ring's last slot before the command went out
  bool deliveredBeforeReturn = false;

 private:
  TransactionEngine& m_engine;
  sim::VirtualDrive& m_drive;
};

TEST(EngineReplyTimeout, AReplyHandledBeforeTheSendReturnsLeavesNoStrayTimeout) {
  sim::VirtualDrive drive;
  std::string error;
  ASSERT_TRUE(drive.Start(&error)) << error;
  LinkState state;
  TransactionEngine engine(state);
  SlowEchoConsole console(engine, drive);
  engine.SetConsoleWindow(console.Handle());
  ASSERT_TRUE(engine.OpenPort(QString::fromStdString(drive.SlavePath()), "9600,n,8,1"));
  ASSERT_TRUE(engine.StartReceiveThread());
  TimeoutCounter window(engine);

  console.before = engine.Ring().LastIndex();
  ASSERT_EQ(SendResult::Sent, engine.SendCommand("GVER\r", window.Handle(), true));
  ASSERT_TRUE(console.deliveredBeforeReturn);
  ASSERT_TRUE(WaitUntil([&] { return window.replies >= 1; }));
  PumpFor(std::chrono::milliseconds(TransactionEngine::kReplyTimeoutMs + 200));
  EXPECT_EQ(window.timeouts, 0);
  EXPECT_FALSE(IsTimerRunning(window.Handle(), TIMER_REPLY));
  engine.StopReceiveThread();
  drive.Stop();
}

TEST_F(EngineOverPty, BytesThatCannotLeaveDoNotHoldTheLink) {
  engine.Port().Close();
  EXPECT_EQ(engine.SendCommand("GSP\r", window.Handle(), false), SendResult::NotWritten);
  EXPECT_EQ(state.wait.Window(), 0u);
  EXPECT_FALSE(IsTimerRunning(window.Handle(), TIMER_REPLY));
  EXPECT_EQ(engine.SendRaw("V100\r", window.Handle(), false), SendResult::NotWritten);
}

std::atomic<int> g_failingPolls{0};
int AlwaysFailingPoll(::pollfd*, ::nfds_t, int) {
  ++g_failingPolls;
  errno = EINVAL;
  return -1;
}

// A wait that fails for good neither ends the program nor spins: the port
// counts as lost, once, and the thread keeps trying at a calm pace.
TEST(EngineWaitFailure, AFailingPollIsAPortLossNotAnExitNorASpin) {
  sim::VirtualDrive drive;
  std::string error;
  ASSERT_TRUE(drive.Start(&error)) << error;
  LinkState state;
  TransactionEngine engine(state);
  RecordingConsole console;
  RecordingConsole owner;
  engine.SetConsoleWindow(console.Handle());
  engine.SetOwnerWindow(owner.Handle());
  ASSERT_TRUE(engine.OpenPort(QString::fromStdString(drive.SlavePath()), "9600,n,8,1"));
  g_failingPolls = 0;
  engine.SetPollFunction(AlwaysFailingPoll);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(engine.StartReceiveThread());
  // A few calm tries: the bound on their number follows the time that
  // really passed, a spin would make thousands.
  ASSERT_TRUE(WaitUntil([] { return g_failingPolls.load() >= 4; }, 5s));
  const int tries = g_failingPolls.load();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LE(tries, 2 + ms / 50) << "after " << ms << " ms";
  PumpFor(50ms);  // what the thread posted
  int lost = 0, closes = 0, notices = 0;
  for (const auto& m : owner.all) {
    lost += m.msg == WM_PORT_LOST;
    closes += m.msg == WM_CLOSE_REQUEST;
  }
  const std::string failed = ToGbk(QStringLiteral("等待串口数据失败"));
  for (const auto& m : console.texts) notices += m.Text().find(failed) != std::string::npos;
  EXPECT_EQ(lost, 1);
  EXPECT_EQ(closes, 0);
  EXPECT_EQ(notices, 1);  // said once, not at every try
  EXPECT_TRUE(engine.ReceiveThreadRunning());
  engine.StopReceiveThread();
  EXPECT_FALSE(engine.ReceiveThreadRunning());
  drive.Stop();
}

}  // namespace
}  // namespace zembra
