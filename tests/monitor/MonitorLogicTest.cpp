// The smaller pieces of the monitoring page without widgets: pairing
// replies with the commands that asked for them, the achieved rates and
// silence, stopping a run by the mode it was started in, refused sends,
// and the axis label texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/AxisLabels.h"
#include "monitor/LinkRateMeter.h"
#include "monitor/MotionController.h"
#include "monitor/ReplyMatcher.h"

namespace zembra {
namespace {

TEST(ReplyMatcher, RepliesGoToTheirCommandsInOrder) {
  ReplyMatcher m;
  m.Sent(SentPurpose::Poll, kCodeGV, 100);
  m.Sent(SentPurpose::Motion, kCodeUnknown, 120);
  m.Sent(SentPurpose::Poll, kCodeGV, 200);
  auto a = m.Answer(130);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->purpose, SentPurpose::Poll);
  EXPECT_EQ(m.Answer(140)->purpose, SentPurpose::Motion);
  EXPECT_EQ(m.Answer(210)->code, 151);
  EXPECT_FALSE(m.Answer(220));  // nobody asked
}

TEST(ReplyMatcher, ACommandNeverAnsweredIsGivenUpInsteadOfShiftingTheRest) {
  ReplyMatcher m;
  m.Sent(SentPurpose::Motion, kCodeUnknown, 0xFFFFFF00u);  // its answer is lost; ticks wrap meanwhile
  m.Sent(SentPurpose::Poll, kCodeGM, 1000);
  auto a = m.Answer(1010);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->purpose, SentPurpose::Poll);
  EXPECT_EQ(m.Outstanding(), 0u);

  // A silent drive does not grow the queue without end.
  for (std::uint32_t t = 0; t < 1000; ++t) m.Sent(SentPurpose::Poll, kCodeGV, 5000 + t);
  EXPECT_EQ(m.Outstanding(), ReplyMatcher::kMaxOutstanding);
}

TEST(LinkRateMeter, SteadyPollsReadTheirRateAndSilenceIsNamed) {
  LinkRateMeter meter;
  meter.Start(10000);
  std::uint32_t t = 10000;
  for (int i = 0; i < 50; ++i) {
    t += 100;
    meter.Polled(t);
    if (i % 10 != 9) meter.Answered(t + 20);  // every tenth poll unanswered
  }
  EXPECT_NEAR(meter.PollRate(t), 10.0, 0.05);
  EXPECT_NEAR(meter.ReplyRate(t + 20), 9.0, 0.4);
  EXPECT_FALSE(meter.DriveSilent(t + 20));
  EXPECT_TRUE(meter.Text(t).startsWith(QStringLiteral("10.0 次/秒，回复 9."))) << meter.Text(t).toStdString();

  // The drive stops answering: after a second it is named, and the reply
  // rate falls off instead of freezing.
  const std::uint32_t lastReply = t - 80;
  for (int i = 0; i < 15; ++i) meter.Polled(t += 100);
  EXPECT_TRUE(meter.DriveSilent(t));
  EXPECT_FALSE(meter.DriveSilent(lastReply + 1000));
  EXPECT_LT(meter.ReplyRate(t), 5.0);
  EXPECT_TRUE(meter.Text(t).endsWith(QStringLiteral("驱动器无响应")));
  for (int i = 0; i < 20; ++i) meter.Polled(t += 100);
  EXPECT_EQ(meter.ReplyRate(t), 0.0);
  EXPECT_NEAR(meter.PollRate(t), 10.0, 0.05);
}

TEST(LinkRateMeter, SilentFromTheStart) {
  LinkRateMeter meter;
  meter.Start(0xFFFFFE00u);  // across the wrap
  meter.Polled(0xFFFFFE64u);
  EXPECT_FALSE(meter.DriveSilent(0xFFFFFFFFu));
  EXPECT_TRUE(meter.DriveSilent(0x00000200u));
}

class Motion : public ::testing::Test {
 protected:
  MotionController motion{[this](const std::string& c) {
                            sent.push_back(c);
                            return accept ? SendResult::Sent : refusal;
                          },
                          [this](const QString& s) { status.push_back(s); },
                          [this](const QString& r) { refusals.push_back(r); }};
  std::vector<std::string> sent;
  std::vector<QString> status;
  std::vector<QString> refusals;
  bool accept = true;
  SendResult refusal = SendResult::Busy;
};

TEST_F(Motion, RunStartsAndStopsASpeedRun) {
  MonitorSettings s;
  s.speed = -250;
  motion.Run(s);
  EXPECT_TRUE(motion.Running());
  EXPECT_EQ(motion.RunCaption(), QStringLiteral("停止"));
  EXPECT_EQ(status.back(), QStringLiteral("开始运行"));
  // Switching the page to a position mode does not leave the motor running.
  s.runMode = RunMode::AbsolutePosition;
  motion.Run(s);
  EXPECT_EQ(sent, (std::vector<std::string>{"V-250\r", "V0\r"}));
  EXPECT_FALSE(motion.Running());
  EXPECT_EQ(motion.RunCaption(), QStringLiteral("运行"));
  EXPECT_EQ(status.back(), QStringLiteral("停止"));
}

TEST_F(Motion, RefusedSendsChangeNothing) {
  accept = false;
  motion.Run(MonitorSettings{});
  motion.EmergencyStop();
  EXPECT_FALSE(motion.Running());
  EXPECT_FALSE(motion.Latched());
  EXPECT_TRUE(status.empty());
  EXPECT_EQ(sent.size(), 2u);
}

// A stop the link did not send leaves the run as it was and says why; the
// words go once a press goes out. (The page shows them: MonitorPageTest.)
TEST_F(Motion, AStopThatDidNotGoOutIsToldAndChangesNothing) {
  motion.Run(MonitorSettings{});  // a speed run
  const std::size_t statuses = status.size();
  accept = false;
  motion.Run(MonitorSettings{});
  EXPECT_TRUE(motion.Running());
  EXPECT_EQ(status.size(), statuses);  // no "停止"
  EXPECT_EQ(refusals.back(), QStringLiteral("停止命令“V0”未能发出（正在进行其他操作），电机可能仍在运行"));
  accept = true;
  motion.Run(MonitorSettings{});
  EXPECT_FALSE(motion.Running());
  EXPECT_TRUE(refusals.back().isEmpty());
}

TEST(AxisLabels, TextsByMagnitude) {
  EXPECT_EQ(AxisLabels::XLabel(2000), QStringLiteral("2000"));
  EXPECT_EQ(AxisLabels::XLabel(99999999), QStringLiteral("99999999"));
  EXPECT_EQ(AxisLabels::XLabel(250000000), QStringLiteral("0.3G"));
  EXPECT_EQ(AxisLabels::YLabel(-999999), QStringLiteral("-999999"));
  EXPECT_EQ(AxisLabels::YLabel(-1500000), QStringLiteral("-1.5M"));
  EXPECT_EQ(AxisLabels::YLabel(2.5e9), QStringLiteral("2.5G"));
  EXPECT_EQ(AxisLabels::YLabel(3e12), QStringLiteral("3T"));
  EXPECT_EQ(AxisLabels::YUnit(MonitorContent::Speed), QStringLiteral("RPM"));
  EXPECT_TRUE(AxisLabels::YUnit(MonitorContent::Position).isEmpty());
}

}  // namespace
}  // namespace zembra
