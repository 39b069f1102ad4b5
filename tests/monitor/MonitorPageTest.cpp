// The monitoring page against the virtual drive over a pty: the start
// refusals, the poll and its status texts, replies by command code, Run in
// each mode, the emergency stop, motion answers that are not samples,
// leaving the page, a silent drive and the time-out, every view button,
// both span refusals, the spike factors, the exports, the chart following
// the page's size, and what a screen reader finds on the page.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <chrono>

#include "monitor/ChartAxesPanel.h"
#include "monitor/LineChartCtrl.h"
#include "monitor/Monitor.h"
#include "monitor/MonitorSession.h"
#include "platform/Tick.h"
#include "platform/WindowMessages.h"
#include "tests/monitor/MonitorPageOnDrive.h"
#include "tests/support/EventLoopWait.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;
using test::PumpFor;
using test::WaitUntil;
using C = MonitorControls;

const QString kNotConnected = QStringLiteral("请先连接驱动器");

class MonitorPage : public test::MonitorPageOnDrive {
 protected:
  void SetUp() override {
    test::EngineOnVirtualDrive::SetUp();
    if (HasFatalFailure()) return;
    page.SetStatusSink([this](const QString& text) { statuses.push_back(text); });
    OpenPage(QSize(1000, 640));
  }

  void Click(int id) { Get(id)->click(); }
  void Enter(int id, const QString& text) { Get<QLineEdit>(id)->setText(text); }

  const SampleStore::List& Samples(MonitorSeries s) { return page.Samples().Samples(s); }
  bool SamplesIn(MonitorSeries s, std::size_t n, std::chrono::milliseconds deadline = 4s) {
    return WaitUntil([&] { return Samples(s).size() >= n; }, deadline);
  }
  void StartMonitoring(MonitorContent content) {
    Get<QRadioButton>(C::IDC_CONTENT_SPEED + 0)->setChecked(false);
    const int ids[] = {C::IDC_CONTENT_SPEED, C::IDC_CONTENT_POSITION, C::IDC_CONTENT_CURRENT, C::IDC_CONTENT_COMMAND};
    Get<QRadioButton>(ids[static_cast<int>(content)])->setChecked(true);
    Click(C::IDC_START);
    ASSERT_TRUE(page.Monitoring());
  }
  AxisRange X() { return page.Chart().Scale().x; }
  AxisRange Y() { return page.Chart().Scale().y; }

  std::vector<QString> statuses;
};

TEST_F(MonitorPage, StartIsRefusedWithoutConnectionWhileTheLinkIsBusyAndOnBadInput) {
  link.connected.store(false);
  Enter(C::IDC_SPEED, QStringLiteral("12"));
  Click(C::IDC_START);
  ASSERT_EQ(prompter.CountOf(kNotConnected), 1);
  EXPECT_EQ(prompter.prompts[0].caption, QStringLiteral("伺服运控系统"));
  EXPECT_EQ(prompter.prompts[0].icon, PromptIcon::Error);
  EXPECT_EQ(Get<QLineEdit>(C::IDC_SPEED)->text(), QStringLiteral("0"));  // the fields shown again
  EXPECT_FALSE(page.Monitoring());

  link.connected.store(true);
  HoldLink();
  Click(C::IDC_START);
  EXPECT_FALSE(page.Monitoring());
  EXPECT_EQ(prompter.prompts.size(), 1u);  // refused without a word

  FreeLink();
  Enter(C::IDC_X_SPAN, QStringLiteral("-5"));
  Click(C::IDC_START);
  EXPECT_FALSE(page.Monitoring());
  EXPECT_EQ(prompter.prompts.back().text, QStringLiteral("请输入一个不小于0的整数。"));
  PumpFor(250ms);
  EXPECT_EQ(drive.ReceivedCommands(), std::vector<std::string>{"GT"});  // the holder's; nothing of the page's
}

