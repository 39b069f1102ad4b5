// One step test driven tick by tick against a scripted drive: the refusals
// before a start, a normal speed step and a normal move with their return
// commands, and the ways a run ends early (silence, overspeed, a refused
// step, a refused return, a refused stop).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>

#include "monitor/StepTest.h"

namespace zembra {
namespace {

StepTestConditions Ready() {
  StepTestConditions c;
  c.connected = true;
  c.maxSpeed = 3000;
  c.encoderResolution = 10000;
  return c;
}

StepTestSetup Speed(std::int32_t size = 1000) { return {StepKind::SpeedStep, size, 1000, 20}; }

TEST(StepTestStart, RefusesWithTheReasonAndSendsNothing) {
  struct Case {
    const char* name;
    std::function<void(StepTestSetup&, StepTestConditions&)> change;
    const char* says;
  } cases[] = {
      {"not connected", [](auto&, auto& c) { c.connected = false; }, "请先连接驱动器"},
      {"parameter operation", [](auto&, auto& c) { c.parameterOperation = true; }, "参数操作"},
      {"monitoring", [](auto&, auto& c) { c.monitoring = true; }, "正在监测"},
      {"motor running", [](auto&, auto& c) { c.motorRunning = true; }, "电机正在运行"},
      {"top speed unknown", [](auto&, auto& c) { c.maxSpeed = 0; }, "最高速度未知"},
      {"zero step", [](auto& s, auto&) { s.size = 0; }, "不能为0"},
      {"beyond top speed", [](auto& s, auto&) { s.size = -3001; }, "超过最高速度"},
      {"opposite move impossible", [](auto& s, auto&) { s = {StepKind::RelativeMove, INT32_MIN, 1000, 20}; }, "超出范围"},
      {"too short", [](auto& s, auto&) { s.recordMs = 99; }, "记录时长"},
      {"too long", [](auto& s, auto&) { s.recordMs = 60001; }, "记录时长"},
      {"pre-step share", [](auto& s, auto&) { s.preSharePercent = 91; }, "阶跃前比例"},
  };
  for (const Case& c : cases) {
    int sends = 0;
    StepTest test([&](const std::string&) {
      ++sends;
      return SendResult::Sent;
    });
    StepTestSetup setup = Speed();
    StepTestConditions conditions = Ready();
    c.change(setup, conditions);
    const std::optional<QString> refusal = test.Start(setup, conditions, 100);
    ASSERT_TRUE(refusal) << c.name;
    EXPECT_TRUE(refusal->contains(QString::fromUtf8(c.says))) << c.name << ": " << refusal->toStdString();
    EXPECT_EQ(test.Phase(), StepPhase::Idle) << c.name;
    EXPECT_EQ(test.Tick(5000), StepEvent::None) << c.name;
    EXPECT_EQ(sends, 0) << c.name;
  }
  // The limits themselves are allowed.
  StepTest test([](const std::string&) { return SendResult::Sent; });
  EXPECT_FALSE(test.Start({StepKind::SpeedStep, -3000, 100, 90}, Ready(), 0));
}

// A drive the test asks every `period` ms; `value` gives what it answers at
// a time from the start (nothing: it stays silent), `refuse` which commands
// the link refuses and how.
struct Script {
  StepTestSetup setup = Speed();
  StepTestConditions conditions = Ready();
  std::function<std::optional<double>(std::uint32_t t, std::optional<std::uint32_t> stepAt)> value;
  std::map<std::string, SendResult> refuse;
  std::uint32_t period = 5;
};

struct Outcome {
  std::vector<std::string> sent;
  std::optional<std::uint32_t> stepAt;  // ms from the start
  std::uint32_t endedAt = 0;
  StepPhase phase = StepPhase::Idle;
  QString trouble;
  std::optional<double> target;
  StepFigures figures;
  std::vector<TimedValue> samples;
};

Outcome Drive(const Script& script) {
  Outcome out;
  StepTest test([&](const std::string& command) {
    out.sent.push_back(command);
    const auto refused = script.refuse.find(command);
    return refused == script.refuse.end() ? SendResult::Sent : refused->second;
  });
  // Ticks near the wrap, so no difference may be taken the wrong way.
  const std::uint32_t start = 0xFFFFFF00u;
  EXPECT_FALSE(test.Start(script.setup, script.conditions, start));
  for (std::uint32_t t = 0; t < 10000 && test.Active(); ++t) {
    if (t % script.period == 0) {
      if (const std::optional<double> v = script.value(t, out.stepAt)) test.OnSample(*v, start + t);
    }
    if (test.Tick(start + t) == StepEvent::StepSent) out.stepAt = t;
    out.endedAt = t;
  }
  out.phase = test.Phase();
  out.trouble = test.Trouble();
  out.target = test.Target();
  out.samples = test.SamplesFromStep();
  if (out.phase == StepPhase::Done) out.figures = test.Figures();
  return out;
}

// A first-order response toward `level` once the step went out, from `from`.
std::optional<double> FirstOrder(std::uint32_t t, std::optional<std::uint32_t> stepAt, double from, double level,
                                 double tauMs) {
  if (!stepAt || t < *stepAt) return from;
  return from + (level - from) * (1.0 - std::exp(-static_cast<double>(t - *stepAt) / tauMs));
}

TEST(StepTestRun, ASpeedStepSendsTheStepAfterThePreShareAndStopsTheMotorAfterTheRecording) {
  Script s;
  s.value = [](std::uint32_t t, auto stepAt) { return FirstOrder(t, stepAt, 0, 1000, 30); };
  const Outcome o = Drive(s);
  EXPECT_EQ(o.sent, (std::vector<std::string>{"V1000\r", "V0\r"}));
  EXPECT_EQ(o.phase, StepPhase::Done);
  EXPECT_TRUE(o.trouble.isEmpty()) << o.trouble.toStdString();
  ASSERT_TRUE(o.stepAt);
  EXPECT_EQ(*o.stepAt, 200u);          // 20 % of 1000 ms
  EXPECT_EQ(o.endedAt, 1000u);         // the rest recorded after the step
  EXPECT_EQ(o.target, 1000.0);
  // Times are from the step: 40 samples before it, one at it.
  ASSERT_FALSE(o.samples.empty());
  EXPECT_EQ(o.samples.front().timeMs, -200.0);
  // 10 %..90 % of a first-order response takes τ·ln 9 = 65.9 ms.
  ASSERT_TRUE(o.figures.riseTimeMs.value);
  EXPECT_NEAR(*o.figures.riseTimeMs.value, 30 * std::log(9.0), 5.0);
}

TEST(StepTestRun, AMoveGoesBackByTheOppositeMoveAndAimsFromWhereItStood) {
  Script s;
  s.setup = {StepKind::RelativeMove, -4000, 800, 25};
  s.value = [](std::uint32_t t, auto stepAt) { return FirstOrder(t, stepAt, 5000, 1000, 40); };
  const Outcome o = Drive(s);
  EXPECT_EQ(o.sent, (std::vector<std::string>{"MR-4000\r", "MR4000\r"}));
  EXPECT_EQ(o.phase, StepPhase::Done);
  EXPECT_EQ(o.target, 1000.0);
  // A move down is read like a move up.
  ASSERT_TRUE(o.figures.riseTimeMs.value);
  EXPECT_NEAR(*o.figures.riseTimeMs.value, 40 * std::log(9.0), 5.0);
}

TEST(StepTestRun, TheStepWaitsForASampleToStandOn) {
  Script s;
  s.value = [](std::uint32_t t, auto stepAt) -> std::optional<double> {
    if (t < 600) return std::nullopt;  // the first answers are slow
    return FirstOrder(t, stepAt, 0, 1000, 30);
  };
  const Outcome o = Drive(s);
  ASSERT_TRUE(o.stepAt);
  EXPECT_EQ(*o.stepAt, 600u);
  EXPECT_EQ(o.phase, StepPhase::Done);
}

TEST(StepTestRun, EndsEarlyStoppingTheMotorAndSaysWhy) {
  struct Case {
    const char* name;
    Script script;
    std::vector<std::string> sent;
    std::vector<const char*> says;
    std::uint32_t endsBy;
  };
  auto speedTo = [](double level) {
    return [level](std::uint32_t t, auto stepAt) { return FirstOrder(t, stepAt, 0, level, 30); };
  };
  std::vector<Case> cases;
  {
    Script s;  // the drive falls silent 100 ms after the step
    s.value = [](std::uint32_t t, auto stepAt) -> std::optional<double> {
      if (stepAt && t > *stepAt + 100) return std::nullopt;
      return FirstOrder(t, stepAt, 0, 1000, 30);
    };
    s.setup.recordMs = 3000;
    cases.push_back({"silence", s, {"V1000\r", "V0\r"}, {"没有应答", "已发送V0"}, 600 + 100 + 1000});
  }
  {
    Script s;  // the motor runs away past 1.2 × 3000
    s.value = speedTo(4000);
    s.setup.size = 3000;
    cases.push_back({"overspeed", s, {"V3000\r", "V0\r"}, {"超过最高速度的1.2倍", "3600"}, 400});
  }
  {
    Script s;  // a move whose position races: 10000 counts per ms is 60000 RPM
    s.setup = {StepKind::RelativeMove, 100000, 1000, 20};
    s.value = [](std::uint32_t t, auto stepAt) -> std::optional<double> {
      return stepAt && t > *stepAt ? 10000.0 * (t - *stepAt) : 0.0;
    };
    cases.push_back({"overspeed of a move", s, {"MR100000\r", "V0\r"}, {"超过最高速度的1.2倍"}, 220});
  }
  {
    Script s;  // the link will not take the step: nothing moved, nothing to stop
    s.value = speedTo(1000);
    s.refuse = {{"V1000\r", SendResult::Busy}};
    cases.push_back({"refused step", s, {"V1000\r"}, {"阶跃命令", "V1000", "正在进行其他操作"}, 200});
  }
  {
    Script s;  // the stop itself cannot go out either
    s.value = speedTo(4000);
    s.setup.size = 3000;
    s.refuse = {{"V0\r", SendResult::NotWritten}};
    cases.push_back({"refused stop", s, {"V3000\r", "V0\r"}, {"超过最高速度", "串口未打开或已断开", "电机可能仍在运行"}, 400});
  }
  for (const Case& c : cases) {
    const Outcome o = Drive(c.script);
    EXPECT_EQ(o.phase, StepPhase::Aborted) << c.name;
    EXPECT_EQ(o.sent, c.sent) << c.name;
    for (const char* words : c.says)
      EXPECT_TRUE(o.trouble.contains(QString::fromUtf8(words))) << c.name << ": " << o.trouble.toStdString();
    EXPECT_LE(o.endedAt, c.endsBy) << c.name;
  }
}

TEST(StepTestRun, AReturnTheLinkRefusesKeepsTheFiguresAndWarns) {
  Script s;
  s.value = [](std::uint32_t t, auto stepAt) { return FirstOrder(t, stepAt, 0, 1000, 30); };
  s.refuse = {{"V0\r", SendResult::NotWritten}};
  const Outcome o = Drive(s);
  EXPECT_EQ(o.phase, StepPhase::Done);
  EXPECT_TRUE(o.figures.riseTimeMs.value);
  EXPECT_TRUE(o.trouble.contains(QStringLiteral("电机可能仍在运行"))) << o.trouble.toStdString();
}

TEST(StepTestRun, AnAbortFromOutsideStopsTheMotorOnlyWhenAsked) {
  for (bool stop : {false, true}) {
    std::vector<std::string> sent;
    StepTest test([&](const std::string& c) {
      sent.push_back(c);
      return SendResult::Sent;
    });
    ASSERT_FALSE(test.Start(Speed(), Ready(), 0));
    test.OnSample(0, 10);
    ASSERT_EQ(test.Tick(250), StepEvent::StepSent);
    EXPECT_EQ(test.Abort(QStringLiteral("急停"), stop), StepEvent::Aborted);
    EXPECT_EQ(sent.size(), stop ? 2u : 1u);
    EXPECT_TRUE(test.Trouble().contains(QStringLiteral("急停")));
    // Ended: no later tick sends anything.
    EXPECT_EQ(test.Tick(5000), StepEvent::None);
    EXPECT_EQ(sent.size(), stop ? 2u : 1u);
  }
}

TEST(StepTestRun, TheAnswersEndTheRecordingAndTheClockOnlyWhenTheyLagFarBehind) {
  for (bool lagging : {false, true}) {
    std::vector<std::string> sent;
    StepTest test([&](const std::string& c) {
      sent.push_back(c);
      return SendResult::Sent;
    });
    ASSERT_FALSE(test.Start(Speed(), Ready(), 0));  // 200 ms before the step, 800 after
    test.OnSample(0, 10);
    ASSERT_EQ(test.Tick(200), StepEvent::StepSent);
    test.OnSample(500, 600);
    // The window is late: the clock is past the end, the answers are not.
    EXPECT_EQ(test.Tick(1200), StepEvent::None);
    EXPECT_EQ(test.OnSample(1000, 999), StepEvent::None);
    if (!lagging) {
      EXPECT_EQ(test.OnSample(1000, 1000), StepEvent::Finished);
    } else {
      EXPECT_EQ(test.Tick(1499), StepEvent::None);
      EXPECT_EQ(test.Tick(1500), StepEvent::Finished);
    }
    EXPECT_EQ(sent, (std::vector<std::string>{"V1000\r", "V0\r"}));
    EXPECT_EQ(test.Phase(), StepPhase::Done);
  }
}

TEST(StepTestRun, StampsOutOfStepWithTheTickNeitherBendTheCurveNorCountAsSilence) {
  StepTest test([](const std::string&) { return SendResult::Sent; });
  ASSERT_FALSE(test.Start(Speed(), Ready(), 1000));
  test.OnSample(0, 1500);
  test.OnSample(7, 1400);  // delivered late: older than the newest
  EXPECT_EQ(test.SamplesFromStep().size(), 1u);
  // The reply's stamp may be a moment newer than the tick read after it.
  EXPECT_EQ(test.Tick(1150), StepEvent::None);  // before the step is due
  EXPECT_TRUE(test.Active());
}

}  // namespace
}  // namespace zembra
