// The step test on the monitoring page against the virtual drive: a speed
// step whose figures agree with an independent reading of the exported
// CSV, and a run ended by the emergency stop or refused while the page
// monitors, each saying why in red.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "monitor/ChartAxesPanel.h"
#include "monitor/Monitor.h"
#include "monitor/StepTestControls.h"
#include "tests/monitor/MonitorPageOnDrive.h"
#include "tests/support/EventLoopWait.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;
using test::WaitUntil;
using S = StepTestControls;

class StepTestPage : public test::MonitorPageOnDrive {
 protected:
  void SetUp() override {
    test::EngineOnVirtualDrive::SetUp();
    if (HasFatalFailure()) return;
    drive.WithModel([](sim::DriveModel& m) {
      m.Motor().SetEnabled(true);
      // A fast ramp, so the step shows the loop rather than the ramp.
      m.SetParameter(sim::DriveParameter::Acceleration, 10000);
    });
    page.SetSpikeFactorSource([] { return SpikeFactors{3000, 10000}; });
    page.SetStepGainSource([](StepKind) { return StepGains{{200, false}, {20, false}, {0, false}, {10000, false}}; });
    OpenPage(QSize(1000, 700));
  }

  void Setup(const QString& size, const QString& recordMs, const QString& preShare) {
    Get<QLineEdit>(S::IDC_STEP_SIZE)->setText(size);
    Get<QLineEdit>(S::IDC_STEP_RECORD)->setText(recordMs);
    Get<QLineEdit>(S::IDC_STEP_PRE_SHARE)->setText(preShare);
  }
  QString Trouble() { return Get<QLabel>(S::IDC_STEP_TROUBLE)->text(); }
};

struct Row {
  double t;
  double v;
};

// The response read straight from the exported rows, as an engineer would
// with a spreadsheet: the level before the step is the mean before t = 0,
// the final level the mean of the last fifth after it; rise from 10 % to
// 90 % of the way between them, overshoot past the final level, settling
// into ±2 % of the commanded step around the final level, each crossing
// placed by straight lines between samples.
struct Reading {
  double rise = 0, overshoot = 0, settling = 0, period = 0;
};

double Cross(const Row& a, const Row& b, double level) {
  return b.v == a.v ? b.t : a.t + (level - a.v) / (b.v - a.v) * (b.t - a.t);
}

Reading Read(const std::vector<Row>& rows, double target) {
  double beforeSum = 0;
  int beforeCount = 0;
  std::vector<Row> after;
  for (const Row& r : rows) {
    if (r.t < 0) {
      beforeSum += r.v;
      ++beforeCount;
    } else {
      after.push_back(r);
    }
  }
  const double before = beforeSum / beforeCount;
  const double tailFrom = after.back().t * 0.8;
  double finalSum = 0;
  int finalCount = 0;
  for (const Row& r : after) {
    if (r.t >= tailFrom) {
      finalSum += r.v;
      ++finalCount;
    }
  }
  const double final = finalSum / finalCount;
  const double way = final - before;
  auto firstAt = [&](double share) {
    const double level = before + share * way;
    for (std::size_t i = 0; i < after.size(); ++i)
      if (after[i].v >= level) return i == 0 ? after[0].t : Cross(after[i - 1], after[i], level);
    return std::nan("");
  };
  Reading out;
  out.rise = firstAt(0.9) - firstAt(0.1);
  double peak = before;
  for (const Row& r : after) peak = std::max(peak, r.v);
  out.overshoot = (peak - final) / way * 100.0;
  const double band = 0.02 * std::abs(target - before);
  std::size_t lastOut = 0;
  for (std::size_t i = 0; i < after.size(); ++i)
    if (std::abs(after[i].v - final) > band) lastOut = i;
  const Row& o = after[lastOut];
  const Row& in = after[lastOut + 1];
  out.settling = Cross(o, in, o.v > final ? final + band : final - band);
  std::vector<double> gaps;
  for (std::size_t i = 1; i < after.size(); ++i) gaps.push_back(after[i].t - after[i - 1].t);
  std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
  out.period = gaps[gaps.size() / 2];
  return out;
}