TEST_F(MonitorPage, PollsTenTimesASecondAndChartsTheSpeed) {
  const auto started = std::chrono::steady_clock::now();
  StartMonitoring(MonitorContent::Speed);
  EXPECT_EQ(statuses.front(), QStringLiteral("开始监测"));
  EXPECT_TRUE(link.monitoring.load());
  EXPECT_TRUE(link.displayBatching.load());
  EXPECT_FALSE(Get(C::IDC_CONTENT_POSITION)->isEnabled());
  EXPECT_FALSE(Get(C::IDC_START)->isVisible());
  EXPECT_TRUE(Get(C::IDC_STOP)->isVisible());
  ASSERT_TRUE(WaitUntil([&] { return Count("GV") >= 20; }, 6s));
  // Never faster than the 100 ms timer.
  EXPECT_GE(std::chrono::steady_clock::now() - started, 1900ms);
  EXPECT_EQ(statuses.back(), QStringLiteral("获取速度"));
  ASSERT_TRUE(SamplesIn(MonitorSeries::Speed, 10));
  EXPECT_EQ(Samples(MonitorSeries::Speed).front().time, 0u);
  EXPECT_GT(Samples(MonitorSeries::Speed)[1].time, 50u);
  EXPECT_TRUE(Samples(MonitorSeries::Position).empty());
  EXPECT_TRUE(WaitUntil([&] { return Get<QLabel>(C::IDC_LINK_RATE)->text().contains(QStringLiteral("次/秒")); }));

  Click(C::IDC_STOP);
  EXPECT_FALSE(page.Monitoring());
  EXPECT_FALSE(link.monitoring.load());
  EXPECT_FALSE(link.displayBatching.load());
  EXPECT_EQ(link.wait.Window(), 0u);
  EXPECT_EQ(statuses.back(), QStringLiteral("停止监测"));
  EXPECT_TRUE(Get(C::IDC_CONTENT_POSITION)->isEnabled());
  const std::size_t polls = Count("GV");
  PumpFor(300ms);
  EXPECT_LE(Count("GV"), polls + 1);  // at most one tick already on its way
}

// With fast sampling each answer sends the next poll: one poll in flight,
// samples closer than the timer's pace, each with its own arrival; a
// silent drive is asked again at the timer's pace, never flooded.
TEST_F(MonitorPage, FastSamplingPollsOnEachAnswerWithOnePollInFlight) {
  // A few ms per exchange, as on a line: every sample arrives in a
  // millisecond of its own.
  drive.SetReplyDelay(4ms);
  Get<QCheckBox>(C::IDC_FAST_SAMPLING)->setChecked(true);
  StartMonitoring(MonitorContent::Speed);
  EXPECT_FALSE(Get(C::IDC_FAST_SAMPLING)->isEnabled());
  ASSERT_TRUE(SamplesIn(MonitorSeries::Speed, 100, 8s));
  const auto inFlight = [&] {
    return static_cast<long>(Count("GV")) - static_cast<long>(Samples(MonitorSeries::Speed).size());
  };
  // A timer tick that polled beside the answers would start a second
  // chain of polls every 100 ms.
  PumpFor(1s);
  EXPECT_LE(inFlight(), 3);
  const SampleStore::List& samples = Samples(MonitorSeries::Speed);
  for (std::size_t i = 1; i < samples.size(); ++i) ASSERT_GT(samples[i].time, samples[i - 1].time) << i;
  EXPECT_LT(samples.back().time - samples.front().time, (samples.size() - 1) * CMonitor::kPollPeriodMs / 2);
  EXPECT_TRUE(WaitUntil([&] { return Get<QLabel>(C::IDC_LINK_RATE)->text().contains(QStringLiteral("次/秒")); }));

  drive.SetSilentFor("GV", true);
  PumpFor(300ms);
  const std::size_t silentFrom = Count("GV");
  PumpFor(1s);
  const std::size_t silentPolls = Count("GV") - silentFrom;
  EXPECT_GE(silentPolls, 3u);
  EXPECT_LE(silentPolls, 12u);
  drive.SetSilentFor("GV", false);
  const std::size_t before = Samples(MonitorSeries::Speed).size();
  EXPECT_TRUE(SamplesIn(MonitorSeries::Speed, before + 50, 4s));

  Click(C::IDC_STOP);
  EXPECT_TRUE(Get(C::IDC_FAST_SAMPLING)->isEnabled());
  const std::size_t polls = Count("GV");
  PumpFor(300ms);
  EXPECT_LE(Count("GV"), polls + 1);
}

