// The monitoring page's hold of the link against the virtual drive: taking
// it is refused while another window awaits a reply, and while held every
// other window is refused; polls go out at once and their replies come back
// under their codes; motion commands pass as written, also between the
// polls' waits; giving it back, or the holder going away, frees the link.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "link/MonitorLink.h"
#include "tests/support/EngineOnVirtualDrive.h"
#include "tests/support/EventLoopWait.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;
using test::WaitUntil;

class MonitorLinkOverPty : public test::EngineOnVirtualDrive {
 protected:
  void SetUp() override {
    test::EngineOnVirtualDrive::SetUp();
    monitor.SetReplyHandler([this](const LinkReply& r) { replies.push_back(r); });
  }
  MonitorLink monitor{engine};
  LinkRequester other{engine};
  std::vector<LinkReply> replies;
};

TEST_F(MonitorLinkOverPty, TakenOnlyFromAFreeLinkAndThenItRefusesEveryoneElse) {
  HoldLink();
  EXPECT_EQ(monitor.Take("GT\r"), SendResult::Busy);
  EXPECT_FALSE(monitor.Held());
  FreeLink();

  ASSERT_EQ(monitor.Take("GT\r"), SendResult::Sent);
  EXPECT_TRUE(monitor.Held());
  EXPECT_TRUE(link.monitoring.load());
  EXPECT_TRUE(link.displayBatching.load());
  MonitorLink second(engine);
  EXPECT_EQ(second.Take("GT\r"), SendResult::Monitoring);
  EXPECT_EQ(second.Poll("GV\r"), SendResult::Monitoring);
  EXPECT_EQ(second.Send("V100\r"), SendResult::Monitoring);
  EXPECT_EQ(other.RequestNow("GSP\r", nullptr), SendResult::Monitoring);

  monitor.Release();
  EXPECT_FALSE(link.monitoring.load());
  EXPECT_FALSE(link.displayBatching.load());
  EXPECT_EQ(link.wait.Window(), 0u);
  EXPECT_EQ(other.RequestNow("GSP\r", nullptr), SendResult::Sent);
}

TEST_F(MonitorLinkOverPty, PollsGoOutAtOnceAndTheirRepliesComeBackUnderTheirCodes) {
  drive.WithModel([](sim::DriveModel& m) { m.SetTemperature(37); });
  ASSERT_EQ(monitor.Take("GT\r"), SendResult::Sent);
  // No waiting for the previous answer: three polls in a row all go out.
  ASSERT_EQ(monitor.Poll("GV\r"), SendResult::Sent);
  ASSERT_EQ(monitor.Poll("GV\r"), SendResult::Sent);
  ASSERT_EQ(monitor.Poll("GV\r"), SendResult::Sent);
  ASSERT_TRUE(WaitUntil([&] { return replies.size() == 3; }));
  for (const LinkReply& r : replies) EXPECT_EQ(r.code, kCodeGV);
  ASSERT_EQ(monitor.Poll("GT\r"), SendResult::Sent);
  ASSERT_TRUE(WaitUntil([&] { return replies.size() == 4; }));
  EXPECT_EQ(replies[3].code, kCodeGT);
  EXPECT_EQ(replies[3].text, "37");
}

// The answers to some polls end the wait until the next poll; the page's
// emergency stop must still pass then.
TEST_F(MonitorLinkOverPty, MotionCommandsPassAsWrittenEvenWhileNoReplyIsAwaited) {
  ASSERT_EQ(monitor.Take("GA\r"), SendResult::Sent);
  ASSERT_EQ(monitor.Send("v100\r"), SendResult::Sent);
  monitor.StopAwaiting();
  EXPECT_EQ(link.wait.Window(), 0u);
  EXPECT_EQ(monitor.Send("SBS\r"), SendResult::Sent);
  EXPECT_EQ(other.RequestNow("GSP\r", nullptr), SendResult::Monitoring);
  ASSERT_TRUE(drive.WaitForCommandCount(2, 1s));
  EXPECT_EQ(drive.ReceivedCommands(), (std::vector<std::string>{"v100", "SBS"}));
}

TEST_F(MonitorLinkOverPty, AHolderThatGoesAwayGivesTheLinkBack) {
  auto gone = std::make_unique<MonitorLink>(engine);
  ASSERT_EQ(gone->Take("GT\r"), SendResult::Sent);
  gone.reset();
  EXPECT_FALSE(link.monitoring.load());
  EXPECT_EQ(link.wait.Window(), 0u);
  EXPECT_EQ(other.RequestNow("GSP\r", nullptr), SendResult::Sent);
}

}  // namespace
}  // namespace zembra
