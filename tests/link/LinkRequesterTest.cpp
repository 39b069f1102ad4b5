// The typed request over a real pseudo-terminal against the virtual drive:
// a reply or a time-out ends each request exactly once and always frees the
// link; a busy link is waited for within the caller's patience; replies
// meant for an earlier command are not taken; cancelling frees the link.
// Also the wait claim, whose window and code never tear apart.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "link/FrameType.h"
#include "link/LinkRequester.h"
#include "platform/WindowMessages.h"
#include "sim/VirtualDrive.h"
#include "tests/support/EngineOnVirtualDrive.h"
#include "tests/support/EventLoopWait.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;
using test::PumpFor;
using test::WaitUntil;

RequestOptions Options(bool echo, std::chrono::milliseconds patience) {
  RequestOptions options;
  options.echo = echo;
  options.patience = patience;
  return options;
}

class RequesterOverPty : public test::EngineOnVirtualDrive {
 protected:
  LinkRequester::Completion Record() {
    return [this](const LinkReply& r) { results.push_back(r); };
  }

  LinkRequester requester{engine};
  std::vector<LinkReply> results;
};

TEST_F(RequesterOverPty, AReplyEndsTheRequestOnceAndFreesTheLink) {
  drive.WithModel([](sim::DriveModel& m) { m.SetParameter(sim::DriveParameter::MaxSpeed, 2750); });
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 0ms), Record()));
  EXPECT_TRUE(requester.Pending());
  EXPECT_EQ(link.wait.Window(), requester.Handle());
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }));
  EXPECT_EQ(results[0].outcome, LinkReply::Outcome::Answered);
  EXPECT_EQ(results[0].code, kCodeGSP);
  EXPECT_EQ(results[0].text, "2750");
  EXPECT_FALSE(requester.Pending());
  EXPECT_EQ(link.wait.Window(), 0u);
  // No stray time-out follows the reply.
  PumpFor(600ms);
  EXPECT_EQ(results.size(), 1u);
}

TEST_F(RequesterOverPty, SilenceEndsInATimeOutThatFreesTheLink) {
  drive.SetSilentFor("GSP", true);
  const auto sent = std::chrono::steady_clock::now();
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 0ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }, 3s));
  EXPECT_GE(std::chrono::steady_clock::now() - sent, 440ms);
  EXPECT_EQ(results[0].outcome, LinkReply::Outcome::TimedOut);
  EXPECT_EQ(results[0].code, kCodeGSP);
  EXPECT_EQ(link.wait.Window(), 0u);
  // The next request goes out at once.
  drive.SetSilentFor("GSP", false);
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 0ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return results.size() == 2; }));
  EXPECT_EQ(results[1].outcome, LinkReply::Outcome::Answered);
}

TEST_F(RequesterOverPty, ABusyLinkIsWaitedForWithinThePatience) {
  // The holder never releases by itself; free it a little later, as a
  // status poll's reply would.
  HoldLink();
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 1000ms), Record()));
  PumpFor(100ms);
  EXPECT_TRUE(results.empty());
  FreeLink();
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }));
  EXPECT_EQ(results[0].outcome, LinkReply::Outcome::Answered);
  EXPECT_TRUE(drive.WaitForCommand("GSP", 1s));
}

TEST_F(RequesterOverPty, ALinkBusyBeyondThePatienceRefusesAndSendsNothing) {
  HoldLink();
  ASSERT_TRUE(drive.WaitForCommand("GT", 1s));
  ASSERT_TRUE(requester.Send("SSP100\r", Options(false, 200ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }, 2s));
  EXPECT_EQ(results[0].outcome, LinkReply::Outcome::Refused);
  EXPECT_EQ(results[0].refusal, SendResult::Busy);
  EXPECT_EQ(link.wait.Window(), holder.Handle());
  EXPECT_FALSE(drive.WaitForCommand("SSP100", 100ms));
}

TEST_F(RequesterOverPty, WhileMonitoringARequestIsRefusedAsMonitoring) {
  link.monitoring = true;
  ASSERT_TRUE(requester.Send("SSP100\r", Options(false, 0ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }));
  EXPECT_EQ(results[0].refusal, SendResult::Monitoring);
  link.monitoring = false;
}

TEST_F(RequesterOverPty, AFireAndForgetSendHoldsNothing) {
  ASSERT_TRUE(requester.Send("SSP1234\r", Options(true, 0ms), Record()));
  EXPECT_EQ(link.wait.Window(), 0u);
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }));
  EXPECT_EQ(results[0].outcome, LinkReply::Outcome::Sent);
  ASSERT_TRUE(drive.WaitForCommand("SSP1234", 1s));
}