TEST_F(MonitorPage, RepliesFeedTheSeriesOfTheirCommand) {
  StartMonitoring(MonitorContent::Current);
  ASSERT_TRUE(SamplesIn(MonitorSeries::Current, 2));
  EXPECT_EQ(statuses.back(), QStringLiteral("获取电流"));
  Click(C::IDC_STOP);

  // A user command that names a charted quantity feeds its series ...
  Enter(C::IDC_USER_COMMAND, QStringLiteral("gv"));
  StartMonitoring(MonitorContent::UserCommand);
  EXPECT_TRUE(Samples(MonitorSeries::Current).empty());  // lists emptied at the start
  ASSERT_TRUE(SamplesIn(MonitorSeries::Speed, 2));
  EXPECT_TRUE(drive.WaitForCommand("GV", 1s));  // sent in upper case
  EXPECT_EQ(statuses.back(), QStringLiteral("用户命令"));
  Click(C::IDC_STOP);

  // ... any other goes to the fifth.
  drive.WithModel([](sim::DriveModel& m) { m.SetTemperature(41); });
  Enter(C::IDC_USER_COMMAND, QStringLiteral("GT"));
  StartMonitoring(MonitorContent::UserCommand);
  ASSERT_TRUE(SamplesIn(MonitorSeries::Command, 2));
  EXPECT_EQ(Samples(MonitorSeries::Command).back().value, 41.0);
  Click(C::IDC_STOP);
  Enter(C::IDC_USER_COMMAND, QStringLiteral("QQQ"));
  StartMonitoring(MonitorContent::UserCommand);
  ASSERT_TRUE(SamplesIn(MonitorSeries::Command, 2));
  EXPECT_EQ(Samples(MonitorSeries::Command).back().value, 0.0);  // "ERR" reads as 0
  EXPECT_TRUE(Samples(MonitorSeries::Speed).empty());
}

TEST_F(MonitorPage, RunInSpeedAndPositionModes) {
  Enter(C::IDC_SPEED, QStringLiteral("600"));
  Click(C::IDC_RUN);
  ASSERT_TRUE(drive.WaitForCommand("V600", 2s));
  EXPECT_TRUE(page.Running());
  EXPECT_EQ(Get(C::IDC_RUN)->text(), QStringLiteral("停止"));
  EXPECT_EQ(statuses.back(), QStringLiteral("开始运行"));
  // Stopping a run needs no valid fields.
  Enter(C::IDC_Y_SPAN, QStringLiteral("abc"));
  Click(C::IDC_RUN);
  ASSERT_TRUE(drive.WaitForCommand("V0", 2s));
  EXPECT_EQ(Get(C::IDC_RUN)->text(), QStringLiteral("运行"));
  EXPECT_EQ(statuses.back(), QStringLiteral("停止"));
  Enter(C::IDC_Y_SPAN, QStringLiteral("1000"));

  Get<QRadioButton>(C::IDC_RUN_ABSOLUTE)->setChecked(true);
  Enter(C::IDC_ABSOLUTE, QStringLiteral("-5000"));
  Click(C::IDC_RUN);
  Click(C::IDC_RUN);  // twice: one move, no stop
  Get<QRadioButton>(C::IDC_RUN_RELATIVE)->setChecked(true);
  Enter(C::IDC_RELATIVE, QStringLiteral("2500"));
  Click(C::IDC_RUN);
  ASSERT_TRUE(drive.WaitForCommand("MR2500", 2s));
  EXPECT_EQ(drive.ReceivedCommands(), (std::vector<std::string>{"V600", "V0", "M-5000", "MR2500"}));

  link.connected.store(false);
  Click(C::IDC_RUN);
  EXPECT_EQ(prompter.CountOf(kNotConnected), 1);
  EXPECT_TRUE(page.Running());  // nothing changed
}

