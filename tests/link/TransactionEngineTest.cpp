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
#include "link/ReplyTimer.h"
#include "link/TransactionEngine.h"
#include "tests/link/EngineProbe.h"
#include "platform/Gbk.h"
#include "platform/WindowMessages.h"
#include "sim/VirtualDrive.h"
#include "tests/support/EngineOnVirtualDrive.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/PollUntil.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;
using test::PumpFor;
using test::RecordingConsole;
using test::WaitUntil;

// A window that waits for replies and behaves as waiting windows must:
// it releases the link when it takes a reply or when the reply times out.
class WaitingWindow : public MessageWindow {
 public:
  explicit WaitingWindow(TransactionEngine& engine) : m_engine(engine) {}
  std::intptr_t OnMessage(const WindowMessage& m) override {
    if (m.msg == WM_DRIVE_REPLY) {
      replies.push_back(m);
      ReplyTimer::Kill(Handle());
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
    ReplyTimer::Kill(Handle());
    m_engine.ReleaseWaitOf(Handle());
  }
  std::vector<WindowMessage> replies;
  std::vector<WindowMessage> others;
  int timeouts = 0;
  std::chrono::steady_clock::time_point timeoutAt;

 private:
  EngineProbe m_engine;
};

class EngineOverPty : public test::EngineOnVirtualDrive {
 protected:
  EngineProbe raw{engine};
  WaitingWindow window{engine};
};

TEST_F(EngineOverPty, ReplyReachesTheWaitingWindowWithItsCommandCode) {
  drive.WithModel([](sim::DriveModel& m) { m.SetVersionText("3.21"); });
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("GVER\r", window.Handle(), true));
  ASSERT_TRUE(drive.WaitForCommand("GVER", 2s));
  ASSERT_TRUE(WaitUntil([&] { return !window.replies.empty(); }));
  const WindowMessage& reply = window.replies[0];
  EXPECT_EQ(ReplyCodeOf(reply.lParam), kCodeGVER);
  EXPECT_EQ(FrameTypeOf(reply.lParam), FrameType::Text);
  EXPECT_EQ(reply.Text(), "3.21");
  // The console saw the echoed command and the reply.
  EXPECT_TRUE(console.Saw("GVER\r"));
  EXPECT_TRUE(WaitUntil([&] { return console.Saw("3.21"); }));
  EXPECT_EQ(window.timeouts, 0);
  EXPECT_EQ(link.wait.Window(), 0u);
}

TEST_F(EngineOverPty, RefusesWhileAReplyIsAwaitedAndRecoversAfterTheTimeout) {
  drive.SetSilentFor("GSP", true);
  auto sent = std::chrono::steady_clock::now();
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("GSP\r", window.Handle(), false));
  WaitingWindow other(engine);
  EXPECT_EQ(SendResult::Busy, raw.SendCommand("GVER\r", other.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return window.timeouts == 1; }, 3s));
  // The time-out never fires early.
  EXPECT_GE(window.timeoutAt - sent, 440ms);
  EXPECT_EQ(SendResult::Sent, raw.SendCommand("GVER\r", other.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return !other.replies.empty(); }));
  EXPECT_EQ(drive.ReceivedCommands(), (std::vector<std::string>{"GSP", "GVER"}));
}

TEST_F(EngineOverPty, MonitoringRefusesCommandsButNotTheMonitorsOwnRawSends) {
  link.monitoring = true;
  EXPECT_EQ(SendResult::Monitoring, raw.SendCommand("GSP\r", window.Handle(), false));
  EXPECT_EQ(SendResult::Sent, raw.SendMonitorQuery("gv\r", window.Handle(), false));
  EXPECT_EQ(link.wait.Window(), window.Handle());
  EXPECT_EQ(link.wait.Code(), kCodeGV);
  WaitingWindow other(engine);
  EXPECT_EQ(SendResult::Monitoring, raw.SendRaw("V100\r", other.Handle(), false));
  EXPECT_EQ(SendResult::Sent, raw.SendRaw("V100\r", window.Handle(), false));
  ASSERT_TRUE(drive.WaitForCommand("V100", 2s));
  // The monitor query goes out as written.
  EXPECT_TRUE(drive.WaitForCommand("gv", 2s));
  link.monitoring = false;
}