TEST_F(RequesterOverPty, OneRequestAtATime) {
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 0ms), Record()));
  EXPECT_FALSE(requester.Request("GVER\r", Options(false, 0ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }));
  PumpFor(50ms);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].code, kCodeGSP);
}

TEST_F(RequesterOverPty, AReplyUnderAnotherCodeIsNotTaken) {
  drive.SetSilentFor("GSP", true);
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 0ms), Record()));
  // A late answer to an earlier command, posted under that command's code.
  PostMessage(requester.Handle(), WM_DRIVE_REPLY, 0, MakeReplyLParam(kCodeGVER, FrameType::Text),
              MakePayload("2.15"));
  PumpFor(100ms);
  EXPECT_TRUE(results.empty());
  EXPECT_EQ(link.wait.Window(), requester.Handle());
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }, 3s));
  EXPECT_EQ(results[0].outcome, LinkReply::Outcome::TimedOut);
}

// What a drive may send instead of one clean line per command.
TEST_F(RequesterOverPty, ADriveThatAnswersTwiceEndsTheRequestOnceAndTheNextGetsItsOwnReply) {
  drive.WithModel([](sim::DriveModel& m) { m.SetParameter(sim::DriveParameter::MaxSpeed, 2750); });
  drive.SetRepeatReplies(true);
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 0ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }));
  PumpFor(100ms);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].text, "2750");
  ASSERT_TRUE(requester.Request("GT\r", Options(false, 0ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return results.size() == 2; }));
  EXPECT_EQ(results[1].code, kCodeGT);
  EXPECT_EQ(results[1].text, drive.WithModel([](sim::DriveModel& m) { return std::to_string(m.Temperature()); }));
}

TEST_F(RequesterOverPty, AReplyAfterTheTimeOutWhileNobodyWaitsChangesNothing) {
  drive.SetReplyDelay(700ms);
  const std::size_t before = console.Frames();
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 0ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }, 3s));
  EXPECT_EQ(results[0].outcome, LinkReply::Outcome::TimedOut);
  // The late reply comes in, to nobody.
  ASSERT_TRUE(WaitUntil([&] { return console.Frames() != before; }, 3s));
  PumpFor(50ms);
  EXPECT_EQ(results.size(), 1u);
  EXPECT_EQ(link.wait.Window(), 0u);
  drive.SetReplyDelay(0ms);
  ASSERT_TRUE(requester.Request("GVER\r", Options(false, 0ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return results.size() == 2; }));
  EXPECT_EQ(results[1].outcome, LinkReply::Outcome::Answered);
  EXPECT_EQ(results[1].text, drive.WithModel([](sim::DriveModel& m) { return m.VersionText(); }));
}

// A reply without its line end, and one longer than any reply can be, never
// complete: the request times out, and what is left of them does not leak
// into the next reply.
TEST_F(RequesterOverPty, UnendedAndOverlongRepliesTimeOutAndLeaveTheNextReplyClean) {
  drive.SetSilentFor("GSP", true);
  const std::string version = drive.WithModel([](sim::DriveModel& m) { return m.VersionText(); });
  for (const std::string& bad : {std::string("#2750"), "#" + std::string(400, '7') + "\r\n"}) {
    results.clear();
    ASSERT_TRUE(requester.Request("GSP\r", Options(false, 0ms), Record()));
    drive.InjectBytes(bad);
    ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }, 3s));
    EXPECT_EQ(results[0].outcome, LinkReply::Outcome::TimedOut) << bad.size();
    ASSERT_TRUE(requester.Request("GVER\r", Options(false, 0ms), Record()));
    ASSERT_TRUE(WaitUntil([&] { return results.size() == 2; }));
    EXPECT_EQ(results[1].text, version) << bad.size();
  }
}

