#include "monitor/StepResponse.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zembra {

namespace {

// A sample after the step, its value as the share of the commanded step
// travelled (0 before the step, 1 at the target), whichever way the step goes.
struct Point {
  double t;  // ms after the step
  double y;
};

StepFigures AllBecause(StepFigureReason reason, double before) {
  StepFigures f;
  f.riseTimeMs = f.overshootPercent = f.peakTimeMs = f.settlingTimeMs = f.steadyStateError =
      StepFigure::Because(reason);
  f.before = before;
  return f;
}

// Time at which the straight line from a to b reaches level y.
double Crossing(const Point& a, const Point& b, double level) {
  if (b.y == a.y) return b.t;
  const double share = std::clamp((level - a.y) / (b.y - a.y), 0.0, 1.0);
  return a.t + share * (b.t - a.t);
}

// The first crossing of `level` from below, starting at the step itself,
// where the response still stands at 0. Index of the first sample at or
// above it, or -1.
long FirstAtOrAbove(const std::vector<Point>& points, double level) {
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (points[i].y >= level) return static_cast<long>(i);
  }
  return -1;
}

Point Before(const std::vector<Point>& points, long index) {
  return index > 0 ? points[static_cast<std::size_t>(index) - 1] : Point{0.0, 0.0};
}

}  // namespace

StepFigures StepResponse::Analyse(std::span<const TimedValue> samples, const StepSetup& setup) {
  std::vector<TimedValue> clean;
  clean.reserve(samples.size());
  for (const TimedValue& s : samples) {
    if (std::isfinite(s.timeMs) && std::isfinite(s.value)) clean.push_back(s);
  }
  std::stable_sort(clean.begin(), clean.end(),
                   [](const TimedValue& a, const TimedValue& b) { return a.timeMs < b.timeMs; });
  const auto firstAfter = std::find_if(clean.begin(), clean.end(),
                                       [&](const TimedValue& s) { return s.timeMs >= setup.stepTimeMs; });

  double before = 0.0;
  if (setup.before && std::isfinite(*setup.before)) {
    before = *setup.before;
  } else if (firstAfter != clean.begin()) {
    double sum = 0.0;
    for (auto it = clean.begin(); it != firstAfter; ++it) sum += it->value;
    before = sum / static_cast<double>(firstAfter - clean.begin());
  } else {
    return AllBecause(StepFigureReason::NoPreStepValue, 0.0);
  }

  const double step = setup.target - before;
  if (!std::isfinite(step) || step == 0.0) return AllBecause(StepFigureReason::ZeroStep, before);
  if (clean.end() - firstAfter < kMinSamples) return AllBecause(StepFigureReason::TooFewSamples, before);

  std::vector<Point> points;
  points.reserve(static_cast<std::size_t>(clean.end() - firstAfter));
  for (auto it = firstAfter; it != clean.end(); ++it) {
    points.push_back({it->timeMs - setup.stepTimeMs, (it->value - before) / step});
  }

  // The end of the recording: the last fifth of it, and never fewer than
  // kMinSamples, so a sparse recording still has a tail to judge.
  const double tailStart = points.back().t * (1.0 - kTailShare);
  std::size_t tailFirst = points.size();
  while (tailFirst > 0 && points[tailFirst - 1].t >= tailStart) --tailFirst;
  tailFirst = std::min(tailFirst, points.size() - kMinSamples);
  double tailSum = 0.0;
  for (std::size_t i = tailFirst; i < points.size(); ++i) tailSum += points[i].y;
  const double tailMean = tailSum / static_cast<double>(points.size() - tailFirst);
  const bool settled = std::all_of(points.begin() + static_cast<long>(tailFirst), points.end(),
                                   [&](const Point& p) { return std::fabs(p.y - tailMean) <= kBand; });

  StepFigures f;
  f.before = before;
  const double level = settled ? tailMean : 1.0;
  if (settled) {
    f.finalValue = before + tailMean * step;
    f.steadyStateError = StepFigure::Of(setup.target - *f.finalValue);
  } else {
    f.steadyStateError = StepFigure::Because(StepFigureReason::NotSettled);
  }

  if (level < kRiseLow) {
    // Settled where it started (or moved away from the target): nothing
    // rose, overshot or settled toward the step.
    f.riseTimeMs = f.overshootPercent = f.peakTimeMs = f.settlingTimeMs =
        StepFigure::Because(StepFigureReason::NoResponse);
    return f;
  }

  // Rise: first crossings of 10 % and 90 % of the way, interpolated
  // between the samples around them.
  const long low = FirstAtOrAbove(points, kRiseLow * level);
  const long high = FirstAtOrAbove(points, kRiseHigh * level);
  if (low < 0 || high < 0) {
    f.riseTimeMs = StepFigure::Because(StepFigureReason::NotReached);
  } else if (high - low < kMinRiseSamples) {
    f.riseTimeMs = StepFigure::Because(StepFigureReason::TooFewSamplesOnRise);
  } else {
    const double t10 = Crossing(Before(points, low), points[static_cast<std::size_t>(low)], kRiseLow * level);
    const double t90 = Crossing(Before(points, high), points[static_cast<std::size_t>(high)], kRiseHigh * level);
    f.riseTimeMs = StepFigure::Of(t90 - t10);
  }

  // Overshoot: the farthest point beyond the final value, as a share of
  // the way travelled. Only points before the tail count: a highest point
  // inside the tail is the end still creeping up within the band, not a
  // peak. A peak held over several samples (coarse values) is timed at the
  // middle of its plateau.
  const auto peakEnd = settled ? points.begin() + static_cast<long>(tailFirst) : points.end();
  const auto peak = std::max_element(points.begin(), peakEnd,
                                     [](const Point& a, const Point& b) { return a.y < b.y; });
  if (peak != peakEnd && peak->y > level) {
    auto plateauEnd = peak;
    while (plateauEnd + 1 != peakEnd && (plateauEnd + 1)->y == peak->y) ++plateauEnd;
    f.overshootPercent = StepFigure::Of((peak->y - level) / level * 100.0);
    f.peakTimeMs = StepFigure::Of((peak->t + plateauEnd->t) / 2.0);
  } else {
    f.overshootPercent = StepFigure::Of(0.0);
    f.peakTimeMs = StepFigure::Because(StepFigureReason::NoOvershoot);
  }

  // Settling: from the last sample outside the band, where the line to
  // the next sample enters it. The step itself (0 of the way) lies
  // outside, so a response that is inside from its first sample settles
  // between the step and that sample.
  if (!settled) {
    f.settlingTimeMs = StepFigure::Because(StepFigureReason::NotSettled);
  } else {
    long lastOutside = -1;
    for (std::size_t i = points.size(); i-- > 0;) {
      if (std::fabs(points[i].y - level) > kBand) {
        lastOutside = static_cast<long>(i);
        break;
      }
    }
    const Point out = lastOutside < 0 ? Point{0.0, 0.0} : points[static_cast<std::size_t>(lastOutside)];
    const Point in = points[static_cast<std::size_t>(lastOutside + 1)];
    const double edge = out.y > level ? level + kBand : level - kBand;
    f.settlingTimeMs = StepFigure::Of(Crossing(out, in, edge));
  }
  return f;
}