TEST_F(EngineOverPty, SendCommandUpperCasesAndSendRawDoesNot) {
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("gsp\r", 0, false));
  ASSERT_EQ(SendResult::Sent, raw.SendRaw("gsp\r", 0, false));
  ASSERT_TRUE(drive.WaitForCommandCount(2, 2s));
  EXPECT_EQ(drive.ReceivedCommands(), (std::vector<std::string>{"GSP", "gsp"}));
  // Without a waiting window the link is not held.
  EXPECT_EQ(SendResult::Sent, raw.SendCommand("GT\r", 0, false));
}

TEST_F(EngineOverPty, ParameterBlockHasTheLongTimeoutAndItsOwnReplyPath) {
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("gesa\r", window.Handle(), false));
  EXPECT_EQ(link.wait.Code(), kCodeGESA);
  ASSERT_TRUE(WaitUntil([&] { return !window.replies.empty(); }));
  EXPECT_EQ(ReplyCodeOf(window.replies[0].lParam), kCodeGESA);
  EXPECT_EQ(window.replies[0].Text().size(), 128u);
  EXPECT_EQ(window.replies[0].Text().substr(0, 2), "QN");
  EXPECT_TRUE(WaitUntil([&] { return console.Saw("GESA Succeed"); }));
}

TEST_F(EngineOverPty, BadParameterBlockTimesOutAfter3600ms) {
  drive.SetBadParameterBlock(true);
  auto sent = std::chrono::steady_clock::now();
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("GESA\r", window.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return window.timeouts == 1; }, 8s));
  EXPECT_GE(window.timeoutAt - sent, 3500ms);
  EXPECT_TRUE(window.replies.empty());
}

// A text line while the block is awaited answers nothing; the wait still
// ends, by the block's time-out, so the link is never held for good.
TEST_F(EngineOverPty, ATextLineInsteadOfTheParameterBlockStillEndsTheWait) {
  drive.SetErrorFor("GESA", true);
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("GESA\r", window.Handle(), false));
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
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("GSP\r", window.Handle(), false));
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
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("GVER\r", 0, false));
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("GT\r", 0, false));
  ASSERT_TRUE(WaitUntil([&] { return console.Saw("9.99") && console.Saw("41"); }));
  drive.SetMergeReplies(0);
  drive.SetSplitReplies(30ms);
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("GSP\r", window.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return !window.replies.empty(); }));
  EXPECT_EQ(ReplyCodeOf(window.replies[0].lParam), kCodeGSP);
}

TEST_F(EngineOverPty, GarbageBeforeRepliesIsPassedOver) {
  drive.SetGarbagePrefix(std::string("\x01\x7F zz\r\n", 7));
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("GVER\r", window.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return !window.replies.empty(); }));
  EXPECT_EQ(window.replies[0].Text(), drive.WithModel([](sim::DriveModel& m) { return m.VersionText(); }));
}

TEST_F(EngineOverPty, UnsolicitedStreamWhileNotConnectedIsStopped) {
  link.connected = false;
  drive.StartSampleStream({sim::SampleLead::Short, 1, sim::Measurement::Speed, 10ms});
  ASSERT_TRUE(drive.WaitForCommand("$S", 3s));
  ASSERT_TRUE(drive.WaitForCommand("*S", 3s));
  ASSERT_TRUE(drive.WaitForCommand("@S", 3s));
  EXPECT_TRUE(WaitUntil([&] { return !drive.SampleStreamActive(sim::SampleLead::Short); }));
}