TEST_F(MonitorPage, EmergencyStopLatchesAndReleases) {
  Enter(C::IDC_SPEED, QStringLiteral("900"));
  Click(C::IDC_RUN);
  Click(C::IDC_ESTOP);
  ASSERT_TRUE(drive.WaitForCommand("SBS", 2s));
  EXPECT_TRUE(page.EmergencyLatched());
  EXPECT_FALSE(page.Running());
  EXPECT_EQ(Get(C::IDC_ESTOP)->text(), QStringLiteral("解除"));
  EXPECT_EQ(Get(C::IDC_ESTOP)->accessibleName(), QStringLiteral("解除"));
  EXPECT_EQ(Get(C::IDC_RUN)->text(), QStringLiteral("运行"));
  EXPECT_TRUE(WaitUntil([&] { return drive.WithModel([](sim::DriveModel& m) { return m.Motor().EmergencyStopped(); }); }));
  Click(C::IDC_ESTOP);
  ASSERT_TRUE(drive.WaitForCommand("CBS", 2s));
  EXPECT_FALSE(page.EmergencyLatched());
  EXPECT_EQ(Get(C::IDC_ESTOP)->text(), QStringLiteral("急停"));

  link.connected.store(false);
  Click(C::IDC_ESTOP);
  EXPECT_EQ(prompter.CountOf(kNotConnected), 1);
  PumpFor(100ms);
  EXPECT_EQ(Count("SBS"), 1u);
}

// A stop or an emergency stop that could not go out (here the port is
// gone) is said on the page in red, and the buttons stay as they were.
TEST_F(MonitorPage, AStopThatCouldNotGoOutIsSaidOnThePageAndChangesNothing) {
  Enter(C::IDC_SPEED, QStringLiteral("900"));
  Click(C::IDC_RUN);
  ASSERT_TRUE(drive.WaitForCommand("V900", 2s));
  auto* refusal = Get<QLabel>(C::IDC_MOTION_REFUSAL);
  EXPECT_FALSE(refusal->isVisible());
  const std::size_t shown = statuses.size();
  engine.Port().Close();
  Click(C::IDC_RUN);
  EXPECT_EQ(refusal->text(), QStringLiteral("停止命令“V0”未能发出（串口未打开或已断开），电机可能仍在运行"));
  Click(C::IDC_ESTOP);
  EXPECT_EQ(refusal->text(), QStringLiteral("急停命令“SBS”未能发出（串口未打开或已断开），急停未生效"));
  EXPECT_TRUE(refusal->isVisible());
  EXPECT_EQ(refusal->accessibleName(), QStringLiteral("运动命令：") + refusal->text());
  EXPECT_TRUE(refusal->styleSheet().contains(QStringLiteral("#c01010")));
  EXPECT_TRUE(page.Running());
  EXPECT_FALSE(page.EmergencyLatched());
  EXPECT_EQ(Get(C::IDC_RUN)->text(), QStringLiteral("停止"));
  EXPECT_EQ(Get(C::IDC_ESTOP)->text(), QStringLiteral("急停"));
  EXPECT_EQ(statuses.size(), shown);  // no "停止"
  EXPECT_EQ(Count("V0") + Count("SBS"), 0u);
}

TEST_F(MonitorPage, AMotionAnswerIsNotASample) {
  // The motor stands at 5000; the position is polled while the page sends
  // a move to where it already is: the drive's "OK" must not chart a 0.
  drive.WithModel([](sim::DriveModel& m) { m.Handle("M5000", 0); m.Motor().AdvanceTo(60000); });
  StartMonitoring(MonitorContent::Position);
  ASSERT_TRUE(SamplesIn(MonitorSeries::Position, 3));
  Get<QRadioButton>(C::IDC_RUN_ABSOLUTE)->setChecked(true);
  Enter(C::IDC_ABSOLUTE, QStringLiteral("5000"));
  for (int i = 0; i < 3; ++i) {
    Click(C::IDC_RUN);  // a move, then a stop that sends nothing in a position mode
    Click(C::IDC_RUN);
    PumpFor(60ms);
  }
  Click(C::IDC_ESTOP);
  Click(C::IDC_ESTOP);
  ASSERT_TRUE(drive.WaitForCommand("CBS", 2s));
  const std::size_t before = Samples(MonitorSeries::Position).size();
  ASSERT_TRUE(SamplesIn(MonitorSeries::Position, before + 3));
  EXPECT_EQ(Count("M5000"), 3u);
  for (const MonitorSample& s : Samples(MonitorSeries::Position)) EXPECT_EQ(s.value, 5000.0) << s.time;
  EXPECT_TRUE(Samples(MonitorSeries::Command).empty());
}