QString StepResponse::RiseCaption() { return QStringLiteral("上升时间"); }
QString StepResponse::OvershootCaption() { return QStringLiteral("超调量"); }
QString StepResponse::PeakCaption() { return QStringLiteral("峰值时间"); }
QString StepResponse::SettlingCaption() { return QStringLiteral("调节时间"); }
QString StepResponse::ErrorCaption() { return QStringLiteral("稳态误差"); }

QString StepResponse::ReasonText(StepFigureReason reason) {
  switch (reason) {
    case StepFigureReason::None: return {};
    case StepFigureReason::NoPreStepValue: return QStringLiteral("缺少阶跃前数据");
    case StepFigureReason::ZeroStep: return QStringLiteral("阶跃为零");
    case StepFigureReason::TooFewSamples: return QStringLiteral("采样不足");
    case StepFigureReason::NoResponse: return QStringLiteral("无响应");
    case StepFigureReason::NotReached: return QStringLiteral("未达到90%");
    case StepFigureReason::TooFewSamplesOnRise: return QStringLiteral("上升沿采样不足");
    case StepFigureReason::NotSettled: return QStringLiteral("未稳定");
    case StepFigureReason::NoOvershoot: return QStringLiteral("无超调");
  }
  return {};
}

QString StepResponse::Text(const StepFigure& figure, int decimals, const QString& unit) {
  if (!figure.value) return ReasonText(figure.reason);
  return QString::number(*figure.value, 'f', decimals) + unit;
}

}  // namespace zembra