TEST_F(EngineOverPty, SamplesWhileConnectedGoToTheStreamWindow) {
  link.connected = true;
  raw.SetStreamWindow(window.Handle());
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
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("GVER\r", window.Handle(), false));
  ASSERT_TRUE(WaitUntil([&] { return !window.replies.empty(); }));
  WaitingWindow other(engine);
  drive.SetSilent(true);
  ASSERT_EQ(SendResult::Sent, raw.SendCommand("GSP\r", other.Handle(), false));
  raw.ReleaseWaitOf(window.Handle());  // a stale release by the first window
  EXPECT_EQ(link.wait.Window(), other.Handle());
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
    ReplyTimer::Kill(Handle());
  }
  int replies = 0;
  int timeouts = 0;

 private:
  EngineProbe m_engine;
};

// The echo runs inside SendCommand; a console that takes its time lets the
// reply be framed and delivered before SendCommand returns. The receive
// thread's kill must then find the time-out already running, or a stray
// time-out would strike the window later.
class SlowEchoConsole : public MessageWindow {
 public:
  explicit SlowEchoConsole(sim::VirtualDrive& drive) : m_drive(drive) {}
  std::intptr_t OnMessage(const WindowMessage& m) override {
    if (m.msg != WM_DRIVE_TEXT || LowWord(m.lParam) != kDriveTextString || !holdEcho) return 0;
    holdEcho = false;
    // The receive thread kills the awaiting window's time-out as it
    // delivers each reply.
    const auto delivered = [&](std::uint64_t replies) {
      return test::PollUntil([&] { return ReplyTimer::Calls().kills == before + replies; });
    };
    // The reply is in; a second line proves its delivery, kill included,
    // has finished, since frames are delivered one after the other.
    deliveredBeforeReturn = delivered(1);
    m_drive.InjectBytes("#0\r\n");
    deliveredBeforeReturn = deliveredBeforeReturn && delivered(2);
    return 0;
  }
  bool holdEcho = true;
  std::uint64_t before = 0;  // the link's kills of reply time-outs before the command went out
  bool deliveredBeforeReturn = false;

 private:
  sim::VirtualDrive& m_drive;
};

TEST(EngineReplyTimeout, AReplyHandledBeforeTheSendReturnsLeavesNoStrayTimeout) {
  sim::VirtualDrive drive;
  std::string error;
  ASSERT_TRUE(drive.Start(&error)) << error;
  LinkState state;
  TransactionEngine engine(state);
  SlowEchoConsole console(drive);
  engine.SetConsoleWindow(console.Handle());
  ASSERT_TRUE(engine.OpenPort(QString::fromStdString(drive.SlavePath()), "9600,n,8,1"));
  ASSERT_TRUE(engine.StartReceiveThread());
  TimeoutCounter window(engine);

  console.before = ReplyTimer::Calls().kills;
  ASSERT_EQ(SendResult::Sent, EngineProbe(engine).SendCommand("GVER\r", window.Handle(), true));
  ASSERT_TRUE(console.deliveredBeforeReturn);
  ASSERT_TRUE(WaitUntil([&] { return window.replies >= 1; }));
  PumpFor(std::chrono::milliseconds(TransactionEngine::kReplyTimeoutMs + 200));
  EXPECT_EQ(window.timeouts, 0);
  EXPECT_FALSE(ReplyTimer::Running(window.Handle()));
  engine.StopReceiveThread();
  drive.Stop();
}

TEST_F(EngineOverPty, BytesThatCannotLeaveDoNotHoldTheLink) {
  engine.Port().Close();
  EXPECT_EQ(raw.SendCommand("GSP\r", window.Handle(), false), SendResult::NotWritten);
  EXPECT_EQ(link.wait.Window(), 0u);
  EXPECT_FALSE(ReplyTimer::Running(window.Handle()));
  EXPECT_EQ(raw.SendRaw("V100\r", window.Handle(), false), SendResult::NotWritten);
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
