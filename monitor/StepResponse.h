#pragma once
// The figures of one step response, from samples that each carry their own
// time: rise time (10 % to 90 %), overshoot, peak time, settling time
// (into ±2 % of the step and staying there) and steady-state error. A
// figure that the recording cannot support carries the reason instead of a
// number, so the page never shows a guess as a measurement.
//
// The response is read relative to its own end: when the last fifth of the
// recording stays within the band, its mean is the final value, and rise,
// overshoot and settling are measured on the way from the value before the
// step to that final value (a loop that settles short of its target still
// has a rise time and an overshoot; the shortfall is its steady-state
// error). When it does not settle, they are measured toward the commanded
// target instead, and settling time and steady-state error say "未稳定".
// Steps down are read like steps up.
#include <QString>
#include <optional>
#include <span>

namespace zembra {

struct TimedValue {
  double timeMs = 0.0;
  double value = 0.0;
};

struct StepSetup {
  double stepTimeMs = 0.0;  // when the step command went out
  double target = 0.0;      // what the step commanded
  // The value before the step; without it, the mean of the samples that
  // arrived before stepTimeMs.
  std::optional<double> before;
};

enum class StepFigureReason {
  None,                 // the figure is a number
  NoPreStepValue,       // no value before the step was given or recorded
  ZeroStep,             // the target equals the value before the step
  TooFewSamples,        // fewer than three samples after the step
  NoResponse,           // the value never moved a tenth of the way
  NotReached,           // never reached 90 % of the way
  TooFewSamplesOnRise,  // fewer than two samples between 10 % and 90 %
  NotSettled,           // the end of the recording is not inside the band
  NoOvershoot,          // a peak time needs a peak beyond the final value
};

struct StepFigure {
  std::optional<double> value;
  StepFigureReason reason = StepFigureReason::None;

  static StepFigure Of(double v) { return {v, StepFigureReason::None}; }
  static StepFigure Because(StepFigureReason r) { return {std::nullopt, r}; }
};

struct StepFigures {
  StepFigure riseTimeMs;
  StepFigure overshootPercent;
  StepFigure peakTimeMs;      // from the step
  StepFigure settlingTimeMs;  // from the step
  StepFigure steadyStateError;  // target minus final value, in the samples' unit

  double before = 0.0;                // the value the step started from
  std::optional<double> finalValue;   // when the response settled
};

class StepResponse {
 public:
  static constexpr double kRiseLow = 0.1;
  static constexpr double kRiseHigh = 0.9;
  static constexpr double kBand = 0.02;        // of the commanded step
  static constexpr double kTailShare = 0.2;    // of the recording after the step
  static constexpr int kMinSamples = 3;
  static constexpr int kMinRiseSamples = 2;

  // Samples may come in any order and at any spacing; samples whose time or
  // value is not a finite number are left out.
  static StepFigures Analyse(std::span<const TimedValue> samples, const StepSetup& setup);

  // "上升时间", "超调量", "峰值时间", "调节时间", "稳态误差".
  static QString RiseCaption();
  static QString OvershootCaption();
  static QString PeakCaption();
  static QString SettlingCaption();
  static QString ErrorCaption();

  // The reason in the page's words ("未稳定", "上升沿采样不足", ...).
  static QString ReasonText(StepFigureReason reason);
  // The number with `decimals` places and `unit` after it, or the reason.
  static QString Text(const StepFigure& figure, int decimals, const QString& unit);
};

}  // namespace zembra
