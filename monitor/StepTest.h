#pragma once
// One step test without its widgets: it waits for the share of the
// recording before the step, sends the step ("V%d" or "MR%d"), records,
// sends the motor back (V0, or the opposite move) and reads the figures
// from what it recorded. Its safety rules: it does not start while the
// link is busy elsewhere or the drive is not connected, and a run that
// hears nothing for a second or sees the motor beyond 1.2 × its top speed
// sends V0 and ends, saying why. Every send goes through one callback and
// a send the link refuses ends the run with the reason in words. Time
// comes in as explicit ticks, so the whole run can be driven without
// waiting for a clock.
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/SendResult.h"
#include "monitor/StepResponse.h"

namespace zembra {

enum class StepKind : int { SpeedStep = 0, RelativeMove = 1 };

struct StepTestSetup {
  StepKind kind = StepKind::SpeedStep;
  std::int32_t size = 1000;          // RPM for a speed step, counts for a move
  std::uint32_t recordMs = 1000;     // the whole recording, before and after the step
  std::uint32_t preSharePercent = 20;  // of the recording, before the step
};

// What may stop a run from starting, as the page finds it when "开始" is pressed.
struct StepTestConditions {
  bool connected = false;
  bool parameterOperation = false;  // a read, write, EEPROM save ... is running
  bool monitoring = false;          // the page or another window monitors
  bool motorRunning = false;        // the page's own "运行" is on
  int maxSpeed = 0;                 // 最高速度 (RPM)
  int encoderResolution = 0;        // counts per turn, for the speed of a move
};

enum class StepPhase { Idle, PreStep, Recording, Done, Aborted };

// What a sample or a tick changed, so the page knows when to redraw.
enum class StepEvent { None, StepSent, Finished, Aborted };

class StepTest {
 public:
  using Sender = std::function<SendResult(const std::string&)>;

  static constexpr std::uint32_t kSilenceMs = 1000;
  static constexpr double kOverspeedFactor = 1.2;
  static constexpr std::uint32_t kMinRecordMs = 100;
  static constexpr std::uint32_t kMaxRecordMs = 60000;
  static constexpr std::uint32_t kMaxPreSharePercent = 90;
  // How far the answers may lag behind the clock before the recording
  // ends without them.
  static constexpr std::uint32_t kLagMs = 500;

  explicit StepTest(Sender send) : m_send(std::move(send)) {}

  // Why `setup` cannot run, in the page's words; nothing when it can.
  static std::optional<QString> Check(const StepTestSetup& setup, const StepTestConditions& conditions);
  // Starts a run at `now`; a refusal changes nothing and says why.
  std::optional<QString> Start(const StepTestSetup& setup, const StepTestConditions& conditions, std::uint32_t now);

  // A sample of the quantity the run watches (speed, or position for a
  // move) that arrived at `tick`.
  StepEvent OnSample(double value, std::uint32_t tick);
  // Sends the step and the return when they are due and watches for silence.
  StepEvent Tick(std::uint32_t now);
  // Ends a running run from outside (the user, the page being left). With
  // `stopMotor` V0 goes out first.
  StepEvent Abort(const QString& reason, bool stopMotor);

  StepPhase Phase() const { return m_phase; }
  bool Active() const { return m_phase == StepPhase::PreStep || m_phase == StepPhase::Recording; }
  const StepTestSetup& Setup() const { return m_setup; }
  // Why the run ended early, or what went wrong with the return; empty
  // when nothing is to be said.
  const QString& Trouble() const { return m_trouble; }

  // The samples, each at its time from the step (negative before it);
  // before the step went out, from when it is due.
  std::vector<TimedValue> SamplesFromStep() const;
  // The newest of them, for drawing as it comes.
  std::optional<TimedValue> Newest() const;
  // The level the step commanded; for a move the position before it plus
  // the distance. Nothing before the step went out.
  std::optional<double> Target() const { return m_target; }
  // The run's figures, once it is done.
  StepFigures Figures() const;

  static std::string StepCommand(const StepTestSetup& setup);
  static std::string ReturnCommand(const StepTestSetup& setup);
  static std::uint32_t PreStepMs(const StepTestSetup& setup);

 private:
  struct Sample {
    std::uint32_t sinceStart;  // ms from the run's start
    double value;
  };

  std::uint32_t PostStepMs() const;
  StepEvent SendStep(std::uint32_t now);
  StepEvent SendReturn();
  StepEvent StopAndEnd(const QString& reason);
  // The speed the motor turns at, from the newest samples, in RPM.
  std::optional<double> Speed() const;
  double MeanBeforeStep() const;

  Sender m_send;
  StepTestSetup m_setup;
  StepTestConditions m_conditions;
  StepPhase m_phase = StepPhase::Idle;
  std::uint32_t m_start = 0;
  std::uint32_t m_lastHeard = 0;  // the newest sample, or the start
  std::uint32_t m_stepAt = 0;     // ms from the start
  std::optional<double> m_target;
  std::vector<Sample> m_samples;
  QString m_trouble;
};

}  // namespace zembra
