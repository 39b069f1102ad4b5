// The step-response figures against responses whose answers are known
// (a second-order step with damping 0.5 overshoots 16.3 %), sampled cleanly,
// irregularly, noisily, quantised and sparsely, stepping up and down, in
// order or shuffled among samples that are not numbers; recordings that
// cannot give a figure say why.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

#include "monitor/StepResponse.h"

namespace zembra {
namespace {

using Shape = std::function<double(double)>;  // share of the step reached t ms after it

Shape SecondOrder(double zeta, double omegaPerMs) {
  return [=](double t) {
    const double root = std::sqrt(1.0 - zeta * zeta), wd = omegaPerMs * root;
    return t <= 0 ? 0.0 : 1.0 - std::exp(-zeta * omegaPerMs * t) * (std::cos(wd * t) + zeta / root * std::sin(wd * t));
  };
}
Shape FirstOrder(double tauMs, double gain) {
  return [=](double t) { return t <= 0 ? 0.0 : gain * (1.0 - std::exp(-t / tauMs)); };
}
constexpr double kOmega = 2.0 * std::numbers::pi * 0.005;  // 5 Hz, per ms

// The figures read off the shape itself on a 1 µs grid, independently of
// the analysis: first crossings of 10 % and 90 % of `level`, the highest
// point, the last time outside ±2 % of the step around `level`.
struct Oracle {
  double rise = 0, overshoot = 0, peakTime = 0, settling = 0;
};
Oracle Read(const Shape& y, double level, double endMs) {
  Oracle o;
  double t10 = -1, t90 = -1, peak = -1e9;
  for (double t = 0.0; t <= endMs; t += 0.001) {
    const double v = y(t);
    if (t10 < 0 && v >= 0.1 * level) t10 = t;
    if (t90 < 0 && v >= 0.9 * level) t90 = t;
    if (v > peak) peak = v, o.peakTime = t;
    if (std::fabs(v - level) > 0.02) o.settling = t;
  }
  o.rise = t90 - t10;
  o.overshoot = std::max(0.0, (peak - level) / level * 100.0);
  return o;
}

struct Sampling {
  double periodMs = 5, jitterMs = 0;  // each interval period ± jitter
  double noise = 0;                   // uniform ± this share of the step
  double quantum = 0;                 // values rounded to multiples of this
  double preStepMs = 50, endMs = 1000;
};
std::vector<TimedValue> Record(const Shape& y, double before, double target, const Sampling& s, unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> jitter(-s.jitterMs, s.jitterMs), noise(-s.noise, s.noise);
  std::vector<TimedValue> out;
  for (double t = -s.preStepMs; t <= s.endMs; t += s.periodMs + jitter(rng)) {
    double v = before + (target - before) * (y(t) + noise(rng));
    if (s.quantum > 0) v = std::round(v / s.quantum) * s.quantum;
    out.push_back({t, v});
  }
  return out;
}

TEST(StepResponseFigures, AgreeWithTheShapeHoweverItIsSampled) {
  const Shape half = SecondOrder(0.5, kOmega);
  ASSERT_NEAR(Read(half, 1.0, 1000).overshoot, 100 * std::exp(-std::numbers::pi * 0.5 / std::sqrt(0.75)), 1e-4);
  ASSERT_NEAR(Read(half, 1.0, 1000).overshoot, 16.3, 0.01);
  struct Case {
    const char* name;
    Shape shape;
    double level;  // where the shape ends, as a share of the step
    Sampling sampling;
    double before, target;
    bool givenBefore;     // the caller passes the value before the step; nothing recorded before it
    double timeTol;       // ms, rise and peak time
    double settlingTol;   // share of the settling time
    double overshootTol;  // percentage points
  };
  const std::vector<Case> cases = {
      {"every ms", half, 1, {.periodMs = 1}, 0, 1000, false, 0.5, 0.01, 0.02},
      {"every 7 ms", half, 1, {.periodMs = 7}, 0, 1000, false, 7, 0.03, 0.1},
      {"3 to 11 ms apart", half, 1, {.periodMs = 7, .jitterMs = 4}, 0, 1000, false, 11, 0.05, 0.2},
      {"noise of 1 %", half, 1, {.noise = 0.01}, 0, 1000, false, 5, 0.2, 1.2},
      {"whole rpm on a 100 rpm step", half, 1, {.quantum = 1}, 0, 100, false, 5, 0.1, 1.0},
      {"step down", half, 1, {}, 1000, 0, false, 5, 0.03, 0.1},
      {"down through zero, value before given", SecondOrder(0.8, kOmega), 1, {.jitterMs = 2, .preStepMs = 0},
       300, -200, true, 7, 0.05, 0.1},
      {"settles 10 % short", FirstOrder(40, 0.9), 0.9, {}, 0, 1000, false, 5, 0.03, 0.0},
  };
  unsigned seed = 7;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Oracle o = Read(c.shape, c.level, c.sampling.endMs);
    const auto samples = Record(c.shape, c.before, c.target, c.sampling, ++seed);
    const StepFigures f = StepResponse::Analyse(samples, {0, c.target, c.givenBefore ? std::optional(c.before) : std::nullopt});
    ASSERT_TRUE(f.riseTimeMs.value && f.overshootPercent.value && f.settlingTimeMs.value && f.steadyStateError.value);
    EXPECT_NEAR(*f.riseTimeMs.value, o.rise, c.timeTol);
    EXPECT_NEAR(*f.overshootPercent.value, o.overshoot, c.overshootTol);
    EXPECT_EQ(f.peakTimeMs.value.has_value(), o.overshoot > 0);
    if (f.peakTimeMs.value) {
      EXPECT_NEAR(*f.peakTimeMs.value, o.peakTime, c.timeTol);
    }
    EXPECT_NEAR(*f.settlingTimeMs.value, o.settling, o.settling * c.settlingTol);
    const double step = c.target - c.before;
    EXPECT_NEAR(*f.steadyStateError.value, step * (1.0 - c.level), std::fabs(step) * 0.01);

    // Shuffled, with samples that are not numbers: the same figures.
    auto messy = samples;
    std::shuffle(messy.begin(), messy.end(), std::mt19937(seed));
    messy.insert(messy.begin() + static_cast<long>(seed % messy.size()), {{NAN, 3.0}, {400.0, INFINITY}, {-INFINITY, 0}});
    const StepFigures g = StepResponse::Analyse(messy, {0, c.target, c.givenBefore ? std::optional(c.before) : std::nullopt});
    for (const auto& [x, y] : {std::pair{f.riseTimeMs, g.riseTimeMs}, {f.overshootPercent, g.overshootPercent},
                               {f.peakTimeMs, g.peakTimeMs}, {f.settlingTimeMs, g.settlingTimeMs},
                               {f.steadyStateError, g.steadyStateError}}) {
      EXPECT_EQ(x.value, y.value);
    }
  }
}

std::vector<TimedValue> Flat(double value, double from, double to) {
  std::vector<TimedValue> out;
  for (double t = from; t <= to; t += 10) out.push_back({t, value});
  return out;
}

TEST(StepResponseFigures, SayWhyWhenTheRecordingCannotSupportThem) {
  using R = StepFigureReason;
  struct Limit {
    const char* name;
    std::vector<TimedValue> samples;
    double target;
    R rise, overshoot, peak, settling, error;
  };
  const std::vector<Limit> limits = {
      // A 100 ms rise sampled every 80 ms: one sample between 10 % and 90 %.
      {"sparse", Record(FirstOrder(45, 1), 0, 1000, {.periodMs = 80, .endMs = 1500}, 1), 1000, R::TooFewSamplesOnRise,
       R::None, R::NoOvershoot, R::None, R::None},
      {"undamped", Record(SecondOrder(0, kOmega), 0, 1000, {}, 2), 1000, R::None, R::None, R::None, R::NotSettled,
       R::NotSettled},
      {"cut off after the peak", Record(SecondOrder(0.5, kOmega), 0, 1000, {.endMs = 150}, 3), 1000, R::None,
       R::None, R::None, R::NotSettled, R::NotSettled},
      {"a third of the way", Record([](double t) { return t / 3000; }, 0, 1000, {.periodMs = 10}, 4), 1000,
       R::NotReached, R::None, R::NoOvershoot, R::NotSettled, R::NotSettled},
      {"never moved", Flat(250, -100, 800), 1250, R::NoResponse, R::NoResponse, R::NoResponse, R::NoResponse, R::None},
      {"nothing before the step", Flat(250, 0, 800), 1250, R::NoPreStepValue, R::NoPreStepValue,
       R::NoPreStepValue, R::NoPreStepValue, R::NoPreStepValue},
      {"step to where it stands", Flat(250, -100, 800), 250, R::ZeroStep, R::ZeroStep, R::ZeroStep, R::ZeroStep,
       R::ZeroStep},
      {"two samples after the step", Flat(250, -100, 10), 1250, R::TooFewSamples, R::TooFewSamples,
       R::TooFewSamples, R::TooFewSamples, R::TooFewSamples},
  };
  for (const Limit& l : limits) {
    SCOPED_TRACE(l.name);
    const StepFigures f = StepResponse::Analyse(l.samples, {0, l.target, std::nullopt});
    const std::pair<StepFigure, R> expected[] = {{f.riseTimeMs, l.rise}, {f.overshootPercent, l.overshoot},
                                                 {f.peakTimeMs, l.peak}, {f.settlingTimeMs, l.settling},
                                                 {f.steadyStateError, l.error}};
    for (const auto& [figure, reason] : expected) {
      EXPECT_EQ(figure.reason, reason);
      EXPECT_EQ(figure.value.has_value(), reason == R::None);
      EXPECT_EQ(StepResponse::Text(figure, 1, QString()).isEmpty(), false);
    }
  }
  EXPECT_EQ(StepResponse::Text(StepFigure::Because(R::NotSettled), 1, QStringLiteral(" ms")), QStringLiteral("未稳定"));
  EXPECT_EQ(StepResponse::Text(StepFigure::Of(65.94), 1, QStringLiteral(" ms")), QStringLiteral("65.9 ms"));
}

}  // namespace
}  // namespace zembra
