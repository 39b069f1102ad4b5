#include "sim/MotorModel.h"

#include <algorithm>
#include <cmath>

namespace zembra::sim {

namespace {

constexpr double kSpeedTimeConstantS = 0.08;
// Position loop gain (1/s); 1/(4*tau) makes the loop critically damped.
constexpr double kPositionGainPerS = 1.0 / (4.0 * kSpeedTimeConstantS);
constexpr double kMaCurrentPerRpmPerS = 0.05;
constexpr double kMaCurrentPerRpm = 0.1;
constexpr double kFrictionCurrentMa = 30.0;
constexpr double kStepS = 0.001;
// Beyond this gap a position move is simply taken as settled.
constexpr double kMaxSimulatedGapS = 120.0;
constexpr double kRestSpeedRpm = 0.01;

}  // namespace

MotorModel::MotorModel() = default;

void MotorModel::Configure(const Settings& settings) { settings_ = settings; }

void MotorModel::SetEnabled(bool enabled) {
  enabled_ = enabled;
  if (!enabled_) {
    control_ = MotionControl::Idle;
    speedCommandRpm_ = 0.0;
  }
}

void MotorModel::SetEmergencyStop(bool latched) {
  emergencyStop_ = latched;
  if (emergencyStop_) {
    control_ = MotionControl::Idle;
    speedCommandRpm_ = 0.0;
  }
}

bool MotorModel::CommandSpeed(double rpm) {
  if (!MayMove()) return false;
  speedCommandRpm_ = std::clamp(rpm, -settings_.maxSpeedRpm, settings_.maxSpeedRpm);
  control_ = MotionControl::Speed;
  return true;
}

bool MotorModel::CommandAbsoluteMove(double targetCounts) {
  if (!MayMove()) return false;
  targetCounts_ = targetCounts;
  control_ = MotionControl::Position;
  return true;
}

bool MotorModel::CommandRelativeMove(double deltaCounts) {
  const double base = control_ == MotionControl::Position ? targetCounts_ : positionCounts_;
  return CommandAbsoluteMove(base + deltaCounts);
}

void MotorModel::ZeroPosition() {
  if (control_ == MotionControl::Position) targetCounts_ -= positionCounts_;
  positionCounts_ = 0.0;
}

double MotorModel::TrackingErrorCounts() const {
  return control_ == MotionControl::Position ? targetCounts_ - positionCounts_ : 0.0;
}

double MotorModel::CountsPerSecondPerRpm() const {
  return settings_.countsPerRevolution / 60.0;
}

double MotorModel::CommandedSpeedRpm() const {
  switch (control_) {
    case MotionControl::Idle: return 0.0;
    case MotionControl::Speed: return speedCommandRpm_;
    case MotionControl::Position: {
      const double rpm = kPositionGainPerS * (targetCounts_ - positionCounts_) /
                         CountsPerSecondPerRpm();
      return std::clamp(rpm, -settings_.maxSpeedRpm, settings_.maxSpeedRpm);
    }
  }
  return 0.0;
}

void MotorModel::Step(double seconds) {
  const double command = CommandedSpeedRpm();
  const double decay = std::exp(-seconds / kSpeedTimeConstantS);
  const double start = speedRpm_;
  speedRpm_ = command + (start - command) * decay;
  // Exact integral of the exponential approach over the step.
  const double travelledRpmS =
      command * seconds + (start - command) * kSpeedTimeConstantS * (1.0 - decay);
  positionCounts_ += travelledRpmS * CountsPerSecondPerRpm();

  const double accelRpmPerS = (command - speedRpm_) / kSpeedTimeConstantS;
  double current = kMaCurrentPerRpmPerS * accelRpmPerS + kMaCurrentPerRpm * speedRpm_;
  if (std::fabs(speedRpm_) > kRestSpeedRpm) current += std::copysign(kFrictionCurrentMa, speedRpm_);
  currentMa_ = std::clamp(current, -settings_.peakCurrentMa, settings_.peakCurrentMa);

  if (control_ == MotionControl::Position &&
      std::fabs(targetCounts_ - positionCounts_) < 0.5 && std::fabs(speedRpm_) < 0.5) {
    positionCounts_ = targetCounts_;
    speedRpm_ = 0.0;
    currentMa_ = 0.0;
  }
  if (control_ != MotionControl::Position && std::fabs(speedRpm_) < kRestSpeedRpm &&
      command == 0.0) {
    speedRpm_ = 0.0;
    currentMa_ = 0.0;
  }
}

void MotorModel::AdvanceTo(std::uint32_t nowMs) {
  if (!haveTime_) {
    haveTime_ = true;
    lastMs_ = nowMs;
    return;
  }
  // Unsigned subtraction keeps working across the tick's wrap.
  const std::uint32_t elapsedMs = nowMs - lastMs_;
  lastMs_ = nowMs;
  double remaining = static_cast<double>(elapsedMs) / 1000.0;
  if (remaining <= 0.0) return;

  if (control_ != MotionControl::Position) {
    // The speed response is solved exactly, so one step covers any gap.
    Step(remaining);
    return;
  }
  if (remaining > kMaxSimulatedGapS) {
    positionCounts_ = targetCounts_;
    speedRpm_ = 0.0;
    currentMa_ = 0.0;
    return;
  }
  while (remaining > 0.0) {
    const double step = std::min(kStepS, remaining);
    Step(step);
    remaining -= step;
  }
}

}  // namespace zembra::sim