TEST_F(MonitorPage, LeavingThePageStopsMonitoringButSendsNothing) {
  Enter(C::IDC_SPEED, QStringLiteral("300"));
  Click(C::IDC_RUN);
  StartMonitoring(MonitorContent::Speed);
  Click(C::IDC_ZOOM_MODE);
  ASSERT_TRUE(page.ZoomMode());
  ASSERT_TRUE(SamplesIn(MonitorSeries::Speed, 2));
  Enter(C::IDC_SPEED, QStringLiteral("77"));
  ASSERT_TRUE(PostMessage(page.Handle(), WM_PAGE_LEAVING));
  ASSERT_TRUE(WaitUntil([&] { return !page.Monitoring(); }));
  EXPECT_FALSE(page.ZoomMode());
  EXPECT_FALSE(Get<QToolButton>(C::IDC_ZOOM_MODE)->isChecked());
  EXPECT_EQ(Get<QLineEdit>(C::IDC_SPEED)->text(), QStringLiteral("300"));  // fields shown again
  EXPECT_TRUE(page.Running());  // the motor goes on
  PumpFor(150ms);
  const std::size_t sent = drive.CommandCount();
  PumpFor(350ms);
  EXPECT_EQ(drive.CommandCount(), sent);
  EXPECT_EQ(Count("V0"), 0u);
  EXPECT_TRUE(prompter.prompts.empty());
}

TEST_F(MonitorPage, StopIsNeverRefused) {
  StartMonitoring(MonitorContent::Speed);
  Enter(C::IDC_SPEED, QStringLiteral("fast"));
  link.connected.store(false);
  Click(C::IDC_STOP);
  EXPECT_FALSE(page.Monitoring());
  EXPECT_FALSE(link.monitoring.load());
}

TEST_F(MonitorPage, ALostConnectionEndsMonitoringSoTheLinkCanReconnect) {
  StartMonitoring(MonitorContent::Speed);
  ASSERT_TRUE(SamplesIn(MonitorSeries::Speed, 1));
  link.connected.store(false);  // what the connection does when the port is lost
  ASSERT_TRUE(WaitUntil([&] { return !page.Monitoring(); }, 1s));
  EXPECT_FALSE(link.monitoring.load());
  EXPECT_EQ(link.wait.Window(), 0u);
  EXPECT_TRUE(Get<QLabel>(C::IDC_LINK_RATE)->text().contains(QStringLiteral("连接已断开")));
  EXPECT_TRUE(prompter.prompts.empty());
  EXPECT_EQ(holder.SendNow("GVER\r", false), SendResult::Sent);
}

TEST_F(MonitorPage, ASilentDriveIsNamedAndALateReplyEndsMonitoring) {
  StartMonitoring(MonitorContent::Speed);
  ASSERT_TRUE(SamplesIn(MonitorSeries::Speed, 2));
  drive.SetSilentFor("GV", true);
  ASSERT_TRUE(WaitUntil(
      [&] { return Get<QLabel>(C::IDC_LINK_RATE)->text().contains(QStringLiteral("驱动器无响应")); }, 4s));
  EXPECT_TRUE(page.Monitoring());  // named, but still polling
  EXPECT_TRUE(prompter.prompts.empty());
  // The first answer after more than 1.5 s ends monitoring.
  ASSERT_TRUE(WaitUntil([&] { return TickCount() - Samples(MonitorSeries::Speed).back().tick > 1600; }, 3s));
  drive.SetSilentFor("GV", false);
  ASSERT_TRUE(WaitUntil([&] { return !page.Monitoring(); }, 3s));
  ASSERT_EQ(prompter.prompts.size(), 1u);
  EXPECT_EQ(prompter.prompts[0].text, QStringLiteral("超时，已关闭监测"));
  EXPECT_EQ(prompter.prompts[0].caption, QStringLiteral("伺服运控管理系统"));
  EXPECT_EQ(prompter.prompts[0].icon, PromptIcon::None);
  EXPECT_EQ(link.wait.Window(), 0u);
}

