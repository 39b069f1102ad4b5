// The step-response figures against responses whose answers are known in
// closed form (a second-order step with damping 0.5 overshoots 16.3 %),
// sampled cleanly, irregularly, noisily, coarsely quantised and sparsely,
// stepping up and down; recordings that cannot give a figure say why; and
// samples out of order or not numbers at all change nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "monitor/StepResponse.h"

namespace zembra {
namespace {

using Shape = std::function<double(double)>;  // share of the step reached t ms after it

Shape SecondOrder(double damping, double omegaPerMs) {
  return [=](double t) {
    if (t <= 0.0) return 0.0;
    const double root = std::sqrt(1.0 - damping * damping);
    const double wd = omegaPerMs * root;
    return 1.0 - std::exp(-damping * omegaPerMs * t) *
                     (std::cos(wd * t) + damping / root * std::sin(wd * t));
  };
}

Shape FirstOrder(double tauMs, double gain) {
  return [=](double t) { return t <= 0.0 ? 0.0 : gain * (1.0 - std::exp(-t / tauMs)); };
}

// The figures read off the shape itself on a 1 µs grid, independently of
// the analysis: first crossings of 10 % and 90 % of `level`, the highest
// point, the last time outside ±2 % of the step around `level`.
struct Oracle {
  double rise = 0.0, overshoot = 0.0, peakTime = 0.0, settling = 0.0;
};

Oracle Read(const Shape& y, double level, double endMs) {
  Oracle o;
  double t10 = -1.0, t90 = -1.0, peak = -1e9, lastOutside = 0.0;
  for (double t = 0.0; t <= endMs; t += 0.001) {
    const double v = y(t);
    if (t10 < 0 && v >= 0.1 * level) t10 = t;
    if (t90 < 0 && v >= 0.9 * level) t90 = t;
    if (v > peak) peak = v, o.peakTime = t;
    if (std::fabs(v - level) > 0.02) lastOutside = t;
  }
  o.rise = t90 - t10;
  o.overshoot = std::max(0.0, (peak - level) / level * 100.0);
  o.settling = lastOutside;
  return o;
}

struct Sampling {
  double periodMs = 5.0;
  double jitterMs = 0.0;   // each interval uniform in period ± jitter
  double noise = 0.0;      // uniform ± this share of the step
  double quantum = 0.0;    // values rounded to multiples of this
  double preStepMs = 50.0;
  double endMs = 1000.0;
};

std::vector<TimedValue> Record(const Shape& y, double before, double target, double stepAt, const Sampling& s,
                               unsigned seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> jitter(-s.jitterMs, s.jitterMs);
  std::uniform_real_distribution<double> noise(-s.noise, s.noise);
  std::vector<TimedValue> out;
  for (double t = stepAt - s.preStepMs; t <= stepAt + s.endMs; t += s.periodMs + jitter(rng)) {
    double v = before + (target - before) * (y(t - stepAt) + noise(rng));
    if (s.quantum > 0.0) v = std::round(v / s.quantum) * s.quantum;
    out.push_back({t, v});
  }
  return out;
}

constexpr double kOmega = 2.0 * std::numbers::pi * 0.005;  // 5 Hz, per ms

TEST(StepResponseFigures, DampingHalfOvershoots16Point3PercentAtItsPeakTime) {
  // The textbook figures in closed form, not read off a grid.
  const double zeta = 0.5;
  const double overshoot = 100.0 * std::exp(-std::numbers::pi * zeta / std::sqrt(1 - zeta * zeta));
  const double peakTime = std::numbers::pi / (kOmega * std::sqrt(1 - zeta * zeta));
  ASSERT_NEAR(overshoot, 16.3, 0.01);
  const auto samples = Record(SecondOrder(zeta, kOmega), 0.0, 1000.0, 0.0, {.periodMs = 1.0}, 1);
  const StepFigures f = StepResponse::Analyse(samples, {0.0, 1000.0, std::nullopt});
  ASSERT_TRUE(f.overshootPercent.value);
  EXPECT_NEAR(*f.overshootPercent.value, overshoot, 0.02);
  EXPECT_NEAR(*f.peakTimeMs.value, peakTime, 0.5);
  EXPECT_NEAR(*f.steadyStateError.value, 0.0, 0.01);
  EXPECT_NEAR(*f.finalValue, 1000.0, 0.01);
}

// Each case: a shape, how it is sampled, the step's direction and size,
// and how close each figure must come to the oracle's.
struct Case {
  std::string name;
  Shape shape;
  double level;  // where the shape ends, as a share of the step
  Sampling sampling;
  double before, target;
  double timeTolerance;      // ms, for rise and peak time
  double settlingTolerance;  // share of the oracle's settling time
  double overshootTolerance; // percentage points
};

TEST(StepResponseFigures, AgreeWithTheShapeHoweverItIsSampled) {
  const Shape half = SecondOrder(0.5, kOmega);
  const Shape stiff = SecondOrder(0.8, kOmega);
  const std::vector<Case> cases = {
      {"every ms", half, 1.0, {.periodMs = 1.0}, 0, 1000, 0.5, 0.01, 0.02},
      {"every 7 ms", half, 1.0, {.periodMs = 7.0}, 0, 1000, 7.0, 0.03, 0.1},
      {"3 to 11 ms apart", half, 1.0, {.periodMs = 7.0, .jitterMs = 4.0}, 0, 1000, 11.0, 0.05, 0.2},
      {"noise of 1 %", half, 1.0, {.periodMs = 5.0, .noise = 0.01}, 0, 1000, 5.0, 0.2, 1.2},
      {"whole rpm on a 100 rpm step", half, 1.0, {.periodMs = 5.0, .quantum = 1.0}, 0, 100, 5.0, 0.1, 1.0},
      {"step down", half, 1.0, {.periodMs = 5.0}, 1000, 0, 5.0, 0.03, 0.1},
      {"step down through zero", stiff, 1.0, {.periodMs = 5.0, .jitterMs = 2.0}, 300, -200, 7.0, 0.05, 0.1},
      {"settles 10 % short", FirstOrder(40.0, 0.9), 0.9, {.periodMs = 5.0}, 0, 1000, 5.0, 0.03, 0.0},
  };
  unsigned seed = 7;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Oracle o = Read(c.shape, c.level, c.sampling.endMs);
    const auto samples = Record(c.shape, c.before, c.target, 200.0, c.sampling, ++seed);
    const StepFigures f = StepResponse::Analyse(samples, {200.0, c.target, std::nullopt});
    ASSERT_TRUE(f.riseTimeMs.value) << static_cast<int>(f.riseTimeMs.reason);
    EXPECT_NEAR(*f.riseTimeMs.value, o.rise, c.timeTolerance);
    ASSERT_TRUE(f.overshootPercent.value);
    EXPECT_NEAR(*f.overshootPercent.value, o.overshoot, c.overshootTolerance);
    if (o.overshoot > 1.0) {
      ASSERT_TRUE(f.peakTimeMs.value);
      EXPECT_NEAR(*f.peakTimeMs.value, o.peakTime, c.timeTolerance);
    }
    ASSERT_TRUE(f.settlingTimeMs.value) << static_cast<int>(f.settlingTimeMs.reason);
    EXPECT_NEAR(*f.settlingTimeMs.value, o.settling, o.settling * c.settlingTolerance);
    ASSERT_TRUE(f.steadyStateError.value);
    const double step = c.target - c.before;
    EXPECT_NEAR(*f.steadyStateError.value, step * (1.0 - c.level), std::fabs(step) * 0.01);
  }
}

TEST(StepResponseFigures, AFirstOrderResponseHasNoPeakTime) {
  const auto samples = Record(FirstOrder(30.0, 1.0), 0.0, 500.0, 0.0, {.periodMs = 5.0}, 3);
  const StepFigures f = StepResponse::Analyse(samples, {0.0, 500.0, std::nullopt});
  EXPECT_EQ(*f.overshootPercent.value, 0.0);
  EXPECT_EQ(f.peakTimeMs.reason, StepFigureReason::NoOvershoot);
  EXPECT_NEAR(*f.riseTimeMs.value, 30.0 * std::log(9.0), 0.5);  // 2.2 τ
  EXPECT_EQ(StepResponse::Text(f.peakTimeMs, 1, QStringLiteral(" ms")), QStringLiteral("无超调"));
  EXPECT_EQ(StepResponse::Text(f.riseTimeMs, 1, QStringLiteral(" ms")), QStringLiteral("65.9 ms"));
}

// Recordings that cannot support a figure: which figures stay numbers and
// which give their reason.
struct Limit {
  std::string name;
  std::vector<TimedValue> samples;
  StepSetup setup;
  StepFigureReason rise, overshoot, peak, settling, error;
};

std::vector<TimedValue> Flat(double value, double from, double to, double period) {
  std::vector<TimedValue> out;
  for (double t = from; t <= to; t += period) out.push_back({t, value});
  return out;
}

TEST(StepResponseFigures, SayWhyWhenTheRecordingCannotSupportThem) {
  using R = StepFigureReason;
  const Shape half = SecondOrder(0.5, kOmega);
  const std::vector<Limit> limits = {
      // A 100 ms rise sampled every 80 ms: one sample between 10 % and 90 %.
      {"sparse", Record(FirstOrder(45.0, 1.0), 0, 1000, 0, {.periodMs = 80.0, .endMs = 1500}, 1),
       {0.0, 1000.0, std::nullopt}, R::TooFewSamplesOnRise, R::None, R::NoOvershoot, R::None, R::None},
      // Undamped: it swings around the target for ever.
      {"never settles", Record(SecondOrder(0.0, kOmega), 0, 1000, 0, {.periodMs = 5.0}, 2),
       {0.0, 1000.0, std::nullopt}, R::None, R::None, R::None, R::NotSettled, R::NotSettled},
      // Cut off soon after the peak.
      {"recording too short", Record(half, 0, 1000, 0, {.periodMs = 5.0, .endMs = 150}, 3),
       {0.0, 1000.0, std::nullopt}, R::None, R::None, R::None, R::NotSettled, R::NotSettled},
      // Still creeping toward a target it has not reached by half.
      {"slow ramp", Record([](double t) { return t / 3000.0; }, 0, 1000, 0, {.periodMs = 10.0}, 4),
       {0.0, 1000.0, std::nullopt}, R::NotReached, R::None, R::NoOvershoot, R::NotSettled, R::NotSettled},
      {"motor never moved", Flat(250.0, -100.0, 800.0, 10.0), {0.0, 1250.0, std::nullopt},
       R::NoResponse, R::NoResponse, R::NoResponse, R::NoResponse, R::None},
      {"nothing before the step", Flat(250.0, 0.0, 800.0, 10.0), {0.0, 1250.0, std::nullopt},
       R::NoPreStepValue, R::NoPreStepValue, R::NoPreStepValue, R::NoPreStepValue, R::NoPreStepValue},
      {"step to where it stands", Flat(250.0, -100.0, 800.0, 10.0), {0.0, 250.0, std::nullopt},
       R::ZeroStep, R::ZeroStep, R::ZeroStep, R::ZeroStep, R::ZeroStep},
      {"two samples after the step", Flat(250.0, -100.0, 10.0, 10.0), {0.0, 1250.0, std::nullopt},
       R::TooFewSamples, R::TooFewSamples, R::TooFewSamples, R::TooFewSamples, R::TooFewSamples},
  };
  for (const Limit& l : limits) {
    SCOPED_TRACE(l.name);
    const StepFigures f = StepResponse::Analyse(l.samples, l.setup);
    const std::pair<const StepFigure*, R> expected[] = {{&f.riseTimeMs, l.rise}, {&f.overshootPercent, l.overshoot},
                                                        {&f.peakTimeMs, l.peak}, {&f.settlingTimeMs, l.settling},
                                                        {&f.steadyStateError, l.error}};
    for (const auto& [figure, reason] : expected) {
      EXPECT_EQ(figure->reason, reason);
      EXPECT_EQ(figure->value.has_value(), reason == R::None);
      if (reason != R::None) {
        EXPECT_FALSE(StepResponse::Text(*figure, 1, QString()).isEmpty());
      }
    }
  }
}

TEST(StepResponseFigures, AGivenValueBeforeTheStepOverridesThePreStepSamples) {
  // The pre-step samples read 0, but the caller knows the motor stood at 100.
  auto samples = Record(FirstOrder(20.0, 1.0), 0.0, 1000.0, 0.0, {.periodMs = 2.0}, 5);
  const StepFigures measured = StepResponse::Analyse(samples, {0.0, 1000.0, std::nullopt});
  const StepFigures given = StepResponse::Analyse(samples, {0.0, 1000.0, 100.0});
  EXPECT_EQ(measured.before, 0.0);
  EXPECT_EQ(given.before, 100.0);
  // The band is 2 % of a step of 900 instead of 1000: narrower, entered later.
  EXPECT_NEAR(*measured.settlingTimeMs.value, 20.0 * std::log(1000.0 / 20.0), 0.2);
  EXPECT_NEAR(*given.settlingTimeMs.value, 20.0 * std::log(1000.0 / 18.0), 0.2);
}

TEST(StepResponseFigures, OrderAndGarbageAmongTheSamplesChangeNothing) {
  std::mt19937 rng(11);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    const double zeta = std::uniform_real_distribution<double>(0.3, 1.2)(rng);
    const Shape shape = zeta < 1.0 ? SecondOrder(zeta, kOmega) : FirstOrder(25.0, 1.0);
    const auto clean = Record(shape, -500, 700, 100, {.periodMs = 6.0, .jitterMs = 3.0}, rng());
    auto messy = clean;
    std::shuffle(messy.begin(), messy.end(), rng);
    messy.insert(messy.begin() + static_cast<long>(rng() % messy.size()), TimedValue{NAN, 3.0});
    messy.push_back({400.0, INFINITY});
    messy.push_back({-INFINITY, 0.0});
    const StepSetup setup{100.0, 700.0, std::nullopt};
    const StepFigures a = StepResponse::Analyse(clean, setup);
    const StepFigures b = StepResponse::Analyse(messy, setup);
    for (const auto& [x, y] : {std::pair{a.riseTimeMs, b.riseTimeMs}, {a.overshootPercent, b.overshootPercent},
                               {a.peakTimeMs, b.peakTimeMs}, {a.settlingTimeMs, b.settlingTimeMs},
                               {a.steadyStateError, b.steadyStateError}}) {
      EXPECT_EQ(x.reason, y.reason);
      EXPECT_EQ(x.value, y.value);
    }
  }
}

}  // namespace
}  // namespace zembra
