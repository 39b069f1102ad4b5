// The kept step tests: five at most with the newest last, colours that
// never repeat among the runs on the chart (the one being recorded
// included), labels with their gains and figures, and a CSV that reads
// back to the very samples and gains it was made from.
#include <gtest/gtest.h>

#include <QList>
#include <random>
#include <set>

#include "monitor/StepRunCsv.h"
#include "monitor/StepRunHistory.h"

namespace zembra {
namespace {

StepRun MakeRun(std::mt19937& rng) {
  std::uniform_int_distribution<int> gain(0, 5000);
  std::uniform_int_distribution<int> count(1, 60);
  std::uniform_real_distribution<double> value(-30000.0, 30000.0);
  StepRun run;
  run.kind = rng() % 2 ? StepKind::SpeedStep : StepKind::RelativeMove;
  run.size = 1000;
  run.gains = {{double(gain(rng)), rng() % 4 == 0}, {gain(rng) / 7.0, false}, {double(gain(rng)), false},
               {double(gain(rng)), rng() % 5 == 0}};
  double t = -200.0 + (rng() % 50);
  for (int i = count(rng); i > 0; --i) {
    run.samples.push_back({t, std::round(value(rng) * 1000.0) / 1000.0});
    t += 1.0 + rng() % 13;
  }
  return run;
}

TEST(StepRunHistory, KeepsTheNewestFiveInColoursNoOtherKeptRunHas) {
  std::mt19937 rng(19);
  StepRunHistory history;
  for (int added = 1; added <= 12; ++added) {
    const int next = history.NextColour();
    for (const StepRun& kept : history.Runs()) EXPECT_NE(kept.colourIndex, next) << added;
    const StepRun& run = history.Add(MakeRun(rng));
    EXPECT_EQ(run.number, added);
    EXPECT_EQ(run.colourIndex, next);
    ASSERT_EQ(history.Runs().size(), static_cast<std::size_t>(std::min(added, StepRunHistory::kKept)));
    EXPECT_EQ(history.Runs().front().number, std::max(1, added - StepRunHistory::kKept + 1));
    std::set<int> colours;
    for (const StepRun& kept : history.Runs()) colours.insert(kept.colourIndex);
    EXPECT_EQ(colours.size(), history.Runs().size()) << added;
  }
  // Numbers go on after a clear, so a label never names two runs.
  history.Clear();
  EXPECT_TRUE(history.Empty());
  EXPECT_EQ(history.Add(MakeRun(rng)).number, 13);
}

TEST(StepRunHistory, PaletteColoursAreApartFromEachOtherAndFromWhite) {
  auto distance = [](const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
  };
  for (int i = 0; i < StepRunHistory::kPaletteSize; ++i) {
    EXPECT_GT(distance(StepRunHistory::Colour(i), Qt::white), 200) << i;
    for (int j = i + 1; j < StepRunHistory::kPaletteSize; ++j)
      EXPECT_GT(distance(StepRunHistory::Colour(i), StepRunHistory::Colour(j)), 90) << i << " " << j;
  }
}

TEST(StepRunHistory, LabelNamesGainsAccelerationAndFiguresAndMarksUnwrittenValues) {
  StepRun run;
  run.number = 3;
  run.gains = {{200, false}, {30, true}, {0, false}, {10000, false}};
  run.figures.riseTimeMs = StepFigure::Of(12.34);
  run.figures.overshootPercent = StepFigure::Because(StepFigureReason::NoOvershoot);
  EXPECT_EQ(StepRunHistory::Label(run),
            QStringLiteral("#3 Kp=200 Ki=30(未写入) Kd=0 加速度=10000 上升时间 12.3ms 超调量 无超调"));
  run.kind = StepKind::RelativeMove;
  EXPECT_TRUE(StepRunHistory::Label(run).startsWith(QStringLiteral("#3 位置 Kp=200")));
  const QStringList lines = StepRunHistory::FigureLines(run);
  ASSERT_EQ(lines.size(), 5);
  EXPECT_EQ(lines[0], QStringLiteral("上升时间：12.3 ms"));
}

TEST(StepRunCsv, ReadsBackToTheSamplesAndGainsOfEveryKeptRun) {
  std::mt19937 rng(1919);
  for (int round = 0; round < 20; ++round) {
    StepRunHistory history;
    for (int i = rng() % 8; i > 0; --i) history.Add(MakeRun(rng));
    const QString csv = QString::fromUtf8(StepRunCsv::Format(history));
    QStringList lines = csv.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.takeLast(), QString());  // every line ends in CR LF
    ASSERT_EQ(lines.takeFirst(),
              QStringLiteral("运行,类型,时间(ms),数值,比例系数,积分系数,微分系数,加速度,含未写入的值"));
    int row = 0;
    for (const StepRun& run : history.Runs()) {
      const StepGains& g = run.gains;
      const bool unwritten = g.proportional.unwritten || g.integral.unwritten || g.derivative.unwritten ||
                             g.acceleration.unwritten;
      for (const TimedValue& s : run.samples) {
        ASSERT_LT(row, lines.size());
        const QStringList cells = lines[row++].split(QLatin1Char(','));
        ASSERT_EQ(cells.size(), 9);
        EXPECT_EQ(cells[0].toInt(), run.number);
        EXPECT_EQ(cells[1], StepRunHistory::KindName(run.kind));
        EXPECT_EQ(cells[2].toDouble(), s.timeMs);
        EXPECT_EQ(cells[3].toDouble(), s.value);
        EXPECT_EQ(cells[4].toDouble(), g.proportional.value);
        EXPECT_EQ(cells[5].toDouble(), g.integral.value);
        EXPECT_EQ(cells[6].toDouble(), g.derivative.value);
        EXPECT_EQ(cells[7].toDouble(), g.acceleration.value);
        EXPECT_EQ(cells[8], unwritten ? QStringLiteral("是") : QStringLiteral("否"));
      }
    }
    EXPECT_EQ(row, lines.size());
  }
}

}  // namespace
}  // namespace zembra