TEST_F(StepTestPage, ASpeedStepsFiguresAgreeWithAnIndependentReadingOfItsExport) {
  Setup(QStringLiteral("1000"), QStringLiteral("600"), QStringLiteral("20"));
  const std::size_t from = drive.CommandCount();
  Get(S::IDC_STEP_START)->click();
  ASSERT_TRUE(page.Step().Active()) << Trouble().toStdString();
  EXPECT_TRUE(Get(1020)->isEnabled());  // 急停 stays at hand
  ASSERT_TRUE(WaitUntil([&] { return !page.Step().Active(); }, 5s));
  ASSERT_EQ(page.Step().Phase(), StepPhase::Done) << Trouble().toStdString();
  ASSERT_TRUE(drive.WaitForCommand("V0", 2s, from));
  const std::vector<std::string> sent = CommandsFrom(from);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "V1000"), 1);
  EXPECT_TRUE(page.StepView());
  EXPECT_TRUE(page.Samples().Empty());  // the run's answers never become monitoring samples
  ASSERT_EQ(page.Runs().Runs().size(), 1u);
  const StepRun& run = page.Runs().Runs().back();
  EXPECT_TRUE(Get<QLabel>(S::IDC_STEP_LEGEND)->isVisible());
  EXPECT_TRUE(Get<QLabel>(S::IDC_STEP_LEGEND)->accessibleName().contains(QStringLiteral("#1 Kp=200 Ki=20")));

  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  prompter.fileAnswer = dir.filePath(QStringLiteral("阶跃.csv"));
  Get(MonitorControls::IDC_EXPORT_DATA)->click();
  QFile file(*prompter.fileAnswer);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QList<QByteArray> lines = file.readAll().split('\n');
  lines.removeFirst();  // the header
  std::vector<Row> rows;
  for (const QByteArray& line : lines) {
    const QList<QByteArray> cells = line.trimmed().split(',');
    if (cells.size() < 4) continue;
    EXPECT_EQ(cells[0], "1");
    rows.push_back({cells[2].toDouble(), cells[3].toDouble()});
  }
  ASSERT_GT(rows.size(), 50u);
  const Reading r = Read(rows, 1000);
  auto agree = [&](const StepFigure& shown, double independent, double slack, const char* what) {
    ASSERT_TRUE(shown.value) << what;
    EXPECT_LE(std::abs(*shown.value - independent), std::max(0.02 * std::abs(independent), slack))
        << what << ": shown " << *shown.value << ", from the CSV " << independent;
  };
  agree(run.figures.riseTimeMs, r.rise, r.period, "rise time");
  agree(run.figures.settlingTimeMs, r.settling, r.period, "settling time");
  agree(run.figures.overshootPercent, r.overshoot, 0.0, "overshoot");
  // The factory gains under a fast ramp: a quick rise with a small overshoot.
  EXPECT_LT(r.rise, 60.0);
  EXPECT_GT(r.overshoot, 0.5);

  // The image carries the legend under the chart.
  prompter.fileAnswer = dir.filePath(QStringLiteral("阶跃.png"));
  Get(MonitorControls::IDC_EXPORT_IMAGE)->click();
  const QImage image(*prompter.fileAnswer);
  ASSERT_FALSE(image.isNull());
  EXPECT_GT(image.height(), page.findChild<ChartAxesPanel*>()->height() + Get<QLabel>(S::IDC_STEP_LEGEND)->height());
}

TEST_F(StepTestPage, TheEmergencyStopEndsARunAndARunIsRefusedWhileThePageMonitors) {
  Setup(QStringLiteral("500"), QStringLiteral("3000"), QStringLiteral("10"));
  Get(S::IDC_STEP_START)->click();
  ASSERT_TRUE(page.Step().Active());
  ASSERT_TRUE(WaitUntil([&] { return page.Step().Phase() == StepPhase::Recording; }, 3s));
  const std::size_t from = drive.CommandCount();
  Get(MonitorControls::IDC_ESTOP)->click();
  EXPECT_EQ(page.Step().Phase(), StepPhase::Aborted);
  EXPECT_FALSE(page.Monitoring());  // the link is given back
  ASSERT_TRUE(drive.WaitForCommand("SBS", 2s, from));
  EXPECT_EQ(Count("V0"), 0u);  // the emergency stop holds the motor
  auto* trouble = Get<QLabel>(S::IDC_STEP_TROUBLE);
  EXPECT_TRUE(trouble->isVisible());
  EXPECT_TRUE(trouble->text().contains(QStringLiteral("急停")));
  EXPECT_TRUE(trouble->styleSheet().contains(QStringLiteral("#c01010")));
  EXPECT_TRUE(page.Runs().Empty());  // a cut-short run is not kept

  Get(MonitorControls::IDC_ESTOP)->click();  // released
  Get(MonitorControls::IDC_START)->click();
  ASSERT_TRUE(page.Monitoring());
  Get(S::IDC_STEP_START)->click();
  EXPECT_FALSE(page.Step().Active());
  EXPECT_TRUE(Trouble().contains(QStringLiteral("正在监测")));
  EXPECT_TRUE(page.Monitoring());  // the monitoring goes on untouched
}

}  // namespace
}  // namespace zembra
