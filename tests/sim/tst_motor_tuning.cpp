// The virtual drive's loops obey its gains: its own step responses, sampled
// as the monitoring page samples them and read by the page's step-response
// analysis, go the way a real drive's do when a gain changes (more speed
// P, a shorter rise; more speed I, more overshoot; a lower peak current, a
// slower rise without the integral winding up; more position P, a shorter
// move; position I, an overshoot), the factory gains give a well-damped
// step the analysis can measure, and the model is the same curve however
// its clock is advanced.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "monitor/StepResponse.h"
#include "sim/DriveModel.h"

namespace zembra::sim {
namespace {

struct StepRun {
  StepFigures figures;
  double largestCurrentMa = 0.0;
};

struct StepPlan {
  std::vector<std::string> setup = {};  // commands before the step
  std::string step = {};                // "V…" or "MR…"
  double target = 0.0;
  int pollMs = 5;
  int jitterMs = 0;  // each interval pollMs ± this
  int recordMs = 1500;
  int leadMs = 50;   // recorded before the step, after the setup
  unsigned seed = 1;
};

// Runs the plan on a fresh virtual drive, polling the speed (or, for a
// move, the position) as the page does, and analyses what it recorded.
StepRun Record(const StepPlan& plan) {
  DriveModel drive;
  std::uint32_t now = 0xFFFFF000u;  // the tick wraps during the run
  drive.Motor().AdvanceTo(now);
  for (const std::string& command : plan.setup) EXPECT_EQ(drive.Handle(command, now), "#OK\r\n") << command;
  const Measurement what = plan.step.rfind("MR", 0) == 0 ? Measurement::Position : Measurement::Speed;
  const std::uint32_t start = now + static_cast<std::uint32_t>(plan.leadMs);
  now = start - 50;
  drive.Motor().AdvanceTo(now);
  std::mt19937 rng(plan.seed);
  std::uniform_int_distribution<int> jitter(-plan.jitterMs, plan.jitterMs);
  StepRun run;
  std::vector<TimedValue> samples;
  bool stepped = false;
  while (static_cast<std::int32_t>(now - start) <= plan.recordMs) {
    if (!stepped && static_cast<std::int32_t>(now - start) >= 0) {
      drive.Handle(plan.step, start);
      stepped = true;
    }
    samples.push_back({static_cast<double>(static_cast<std::int32_t>(now - start)),
                       static_cast<double>(drive.Measure(what, now))});
    run.largestCurrentMa = std::max(run.largestCurrentMa, std::fabs(drive.Motor().CurrentMa()));
    now += static_cast<std::uint32_t>(plan.pollMs + jitter(rng));
  }
  run.figures = StepResponse::Analyse(samples, {0.0, plan.target, std::nullopt});
  return run;
}

double Rise(const StepRun& run) {
  EXPECT_TRUE(run.figures.riseTimeMs.value) << StepResponse::ReasonText(run.figures.riseTimeMs.reason).toStdString();
  return run.figures.riseTimeMs.value.value_or(NAN);
}

double Overshoot(const StepRun& run) { return run.figures.overshootPercent.value.value_or(NAN); }

// The 加速度 that makes the reference a step (300000 rpm/s), so the loop
// and not the ramp shapes the rise; a 100 rpm step keeps the current far
// from its limit, where the loop is linear.
const std::vector<std::string> kSteep = {"A10000"};

TEST(MotorTuning, MoreSpeedProportionalGainShortensTheRise) {
  double previous = INFINITY;
  for (const char* gain : {"P100", "P200", "P400", "P800"}) {
    SCOPED_TRACE(gain);
    auto setup = kSteep;
    setup.push_back(gain);
    const StepRun run = Record({.setup = setup, .step = "V100", .target = 100, .pollMs = 1, .recordMs = 600});
    EXPECT_LT(Rise(run), 0.8 * previous);
    EXPECT_LT(run.largestCurrentMa, 12000.0);
    previous = Rise(run);
  }
}

TEST(MotorTuning, MoreSpeedIntegralGainAddsOvershoot) {
  double previous = -1.0;
  for (const char* gain : {"I20", "I50", "I100", "I200"}) {
    SCOPED_TRACE(gain);
    auto setup = kSteep;
    setup.push_back(gain);
    const StepRun run = Record({.setup = setup, .step = "V100", .target = 100, .pollMs = 2, .recordMs = 800});
    EXPECT_GT(Overshoot(run), previous + 4.0);
    previous = Overshoot(run);
    ASSERT_TRUE(run.figures.settlingTimeMs.value);
  }
}

TEST(MotorTuning, ALowerPeakCurrentSlowsALargeStepWithoutWindingUp) {
  double previous = 0.0;
  for (int peak : {12000, 6000, 3000, 1500}) {
    SCOPED_TRACE(peak);
    auto setup = kSteep;
    setup.push_back("SPC" + std::to_string(peak));
    const StepRun run = Record({.setup = setup, .step = "V1000", .target = 1000, .pollMs = 2, .recordMs = 1000});
    EXPECT_GT(Rise(run), 1.3 * previous);
    EXPECT_LE(run.largestCurrentMa, peak);
    // Held at the limit, the integral must not store what the current
    // could not give, or it comes out as overshoot.
    EXPECT_LT(Overshoot(run), 5.0);
    // Held at the limit, the rise is the acceleration the current gives.
    if (peak <= 3000) {
      EXPECT_NEAR(Rise(run), 800.0 / (peak / 0.2) * 1000.0, 0.25 * Rise(run));
    }
    previous = Rise(run);
  }
}

TEST(MotorTuning, FactoryGainsGiveAWellDampedStepThatTheAnalysisCanMeasure) {
  struct Case {
    const char* name;
    StepPlan plan;
    double maxOvershoot, maxSettlingMs;
  };
  const std::vector<Case> cases = {
      // The factory ramp (3000 rpm/s) shapes a 1000 rpm step: about 270 ms
      // from 10 % to 90 %, then a small overshoot.
      {"1000 rpm every 5 ms", {.step = "V1000", .target = 1000, .pollMs = 5}, 5.0, 1000},
      {"1000 rpm every 7 to 13 ms", {.step = "V1000", .target = 1000, .pollMs = 10, .jitterMs = 3}, 5.0, 1000},
      {"1000 rpm down to rest",
       {.setup = {"V1000"}, .step = "V0", .target = 0, .pollMs = 5, .jitterMs = 2, .leadMs = 1500}, 5.0, 1000},
      {"100 rpm, steep ramp", {.setup = kSteep, .step = "V100", .target = 100, .pollMs = 2}, 10.0, 300},
      {"a move of one turn", {.step = "MR10000", .target = 10000, .pollMs = 5, .jitterMs = 2}, 1.0, 600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const StepRun run = Record(c.plan);
    const StepFigures& f = run.figures;
    ASSERT_TRUE(f.riseTimeMs.value) << StepResponse::ReasonText(f.riseTimeMs.reason).toStdString();
    ASSERT_TRUE(f.settlingTimeMs.value) << StepResponse::ReasonText(f.settlingTimeMs.reason).toStdString();
    ASSERT_TRUE(f.steadyStateError.value);
    EXPECT_LE(*f.overshootPercent.value, c.maxOvershoot);
    EXPECT_LT(*f.settlingTimeMs.value, c.maxSettlingMs);
    const double step = c.plan.target - f.before;
    EXPECT_LT(std::fabs(*f.steadyStateError.value), 0.005 * std::fabs(step) + 1.0);
    // Several samples on the rise, however the page polls.
    EXPECT_GT(*f.riseTimeMs.value, 4 * c.plan.pollMs);
  }
}

TEST(MotorTuning, MorePositionProportionalGainShortensAMoveAndPositionIntegralOvershoots) {
  double previous = INFINITY;
  for (const char* gain : {"MP10", "MP20", "MP40"}) {
    SCOPED_TRACE(gain);
    const StepRun run = Record({.setup = {gain}, .step = "MR10000", .target = 10000, .recordMs = 2000});
    EXPECT_LT(*run.figures.settlingTimeMs.value, 0.9 * previous);
    EXPECT_LT(Overshoot(run), 0.5);
    previous = *run.figures.settlingTimeMs.value;
  }
  const StepRun withIntegral = Record({.setup = {"MI100"}, .step = "MR10000", .target = 10000, .recordMs = 2000});
  EXPECT_GT(Overshoot(withIntegral), 5.0);
}

// The same commands at the same ticks give the same curve, bit for bit,
// whether the clock is advanced every millisecond or in uneven leaps.
TEST(MotorTuning, TheCurveDoesNotDependOnHowTheClockIsAdvanced) {
  std::mt19937 rng(5);
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    DriveModel fine, coarse;
    std::uint32_t now = 0xFFFFFE00u + static_cast<std::uint32_t>(rng() % 400);
    fine.Motor().AdvanceTo(now);
    coarse.Motor().AdvanceTo(now);
    const std::vector<std::pair<std::uint32_t, std::string>> script = {
        {0, "V1500"}, {180, "P350"}, {400, "I90"}, {650, "MR-20000"}, {900, "SBS"}, {1100, "CBS"}, {1150, "V-700"}};
    std::uint32_t t = 0;
    std::size_t next = 0;
    while (t < 1600) {
      const std::uint32_t leap = 1 + rng() % 37;
      for (std::uint32_t i = 0; i < leap; ++i) fine.Motor().AdvanceTo(now + t + i + 1);
      t += leap;
      coarse.Motor().AdvanceTo(now + t);
      ASSERT_EQ(fine.Motor().SpeedRpm(), coarse.Motor().SpeedRpm()) << t;
      ASSERT_EQ(fine.Motor().PositionCounts(), coarse.Motor().PositionCounts()) << t;
      ASSERT_EQ(fine.Motor().CurrentMa(), coarse.Motor().CurrentMa()) << t;
      while (next < script.size() && script[next].first <= t) {
        fine.Handle(script[next].second, now + t);
        coarse.Handle(script[next].second, now + t);
        ++next;
      }
    }
  }
}

}  // namespace
}  // namespace zembra::sim
