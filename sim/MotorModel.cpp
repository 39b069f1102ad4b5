#include "sim/MotorModel.h"

#include <algorithm>
#include <cmath>

namespace zembra::sim {

namespace {

// The rotor, in the drive's units: current (mA) per acceleration (rpm/s)
// is J / Kt; friction as a current: viscous per rpm, and a dry part that
// rounds off below a few rpm instead of switching, so the loops settle
// without chatter.
constexpr double kInertiaMaPerRpmPerS = 0.2;
constexpr double kViscousMaPerRpm = 0.1;
constexpr double kDryFrictionMa = 30.0;
constexpr double kDryFrictionKneeRpm = 10.0;
// The drive measures speed from encoder counts through a short filter.
constexpr double kSpeedFilterS = 0.002;

// What one unit of each gain means.
constexpr double kSpeedProportionalMaPerRpm = 0.08;
constexpr double kSpeedIntegralMaPerRpmS = 6.0;
constexpr double kSpeedDerivativeMaPerRpmPerS = 0.002;
constexpr double kPositionProportionalPerS = 1.0;
constexpr double kPositionIntegralPerS2 = 1.0;
constexpr double kPositionDerivativeShare = 0.01;
constexpr double kFeedForwardShare = 0.01;

// The emergency stop brakes this many times harder than a normal ramp.
constexpr double kEmergencyRampFactor = 4.0;
// Longer gaps are not stepped through: the motor is taken as settled.
constexpr std::uint32_t kMaxSimulatedGapMs = 20000;
// At rest below these, the model stops exactly instead of creeping.
constexpr double kRestSpeedRpm = 0.01;
constexpr double kRestAccelRpmPerS = 1.0;
constexpr double kInPositionCounts = 0.5;
constexpr double kInPositionRpm = 0.5;

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
  if (control_ != MotionControl::Position) {
    // The profile starts where the motor is, at the speed it has.
    profileCounts_ = positionCounts_;
    profileCps_ = measuredRpm_ * CountsPerSecondPerRpm();
    positionIntegral_ = 0.0;
  }
  targetCounts_ = targetCounts;
  profileDone_ = false;
  control_ = MotionControl::Position;
  return true;
}

bool MotorModel::CommandRelativeMove(double deltaCounts) {
  const double base = control_ == MotionControl::Position ? targetCounts_ : positionCounts_;
  return CommandAbsoluteMove(base + deltaCounts);
}

void MotorModel::ZeroPosition() {
  if (control_ == MotionControl::Position) {
    targetCounts_ -= positionCounts_;
    profileCounts_ -= positionCounts_;
  }
  positionCounts_ = 0.0;
}

double MotorModel::TrackingErrorCounts() const {
  return control_ == MotionControl::Position ? profileCounts_ - positionCounts_ : 0.0;
}

double MotorModel::CountsPerSecondPerRpm() const {
  return settings_.countsPerRevolution / 60.0;
}

double MotorModel::RampRpmPerS() const {
  const double ramp = std::max(1.0, settings_.accelerationRpmPerS);
  return emergencyStop_ ? ramp * kEmergencyRampFactor : ramp;
}

double MotorModel::FrictionMa(double rpm) const {
  return kViscousMaPerRpm * rpm + kDryFrictionMa * std::tanh(rpm / kDryFrictionKneeRpm);
}

void MotorModel::StepProfile() {
  if (profileDone_) return;
  const double cps = CountsPerSecondPerRpm();
  const double accel = RampRpmPerS() * cps;
  const double maxCps = settings_.maxSpeedRpm * cps;
  const double togo = targetCounts_ - profileCounts_;
  // The fastest speed from which the ramp still stops on the target.
  const double stopping = std::sqrt(2.0 * accel * std::fabs(togo));
  const double wanted = std::copysign(std::min(maxCps, stopping), togo);
  const double change = accel * kStepS;
  profileCps_ += std::clamp(wanted - profileCps_, -change, change);
  profileCounts_ += profileCps_ * kStepS;
  const double left = targetCounts_ - profileCounts_;
  // Arrived, or passed the target within one step's braking.
  const bool passed = (left == 0.0) || (std::signbit(left) != std::signbit(togo));
  if ((passed || std::fabs(left) < kInPositionCounts) && std::fabs(profileCps_) <= 2.0 * change) {
    profileCounts_ = targetCounts_;
    profileCps_ = 0.0;
    profileDone_ = true;
  }
}

double MotorModel::PositionLoopRpm() {
  const Gains& g = settings_.gains;
  const double cps = CountsPerSecondPerRpm();
  const double error = profileCounts_ - positionCounts_;
  const double errorRate = profileCps_ - measuredRpm_ * cps;
  const double withoutIntegral = kPositionProportionalPerS * g.positionProportional * error +
                                 kPositionDerivativeShare * g.positionDerivative * errorRate +
                                 kFeedForwardShare * g.speedFeedForward * profileCps_;
  const double integralGain = kPositionIntegralPerS2 * g.positionIntegral;
  double wantedCps = withoutIntegral + integralGain * positionIntegral_;
  const double maxCps = settings_.maxSpeedRpm * cps;
  // The integral only grows while the speed it asks for can be given.
  if (std::fabs(wantedCps) < maxCps || std::signbit(error) != std::signbit(wantedCps)) {
    positionIntegral_ += error * kStepS;
    wantedCps = withoutIntegral + integralGain * positionIntegral_;
  }
  return std::clamp(wantedCps / cps, -settings_.maxSpeedRpm, settings_.maxSpeedRpm);
}

void MotorModel::SpeedLoopAndMotor() {
  const Gains& g = settings_.gains;
  const double peak = std::max(0.0, settings_.peakCurrentMa);
  const double error = referenceRpm_ - measuredRpm_;
  // Derivative on the measured speed, not the error: a stepped reference
  // does not kick the current.
  const double derivative = kSpeedDerivativeMaPerRpmPerS * g.speedDerivative * accelMeasuredRpmPerS_;
  const double wanted = kSpeedProportionalMaPerRpm * g.speedProportional * error + integralMa_ - derivative;
  const double current = std::clamp(wanted, -peak, peak);
  // Anti-windup: while the current is at its limit the integral may only
  // shrink, so a long saturated step does not overshoot by the stored excess.
  if (current == wanted || std::signbit(error) != std::signbit(wanted)) {
    integralMa_ = std::clamp(integralMa_ + kSpeedIntegralMaPerRpmS * g.speedIntegral * error * kStepS, -peak, peak);
  }

  accelRpmPerS_ = (current - FrictionMa(speedRpm_)) / kInertiaMaPerRpmPerS;
  const double start = speedRpm_;
  speedRpm_ += accelRpmPerS_ * kStepS;
  positionCounts_ += 0.5 * (start + speedRpm_) * kStepS * CountsPerSecondPerRpm();
  const double measuredBefore = measuredRpm_;
  measuredRpm_ += (speedRpm_ - measuredRpm_) * (kStepS / kSpeedFilterS);
  accelMeasuredRpmPerS_ = (measuredRpm_ - measuredBefore) / kStepS;
  currentMa_ = current;
}

void MotorModel::Step() {
  double command = 0.0;
  switch (control_) {
    case MotionControl::Idle:
    case MotionControl::Speed: {
      command = control_ == MotionControl::Speed ? speedCommandRpm_ : 0.0;
      const double maxChange = RampRpmPerS() * kStepS;
      referenceRpm_ += std::clamp(command - referenceRpm_, -maxChange, maxChange);
      break;
    }
    case MotionControl::Position:
      StepProfile();
      referenceRpm_ = PositionLoopRpm();
      break;
  }
  SpeedLoopAndMotor();

  if (control_ == MotionControl::Position) {
    if (profileDone_ && std::fabs(targetCounts_ - positionCounts_) < kInPositionCounts &&
        std::fabs(speedRpm_) < kInPositionRpm && std::fabs(measuredRpm_) < kInPositionRpm) {
      positionCounts_ = targetCounts_;
      positionIntegral_ = 0.0;
      Settle();
    }
  } else if (control_ == MotionControl::Idle) {
    // Disabled or emergency-stopped: once the ramp is down and the motor
    // has come to rest (or would turn back), the drive holds it there
    // instead of letting the speed loop swing it backwards.
    if (referenceRpm_ != 0.0) {
      brakingFromRpm_ = referenceRpm_;
    } else if (std::fabs(speedRpm_) < kInPositionRpm || std::signbit(speedRpm_) != std::signbit(brakingFromRpm_)) {
      Settle();
    }
  } else if (command == 0.0 && referenceRpm_ == 0.0 && std::fabs(speedRpm_) < kRestSpeedRpm &&
             std::fabs(measuredRpm_) < kRestSpeedRpm && std::fabs(accelRpmPerS_) < kRestAccelRpmPerS) {
    Settle();
  }
}

void MotorModel::Settle() {
  referenceRpm_ = 0.0;
  integralMa_ = 0.0;
  speedRpm_ = 0.0;
  measuredRpm_ = 0.0;
  accelRpmPerS_ = 0.0;
  accelMeasuredRpmPerS_ = 0.0;
  currentMa_ = 0.0;
}

void MotorModel::JumpToEndState(double seconds) {
  // A long gap: whatever was under way has long reached its end state.
  if (control_ == MotionControl::Position) {
    profileCounts_ = positionCounts_ = targetCounts_;
    profileCps_ = 0.0;
    profileDone_ = true;
    positionIntegral_ = 0.0;
    Settle();
    return;
  }
  const double speed = control_ == MotionControl::Speed ? speedCommandRpm_ : 0.0;
  if (speed == 0.0) {
    Settle();
    return;
  }
  referenceRpm_ = speedRpm_ = measuredRpm_ = speed;
  accelRpmPerS_ = accelMeasuredRpmPerS_ = 0.0;
  // The integral carries the friction at that speed, as the loop would
  // have left it.
  integralMa_ = currentMa_ = std::clamp(FrictionMa(speed), -settings_.peakCurrentMa, settings_.peakCurrentMa);
  positionCounts_ += speed * seconds * CountsPerSecondPerRpm();
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
  const std::uint32_t stepped = std::min(elapsedMs, kMaxSimulatedGapMs);
  for (std::uint32_t i = 0; i < stepped; ++i) Step();
  if (elapsedMs > stepped) JumpToEndState(static_cast<double>(elapsedMs - stepped) / 1000.0);
}

}  // namespace zembra::sim
