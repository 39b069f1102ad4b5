#include "sim/MotorModel.h"

#include <algorithm>
#include <cmath>

namespace zembra::sim {

namespace {

// Speed loop: natural frequency and damping of its second-order response.
constexpr double kSpeedLoopOmega = 40.0;
constexpr double kSpeedLoopDamping = 0.6;
// Position loop gain near the target (1/s).
constexpr double kPositionGainPerS = 12.0;
// The emergency stop brakes this many times harder than a normal ramp.
constexpr double kEmergencyRampFactor = 4.0;
// Position moves brake a little more gently than they accelerate, so the
// speed loop's lag does not carry them past the target.
constexpr double kBrakingShare = 0.7;
constexpr double kMaCurrentPerRpmPerS = 0.2;
constexpr double kMaCurrentPerRpm = 0.1;
constexpr double kFrictionCurrentMa = 30.0;
constexpr double kStepS = 0.001;
// Longer gaps are not stepped through: the motor is taken as settled.
constexpr double kMaxSimulatedGapS = 20.0;
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

double MotorModel::RampRpmPerS() const {
  const double ramp = std::max(1.0, settings_.accelerationRpmPerS);
  return emergencyStop_ ? ramp * kEmergencyRampFactor : ramp;
}

double MotorModel::CommandedSpeedRpm() const {
  switch (control_) {
    case MotionControl::Idle: return 0.0;
    case MotionControl::Speed: return speedCommandRpm_;
    case MotionControl::Position: {
      const double error = targetCounts_ - positionCounts_;
      const double cps = CountsPerSecondPerRpm();
      // The fastest speed from which the ramp still stops on the target,
      // and near the target a proportional approach.
      const double revolutions = std::fabs(error) / settings_.countsPerRevolution;
      const double braking =
          60.0 * std::sqrt(2.0 * kBrakingShare * RampRpmPerS() / 60.0 * revolutions);
      const double proportional = kPositionGainPerS * std::fabs(error) / cps;
      const double rpm = std::min({settings_.maxSpeedRpm, braking, proportional});
      return std::copysign(rpm, error);
    }
  }
  return 0.0;
}

void MotorModel::Step(double seconds) {
  // The reference ramps toward the command.
  const double command = CommandedSpeedRpm();
  const double maxChange = RampRpmPerS() * seconds;
  referenceRpm_ += std::clamp(command - referenceRpm_, -maxChange, maxChange);

  // The speed loop: semi-implicit Euler on the second-order response.
  const double w = kSpeedLoopOmega;
  accelRpmPerS_ += (w * w * (referenceRpm_ - speedRpm_) - 2.0 * kSpeedLoopDamping * w * accelRpmPerS_) * seconds;
  const double start = speedRpm_;
  speedRpm_ += accelRpmPerS_ * seconds;
  positionCounts_ += 0.5 * (start + speedRpm_) * seconds * CountsPerSecondPerRpm();

  double current = kMaCurrentPerRpmPerS * accelRpmPerS_ + kMaCurrentPerRpm * speedRpm_;
  if (std::fabs(speedRpm_) > kRestSpeedRpm) current += std::copysign(kFrictionCurrentMa, speedRpm_);
  currentMa_ = std::clamp(current, -settings_.peakCurrentMa, settings_.peakCurrentMa);

  if (control_ == MotionControl::Position &&
      std::fabs(targetCounts_ - positionCounts_) < 0.5 && std::fabs(speedRpm_) < 0.5) {
    positionCounts_ = targetCounts_;
    Settle();
  }
  if (control_ != MotionControl::Position && command == 0.0 && referenceRpm_ == 0.0 &&
      std::fabs(speedRpm_) < kRestSpeedRpm && std::fabs(accelRpmPerS_) < 1.0) {
    Settle();
  }
}

void MotorModel::Settle() {
  referenceRpm_ = 0.0;
  speedRpm_ = 0.0;
  accelRpmPerS_ = 0.0;
  currentMa_ = 0.0;
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

  const double stepped = std::min(remaining, kMaxSimulatedGapS);
  for (double left = stepped; left > 1e-12; left -= kStepS) Step(std::min(kStepS, left));
  remaining -= stepped;
  if (remaining <= 0.0) return;
  // A long gap: whatever was under way has long reached its end state.
  if (control_ == MotionControl::Position) {
    positionCounts_ = targetCounts_;
    Settle();
    return;
  }
  const double command = CommandedSpeedRpm();
  referenceRpm_ = speedRpm_ = command;
  accelRpmPerS_ = 0.0;
  positionCounts_ += command * remaining * CountsPerSecondPerRpm();
  double current = kMaCurrentPerRpm * command;
  if (std::fabs(command) > kRestSpeedRpm) current += std::copysign(kFrictionCurrentMa, command);
  currentMa_ = std::clamp(current, -settings_.peakCurrentMa, settings_.peakCurrentMa);
}

}  // namespace zembra::sim