TEST_F(MonitorPage, ViewButtonsSetTheirRanges) {
  // The first view: X 0 to 20000, Y -1000 to 1000.
  EXPECT_EQ(X().min, 0.0);
  EXPECT_EQ(X().max, 20000.0);
  EXPECT_EQ(Y().min, -1000.0);
  EXPECT_EQ(Y().max, 1000.0);
  struct Step {
    int id;
    double xMin, xMax, yMin, yMax;
  } steps[] = {
      {C::IDC_PAN_LEFT, -10000, 10000, -1000, 1000}, {C::IDC_PAN_RIGHT, 0, 20000, -1000, 1000},
      {C::IDC_ZOOM_X_IN, 0, 10000, -1000, 1000},     {C::IDC_ZOOM_X_OUT, 0, 20000, -1000, 1000},
      {C::IDC_PAN_UP, 0, 20000, -1200, 800},         {C::IDC_PAN_DOWN, 0, 20000, -1000, 1000},
      {C::IDC_ZOOM_Y_IN, 0, 20000, -500, 500},       {C::IDC_ZOOM_Y_OUT, 0, 20000, -1000, 1000},
  };
  for (const Step& s : steps) {
    Click(s.id);
    EXPECT_DOUBLE_EQ(X().min, s.xMin) << s.id;
    EXPECT_DOUBLE_EQ(X().max, s.xMax) << s.id;
    EXPECT_DOUBLE_EQ(Y().min, s.yMin) << s.id;
    EXPECT_DOUBLE_EQ(Y().max, s.yMax) << s.id;
  }
  // A changed Y reference is read first.
  Get<QRadioButton>(C::IDC_YREF_BOTTOM)->setChecked(true);
  Click(C::IDC_ZOOM_Y_IN);
  EXPECT_DOUBLE_EQ(Y().max, 0);
  Enter(C::IDC_Y_BASE, QStringLiteral("100"));
  Click(C::IDC_SET_Y_BASE);
  EXPECT_DOUBLE_EQ(Y().min, 100);
  EXPECT_DOUBLE_EQ(Y().max, 1100);
  Enter(C::IDC_Y_SPAN, QStringLiteral("400"));
  Click(C::IDC_SET_Y_SPAN);
  EXPECT_DOUBLE_EQ(Y().max, 500);
  Enter(C::IDC_X_SPAN, QStringLiteral("5000"));
  Click(C::IDC_SET_X_SPAN);
  Click(C::IDC_PAN_RIGHT);
  EXPECT_DOUBLE_EQ(X().min, 2500);
  Click(C::IDC_ORIGIN);
  EXPECT_DOUBLE_EQ(X().min, 0);
  EXPECT_DOUBLE_EQ(X().max, 5000);
  EXPECT_DOUBLE_EQ(Y().min, 0);
  EXPECT_DOUBLE_EQ(Y().max, 400);
  Click(C::IDC_CAPTURE);  // fewer than two samples: nothing
  EXPECT_DOUBLE_EQ(X().max, 5000);
  EXPECT_TRUE(prompter.prompts.empty());
}

TEST_F(MonitorPage, SpansBelowTheirMinimumsAreRefused) {
  Enter(C::IDC_Y_SPAN, QStringLiteral("19"));
  Click(C::IDC_SET_Y_SPAN);
  Enter(C::IDC_X_SPAN, QStringLiteral("99"));
  Click(C::IDC_SET_X_SPAN);
  ASSERT_EQ(prompter.prompts.size(), 2u);
  EXPECT_EQ(prompter.prompts[1].text, QStringLiteral("X轴跨度不能小于100"));
  for (const auto& p : prompter.prompts) {
    EXPECT_EQ(p.caption, QStringLiteral("伺服运控系统"));
    EXPECT_EQ(p.icon, PromptIcon::Error);
  }
  EXPECT_DOUBLE_EQ(Y().span, 2000);
  EXPECT_DOUBLE_EQ(X().span, 20000);
}

