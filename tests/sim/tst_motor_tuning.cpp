// The virtual drive's loops obey its gains: its own step responses, polled
// as the monitoring page polls and read by the page's step-response
// analysis, move the way a real drive's do when a gain changes; the
// factory gains give a well-damped step the analysis can measure; the
// curve does not depend on how the clock is advanced.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "monitor/StepResponse.h"
#include "sim/DriveModel.h"

namespace zembra::sim {
namespace {

struct StepPlan {
  std::vector<std::string> setup = {};  // commands before the step
  std::string step = {};                // "V…" or "MR…"
  double target = 0;
  int pollMs = 5, jitterMs = 0;  // each interval pollMs ± jitterMs
  int recordMs = 1500;
  int leadMs = 50;  // from the setup to the step
};

struct StepRun {
  StepFigures figures;
  double largestCurrentMa = 0;
};

// Runs the plan on a fresh drive whose tick wraps meanwhile, polling the
// speed (the position for a move) from 50 ms before the step.
StepRun Record(const StepPlan& plan, unsigned seed = 1) {
  DriveModel drive;
  std::uint32_t now = 0xFFFFF000u;
  drive.Motor().AdvanceTo(now);
  for (const std::string& command : plan.setup) EXPECT_EQ(drive.Handle(command, now), "#OK\r\n") << command;
  const Measurement what = plan.step.starts_with("MR") ? Measurement::Position : Measurement::Speed;
  const std::uint32_t start = now + static_cast<std::uint32_t>(plan.leadMs);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> jitter(-plan.jitterMs, plan.jitterMs);
  StepRun run;
  std::vector<TimedValue> samples;
  for (now = start - 50; static_cast<std::int32_t>(now - start) <= plan.recordMs;
       now += static_cast<std::uint32_t>(plan.pollMs + jitter(rng))) {
    if (samples.empty() || samples.back().timeMs < 0) {
      if (static_cast<std::int32_t>(now - start) >= 0) drive.Handle(plan.step, start);
    }
    samples.push_back({static_cast<double>(static_cast<std::int32_t>(now - start)),
                       static_cast<double>(drive.Measure(what, now))});
    run.largestCurrentMa = std::max(run.largestCurrentMa, std::fabs(drive.Motor().CurrentMa()));
  }
  run.figures = StepResponse::Analyse(samples, {0, plan.target, std::nullopt});
  return run;
}

using Figure = std::function<double(const StepFigures&)>;
double Value(const StepFigure& f) { return f.value.value_or(NAN); }
const Figure kRise = [](const StepFigures& f) { return Value(f.riseTimeMs); };
const Figure kOvershoot = [](const StepFigures& f) { return Value(f.overshootPercent); };
const Figure kSettling = [](const StepFigures& f) { return Value(f.settlingTimeMs); };

TEST(MotorTuning, EachGainMovesItsFigureTheWayARealDrivesDoes) {
  // 加速度 10000 makes the reference a step (300000 rpm/s), so the loop and
  // not the ramp shapes the rise; 100 rpm keeps the current far below its
  // limit, where the loop is linear.
  struct Sweep {
    const char* name;
    std::vector<std::string> setup;  // the drive's state for every row
    std::vector<std::string> rows;   // one gain per row, in rising order
    const char* step;
    double target;
    int pollMs;
    Figure figure;
    double factor;  // each row's figure beyond the previous one's by this factor (or, for 0 ... 1, within it)
    double maxOvershoot;
  };
  const std::vector<Sweep> sweeps = {
      {"speed P shortens the rise", {"A10000"}, {"P100", "P200", "P400", "P800"}, "V100", 100, 1, kRise, 0.8, 20},
      {"speed I adds overshoot", {"A10000"}, {"I20", "I50", "I100", "I200"}, "V100", 100, 2, kOvershoot, 1.3, 40},
      // Held at its limit the current sets the rise; an integral that stored
      // what the current could not give would come out as overshoot.
      {"less peak current, a slower rise", {"A10000"}, {"SPC12000", "SPC6000", "SPC3000", "SPC1500"}, "V1000",
       1000, 2, kRise, 1.3, 5},
      {"position P shortens a move", {}, {"MP10", "MP20", "MP40"}, "MR10000", 10000, 5, kSettling, 0.9, 0.5},
      {"position I overshoots", {}, {"MI0", "MI100"}, "MR10000", 10000, 5, kOvershoot, 20.0, 15},
  };
  for (const Sweep& s : sweeps) {
    double previous = NAN;
    for (const std::string& gain : s.rows) {
      SCOPED_TRACE(std::string(s.name) + ", " + gain);
      auto setup = s.setup;
      setup.push_back(gain);
      const StepRun run = Record({.setup = setup, .step = s.step, .target = s.target, .pollMs = s.pollMs});
      const double figure = s.figure(run.figures);
      ASSERT_FALSE(std::isnan(figure));
      if (!std::isnan(previous)) {
        if (s.factor < 1) {
          EXPECT_LT(figure, s.factor * previous);
        } else {
          EXPECT_GT(figure, s.factor * previous + 0.1);
        }
      }
      EXPECT_LT(kOvershoot(run.figures), s.maxOvershoot);
      EXPECT_LE(run.largestCurrentMa, gain.starts_with("SPC") ? std::stod(gain.substr(3)) : 12000.0);
      previous = figure;
    }
  }
}

TEST(MotorTuning, FactoryGainsGiveAWellDampedStepThatTheAnalysisCanMeasure) {
  struct Case {
    const char* name;
    StepPlan plan;
    double maxOvershoot, maxSettlingMs;
  };
  const std::vector<Case> cases = {
      // The factory ramp (3000 rpm/s) shapes a 1000 rpm step: about 260 ms
      // from 10 % to 90 %, then a small overshoot where the ramp ends.
      {"1000 rpm every 5 ms", {.step = "V1000", .target = 1000, .pollMs = 5}, 5, 1000},
      {"1000 rpm every 7 to 13 ms", {.step = "V1000", .target = 1000, .pollMs = 10, .jitterMs = 3}, 5, 1000},
      {"1000 rpm down to rest", {.setup = {"V1000"}, .step = "V0", .pollMs = 5, .jitterMs = 2, .leadMs = 1500},
       5, 1000},
      {"100 rpm on a steep ramp", {.setup = {"A10000"}, .step = "V100", .target = 100, .pollMs = 2}, 10, 300},
      {"a move of one turn", {.step = "MR10000", .target = 10000, .pollMs = 5, .jitterMs = 2}, 1, 600},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const StepFigures f = Record(c.plan, 3).figures;
    ASSERT_TRUE(f.riseTimeMs.value && f.settlingTimeMs.value && f.steadyStateError.value);
    EXPECT_GT(*f.riseTimeMs.value, 4 * c.plan.pollMs);  // several samples on the rise
    EXPECT_LE(*f.overshootPercent.value, c.maxOvershoot);
    EXPECT_LT(*f.settlingTimeMs.value, c.maxSettlingMs);
    EXPECT_LT(std::fabs(*f.steadyStateError.value), 0.005 * std::fabs(c.plan.target - f.before) + 1);
  }
}

// The same commands at the same ticks give the same curve, bit for bit,
// whether the clock is read every millisecond or in uneven leaps.
TEST(MotorTuning, TheCurveDoesNotDependOnHowTheClockIsAdvanced) {
  const std::vector<std::pair<std::uint32_t, std::string>> script = {
      {0, "V1500"}, {180, "P350"}, {400, "I90"}, {650, "MR-20000"}, {900, "SBS"}, {1100, "CBS"}, {1150, "V-700"}};
  std::mt19937 rng(5);
  for (int round = 0; round < 5; ++round) {
    DriveModel fine, coarse;
    const std::uint32_t origin = 0xFFFFFE00u + static_cast<std::uint32_t>(rng() % 400);
    fine.Motor().AdvanceTo(origin);
    coarse.Motor().AdvanceTo(origin);
    std::size_t next = 0;
    for (std::uint32_t t = 0; t < 1600;) {
      const std::uint32_t leap = 1 + rng() % 37;
      for (std::uint32_t i = 1; i <= leap; ++i) fine.Motor().AdvanceTo(origin + t + i);
      coarse.Motor().AdvanceTo(origin + (t += leap));
      ASSERT_EQ(fine.Motor().SpeedRpm(), coarse.Motor().SpeedRpm()) << round << " at " << t;
      ASSERT_EQ(fine.Motor().PositionCounts(), coarse.Motor().PositionCounts()) << round << " at " << t;
      for (; next < script.size() && script[next].first <= t; ++next) {
        fine.Handle(script[next].second, origin + t);
        coarse.Handle(script[next].second, origin + t);
      }
    }
  }
}

}  // namespace
}  // namespace zembra::sim
