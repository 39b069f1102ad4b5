#pragma once
// The step tests kept side by side: the newest five, each in a colour of
// its own, with the label the legend shows and the figures the page lists.
#include <QColor>
#include <QString>
#include <QStringList>
#include <deque>

#include "monitor/StepRun.h"

namespace zembra {

class StepRunHistory {
 public:
  static constexpr int kKept = 5;
  // One colour more than runs kept, so a run being recorded never shares
  // a colour with the five on the chart.
  static constexpr int kPaletteSize = kKept + 1;

  static QColor Colour(int index);
  // A colour no kept run has: the one the next run is drawn in.
  int NextColour() const;

  // Keeps `run` as the newest, numbered and coloured; the oldest goes
  // when more than five are kept.
  const StepRun& Add(StepRun run);
  void Clear();
  const std::deque<StepRun>& Runs() const { return m_runs; }
  bool Empty() const { return m_runs.empty(); }

  // "#3 Kp=200 Ki=20 Kd=0 加速度=10000 上升时间 12.3ms 超调量 4.1%"; a gain
  // not yet written is marked "(未写入)".
  static QString Label(const StepRun& run);
  // The figures of one run, one "caption：text" line each.
  static QStringList FigureLines(const StepRun& run);
  // "RPM" for a speed step; a move counts encoder counts.
  static QString Unit(StepKind kind);
  static QString KindName(StepKind kind);

 private:
  std::deque<StepRun> m_runs;
  int m_count = 0;
};

}  // namespace zembra