TEST_F(MonitorPage, ZoomModeTakesADraggedRectangleAndReplaysTheCurve) {
  Enter(C::IDC_SPEED, QStringLiteral("500"));
  Click(C::IDC_RUN);
  StartMonitoring(MonitorContent::Speed);
  // A curve, not a point: on a slow machine the motor may be at speed
  // before the first answer comes.
  ASSERT_TRUE(WaitUntil([&] { return Samples(MonitorSeries::Speed).size() >= 5 &&
                                     Samples(MonitorSeries::Speed).back().value > 490; }, 4s));
  Click(C::IDC_STOP);
  CLineChartCtrl& chart = page.Chart();
  auto drag = [&](QPoint from, QPoint to) {
    QMouseEvent press(QEvent::MouseButtonPress, from, chart.mapToGlobal(from), Qt::LeftButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&chart, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, to, chart.mapToGlobal(to), Qt::LeftButton, Qt::NoButton, {});
    QCoreApplication::sendEvent(&chart, &release);
  };
  const int w = chart.width();
  const int h = chart.height();
  drag(QPoint(0, 0), QPoint(w / 2, h / 2));  // zoom mode off: ignored
  EXPECT_DOUBLE_EQ(X().max, 20000);
  Click(C::IDC_ZOOM_MODE);
  drag(QPoint(0, 0), QPoint(w / 2, h / 2));  // the upper left quarter
  EXPECT_NEAR(X().max, 10000, 20000.0 / w + 1);
  EXPECT_NEAR(Y().min, 0, 2000.0 / h + 1);
  EXPECT_NEAR(Y().max, 1000, 1);
  EXPECT_TRUE(page.ZoomMode());  // stays on
  // The stored speed curve was drawn again into the new view.
  int red = 0;
  const QImage& image = chart.Image();
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) red += image.pixelColor(x, y) == QColor(255, 0, 0) ? 1 : 0;
  EXPECT_GT(red, 20);

  Click(C::IDC_CAPTURE);  // the page of time of the newest speed sample, centred on it
  const MonitorSample newest = Samples(MonitorSeries::Speed).back();
  EXPECT_DOUBLE_EQ(X().min, std::floor(newest.time / X().span) * X().span);
  EXPECT_DOUBLE_EQ((Y().min + Y().max) / 2, newest.value);
}

TEST_F(MonitorPage, SpikeFactorsAreTakenWhenThePageIsShown) {
  page.SetSpikeFactorSource([] { return SpikeFactors{6000, 10000}; });
  link.connected.store(false);
  ASSERT_TRUE(PostMessage(page.Handle(), WM_PAGE_ACTIVATED));
  PumpFor(20ms);
  EXPECT_EQ(page.Samples().Factors().maxSpeed, 30000);
  link.connected.store(true);
  ASSERT_TRUE(PostMessage(page.Handle(), WM_PAGE_ACTIVATED));
  ASSERT_TRUE(WaitUntil([&] { return page.Samples().Factors().maxSpeed == 6000; }));
  EXPECT_EQ(page.Samples().Factors().encoderResolution, 10000);
}

TEST_F(MonitorPage, ExportsTheSessionThroughTheSaveDialog) {
  QTemporaryDir dir;
  prompter.fileAnswer = dir.filePath(QStringLiteral("会话"));
  Click(C::IDC_EXPORT_DATA);  // nothing recorded yet
  ASSERT_EQ(prompter.prompts.size(), 1u);
  EXPECT_EQ(prompter.prompts[0].icon, PromptIcon::Information);

  StartMonitoring(MonitorContent::Speed);
  ASSERT_TRUE(SamplesIn(MonitorSeries::Speed, 3));
  Click(C::IDC_STOP);
  Click(C::IDC_EXPORT_DATA);
  QFile csv(dir.filePath(QStringLiteral("会话.csv")));
  ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
  const QList<QByteArray> lines = csv.readAll().split('\n');
  EXPECT_EQ(static_cast<std::size_t>(lines.size()), Samples(MonitorSeries::Speed).size() + 2);  // header, final newline
  EXPECT_TRUE(lines[1].startsWith(QStringLiteral("速度,0,").toUtf8()));

  prompter.fileAnswer = dir.filePath(QStringLiteral("图.png"));
  Click(C::IDC_EXPORT_IMAGE);
  QImage image(dir.filePath(QStringLiteral("图.png")));
  EXPECT_EQ(image.size(), page.findChild<ChartAxesPanel*>()->size());

  prompter.fileAnswer = dir.filePath(QStringLiteral("没有这个目录/数据.csv"));
  Click(C::IDC_EXPORT_DATA);
  EXPECT_TRUE(prompter.prompts.back().text.startsWith(QStringLiteral("无法写入文件")));
  EXPECT_EQ(prompter.prompts.back().icon, PromptIcon::Error);
}