// A megabyte of bytes that frame nothing, NUL bytes and line ends among
// them, then a reply holding a NUL: the link passes over the flood, stays
// usable, and hands the reply over as it came.
TEST_F(RequesterOverPty, AFloodOfUnframedBytesIsPassedOverAndTheLinkStaysUsable) {
  std::string flood;
  flood.reserve(1 << 20);
  for (std::size_t i = 0; flood.size() < (1u << 20); ++i) {
    const char c = static_cast<char>((i * 131) & 0xFF);
    if (c != '#' && c != '*' && c != '$' && c != '@' && c != 'Q') flood += c;
  }
  drive.SetSilentFor("GSP", true);
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 0ms), Record()));
  drive.InjectBytes(flood);
  drive.InjectBytes(std::string("#27\0" "50\r\n", 8));
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }, 5s));
  EXPECT_EQ(results[0].outcome, LinkReply::Outcome::Answered);
  EXPECT_EQ(results[0].text, std::string("27\0" "50", 5));
  ASSERT_TRUE(requester.Request("GVER\r", Options(false, 0ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return results.size() == 2; }));
  EXPECT_EQ(results[1].outcome, LinkReply::Outcome::Answered);
}

TEST_F(RequesterOverPty, CancelFreesTheLinkAndDropsTheCompletion) {
  drive.SetSilentFor("GSP", true);
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 0ms), Record()));
  requester.Cancel();
  EXPECT_FALSE(requester.Pending());
  EXPECT_EQ(link.wait.Window(), 0u);
  PumpFor(600ms);
  EXPECT_TRUE(results.empty());
}

TEST_F(RequesterOverPty, AHookThatCancelsLeavesTheRequesterFree) {
  RequestOptions options = Options(false, 0ms);
  options.onSent = [&] { requester.Cancel(); };
  ASSERT_TRUE(requester.Send("SSP1\r", options, Record()));
  EXPECT_FALSE(requester.Pending());
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 0ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }));
  PumpFor(50ms);
  ASSERT_EQ(results.size(), 1u) << "the cancelled send completed after all";
  EXPECT_EQ(results[0].code, kCodeGSP);
}

TEST_F(RequesterOverPty, AClosedPortIsRefusedAtOnceAndHoldsNothing) {
  engine.Port().Close();
  ASSERT_TRUE(requester.Request("GSP\r", Options(false, 1000ms), Record()));
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }, 200ms));
  EXPECT_EQ(results[0].outcome, LinkReply::Outcome::Refused);
  EXPECT_EQ(results[0].refusal, SendResult::NotWritten);
  EXPECT_EQ(link.wait.Window(), 0u);
}

// A user's press: the command goes out at once, or the press learns at
// once why not, and then nothing follows and nothing is held.
TEST_F(RequesterOverPty, NowOrNeverSendsAtOnceOrRefusesWithoutACompletion) {
  ASSERT_EQ(requester.RequestNow("GSP\r", Record(), false), SendResult::Sent);
  EXPECT_EQ(link.wait.Window(), requester.Handle());
  EXPECT_EQ(requester.RequestNow("GVER\r", Record(), false), SendResult::Busy);  // its own reply is awaited
  ASSERT_TRUE(WaitUntil([&] { return !results.empty(); }));
  EXPECT_EQ(results[0].outcome, LinkReply::Outcome::Answered);
  EXPECT_EQ(results[0].code, kCodeGSP);

  const struct {
    const char* why;
    std::function<void()> arrange;
    SendResult refusal;
  } refusals[] = {
      {"another window awaits a reply", [&] { HoldLink(); }, SendResult::Busy},
      {"monitoring", [&] { link.monitoring = true; }, SendResult::Monitoring},
      {"a closed port", [&] { engine.Port().Close(); }, SendResult::NotWritten},
  };
  for (const auto& r : refusals) {
    r.arrange();
    const std::size_t sent = drive.CommandCount();
    EXPECT_EQ(requester.RequestNow("GT\r", Record(), false), r.refusal) << r.why;
    EXPECT_EQ(requester.SendNow("PO\r", false), r.refusal) << r.why;
    EXPECT_FALSE(requester.Pending()) << r.why;
    EXPECT_NE(link.wait.Window(), requester.Handle()) << r.why;
    PumpFor(20ms);
    EXPECT_EQ(results.size(), 1u) << r.why << ": a refused press completed";
    EXPECT_EQ(drive.CommandCount(), sent) << r.why;
    FreeLink();
    link.monitoring = false;
  }
}

// The requester is free the moment its reply is taken, as the link is: a
// press that follows at once is not refused while a completion waits.
TEST_F(RequesterOverPty, TakingTheReplyFreesTheRequesterAtOnce) {
  drive.SetSilentFor("GSP", true);
  ASSERT_EQ(requester.RequestNow("GSP\r", Record(), false), SendResult::Sent);
  SendMessage(requester.Handle(), WM_DRIVE_REPLY, 0, MakeReplyLParam(kCodeGSP, FrameType::Text), MakePayload("2750"));
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].text, "2750");
  EXPECT_FALSE(requester.Pending());
  EXPECT_EQ(requester.RequestNow("GT\r", Record(), false), SendResult::Sent);
}

