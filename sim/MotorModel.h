#pragma once

#include <cstdint>

namespace zembra::sim {

// What the drive is currently regulating.
enum class MotionControl { Idle, Speed, Position };

// A small motor behind the virtual drive. A speed command becomes a
// reference that ramps at the drive's acceleration (much faster for the
// emergency stop); the speed loop follows the reference as a slightly
// underdamped second-order system, so a step shows a ramp, a small
// overshoot and settling. A position move asks for the speed that still
// lets it brake onto the target, the position integrates the speed, and
// the current follows the acceleration plus a speed-dependent load. Time
// is a wrapping millisecond tick supplied by the caller, so tests drive it
// deterministically.
class MotorModel {
 public:
  struct Settings {
    double maxSpeedRpm = 3000.0;
    double countsPerRevolution = 10000.0;
    double peakCurrentMa = 12000.0;
    double accelerationRpmPerS = 3000.0;
  };

  MotorModel();

  void Configure(const Settings& settings);
  const Settings& CurrentSettings() const { return settings_; }

  // Motion happens only while enabled and not emergency-stopped; taking
  // either away drops the command and lets the motor run down.
  void SetEnabled(bool enabled);
  void SetEmergencyStop(bool latched);
  bool Enabled() const { return enabled_; }
  bool EmergencyStopped() const { return emergencyStop_; }
  bool MayMove() const { return enabled_ && !emergencyStop_; }

  // Each returns false when the command is ignored because the motor may not move.
  bool CommandSpeed(double rpm);
  bool CommandAbsoluteMove(double targetCounts);
  bool CommandRelativeMove(double deltaCounts);
  void ZeroPosition();

  void AdvanceTo(std::uint32_t nowMs);

  MotionControl Control() const { return control_; }
  double SpeedRpm() const { return speedRpm_; }
  double AccelerationRpmPerS() const { return accelRpmPerS_; }
  double PositionCounts() const { return positionCounts_; }
  double CurrentMa() const { return currentMa_; }
  // Commanded minus actual position while a move runs; 0 otherwise.
  double TrackingErrorCounts() const;
  double TargetCounts() const { return targetCounts_; }

 private:
  void Step(double seconds);
  void Settle();
  double CommandedSpeedRpm() const;
  double CountsPerSecondPerRpm() const;
  double RampRpmPerS() const;

  Settings settings_;
  bool enabled_ = true;
  bool emergencyStop_ = false;
  MotionControl control_ = MotionControl::Idle;
  double speedCommandRpm_ = 0.0;
  double targetCounts_ = 0.0;
  double referenceRpm_ = 0.0;
  double speedRpm_ = 0.0;
  double accelRpmPerS_ = 0.0;
  double positionCounts_ = 0.0;
  double currentMa_ = 0.0;
  bool haveTime_ = false;
  std::uint32_t lastMs_ = 0;
};

}  // namespace zembra::sim