TEST_F(MonitorPage, TheWholePageFitsTheSizeItIsLaidOutFor) {
  // The host never makes the page smaller than this; below the layout's
  // minimum, controls would be cut off.
  EXPECT_LE(page.minimumSizeHint().width(), CMonitor::kTemplateSize.width());
  EXPECT_LE(page.minimumSizeHint().height(), CMonitor::kTemplateSize.height());
}

TEST_F(MonitorPage, TheChartFollowsThePageAndTheUnitFollowsTheContent) {
  CLineChartCtrl& chart = page.Chart();
  const QSize before = chart.size();
  page.resize(1300, 760);
  ASSERT_TRUE(WaitUntil([&] { return chart.Image().deviceIndependentSize().toSize() == chart.size(); }));
  EXPECT_GT(chart.width(), before.width());
  EXPECT_GT(chart.height(), before.height());
  // Redrawn: the black centre line is back at half height.
  EXPECT_EQ(chart.Image().pixelColor(chart.width() / 3, chart.Scale().GridRow(50, 100)), QColor(Qt::black));

  auto* axes = page.findChild<ChartAxesPanel*>();
  EXPECT_EQ(axes->Unit(), QStringLiteral("RPM"));
  Click(C::IDC_CONTENT_POSITION);
  EXPECT_TRUE(axes->Unit().isEmpty());
}

TEST_F(MonitorPage, TheCursorReadoutShowsTheValueUnderTheMouse) {
  CLineChartCtrl& chart = page.Chart();
  const QPoint at(chart.width() / 4, chart.height() / 4);
  QMouseEvent move(QEvent::MouseMove, at, chart.mapToGlobal(at), Qt::NoButton, Qt::NoButton, {});
  QCoreApplication::sendEvent(&chart, &move);
  // Every 100 ms the readout takes the mouse's place on the chart.
  auto near = [&](int id, int expected, double tolerance) {
    return std::abs(Get<QLineEdit>(id)->text().toInt() - expected) <= tolerance;
  };
  EXPECT_TRUE(WaitUntil([&] { return near(C::IDC_CURSOR_X, 5000, 20000.0 / chart.width() + 1); }));
  EXPECT_TRUE(near(C::IDC_CURSOR_Y, 500, 2000.0 / chart.height() + 1));
}

TEST_F(MonitorPage, EveryControlCanBeFoundAndNamed) {
  const QList<QWidget*> widgets = page.findChildren<QWidget*>();
  int tagged = 0;
  for (QWidget* w : widgets) {
    if (!w->objectName().startsWith(QStringLiteral("idc_"))) continue;
    ++tagged;
    EXPECT_EQ(w->accessibleDescription(), w->objectName());
    EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
  }
  EXPECT_GE(tagged, 40);
  EXPECT_NE(Get<QWidget>(C::IDC_CHART), nullptr);
  for (int id : {C::IDC_PAN_LEFT, C::IDC_PAN_RIGHT, C::IDC_ZOOM_X_IN, C::IDC_ZOOM_X_OUT, C::IDC_PAN_UP,
                 C::IDC_PAN_DOWN, C::IDC_ZOOM_Y_IN, C::IDC_ZOOM_Y_OUT, C::IDC_ZOOM_MODE}) {
    auto* button = Get<QToolButton>(id);
    EXPECT_EQ(button->accessibleName(), button->toolTip());
    EXPECT_FALSE(button->icon().isNull());
  }
  // Edits are named by the label beside them, which points back to them.
  for (QLabel* label : page.findChildren<QLabel*>()) {
    if (!label->buddy()) continue;
    EXPECT_EQ(label->buddy()->accessibleName(), label->text());
  }
  EXPECT_EQ(Get<QRadioButton>(C::IDC_YREF_CENTRE)->isChecked(), true);
  EXPECT_EQ(Get<QLineEdit>(C::IDC_X_SPAN)->text(), QStringLiteral("20000"));
  EXPECT_EQ(Get<QLineEdit>(C::IDC_Y_SPAN)->text(), QStringLiteral("1000"));
}

}  // namespace
}  // namespace zembra