// The claim's window and code are written as one: a reader on another
// thread never sees one claim's window with another claim's code.
TEST(WaitSlot, WindowAndCodeNeverTearApart) {
  WaitSlot slot;
  std::atomic<bool> stop{false};
  std::atomic<long> torn{0};
  std::thread reader([&] {
    while (!stop.load()) {
      const WaitClaim c = slot.Load();
      if (c.window != 0 && c.code != static_cast<int>(c.window) + 100) ++torn;
    }
  });
  std::thread writer([&] {
    for (int i = 0; i < 200000; ++i) slot.Store({static_cast<HWND>(1 + i % 2), static_cast<CommandCode>(101 + i % 2)});
  });
  for (int i = 0; i < 200000; ++i) {
    slot.StoreWindow(0);
    slot.TryClaim(3 + i % 2, static_cast<CommandCode>(103 + i % 2));
  }
  writer.join();
  stop = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0);
}

// Races of the wait claim. Each runs for a while, long enough for threads
// to be interrupted at every point of a claim or release, and stops early
// at the first broken claim.
constexpr auto kRaceTime = std::chrono::milliseconds(1000);

// The GUI thread and a sequence may send at the same moment: only one of
// them may come away holding the link.
TEST(WaitSlot, OfTwoRacingClaimsOnlyOneHolds) {
  WaitSlot slot;
  std::atomic<bool> broken{false};
  const auto end = std::chrono::steady_clock::now() + kRaceTime;
  auto contend = [&](HWND window, CommandCode code) {
    while (!broken.load() && std::chrono::steady_clock::now() < end) {
      if (!slot.TryClaim(window, code)) continue;
      for (int k = 0; k < 8; ++k)
        if (slot.Window() != window) broken = true;
      slot.ReleaseIf(window);
    }
  };
  std::thread other(contend, HWND{5}, kCodeGT);
  contend(6, kCodeGSP);
  other.join();
  EXPECT_FALSE(broken.load()) << "two senders held the link at once";
}

// A release by a window that no longer holds the link (its late time-out)
// races with the holder's own release and the next claim: it must never
// clear the claim that came after.
TEST(WaitSlot, AStaleReleaseNeverClearsTheNextClaim) {
  WaitSlot slot;
  std::atomic<bool> stop{false};
  // Several stale releasers, so one is often interrupted mid-release.
  std::vector<std::thread> stale;
  for (int t = 0; t < 3; ++t)
    stale.emplace_back([&] {
      while (!stop.load()) slot.ReleaseIf(1);
    });
  std::thread first([&] {
    while (!stop.load())
      if (slot.TryClaim(1, kCodeGSP)) slot.ReleaseIf(1);
  });
  long claims = 0;
  bool lost = false;
  const auto end = std::chrono::steady_clock::now() + kRaceTime;
  while (!lost && std::chrono::steady_clock::now() < end) {
    if (!slot.TryClaim(2, kCodeGVER)) continue;
    ++claims;
    for (int k = 0; k < 8; ++k) lost = lost || slot.Window() != 2;
    slot.ReleaseIf(2);
  }
  stop = true;
  for (auto& t : stale) t.join();
  first.join();
  EXPECT_GT(claims, 0);
  EXPECT_FALSE(lost) << "a stale release cleared a claim after " << claims << " claims";
}

TEST(WaitSlot, ClaimAndReleaseFollowTheHolder) {
  WaitSlot slot;
  EXPECT_TRUE(slot.TryClaim(7, kCodeGSP));
  EXPECT_FALSE(slot.TryClaim(8, kCodeGVER));
  EXPECT_EQ(slot.Load(), (WaitClaim{7, kCodeGSP}));
  EXPECT_FALSE(slot.ReleaseIf(8));
  EXPECT_TRUE(slot.ReleaseIf(7));
  // Release keeps the awaited code: the stream path still reads it.
  EXPECT_EQ(slot.Load(), (WaitClaim{0, kCodeGSP}));
  // A send nobody waits for records its code and holds nothing.
  EXPECT_TRUE(slot.TryClaim(0, kCodeGVER));
  EXPECT_TRUE(slot.TryClaim(9, kCodeGT));
}

}  // namespace
}  // namespace zembra
