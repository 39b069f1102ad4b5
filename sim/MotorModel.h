#pragma once

#include <cstdint>

namespace zembra::sim {

// What the drive is currently regulating.
enum class MotionControl { Idle, Speed, Position };

// The motor behind the virtual drive and the drive's loops around it, so
// that the drive's gains shape what the monitoring page sees as they would
// on a real drive. A rotor with inertia, viscous and dry friction is driven
// by a current limited to the peak current. A PI(D) speed loop with the
// drive's speed gains sets that current from a speed reference that ramps
// at the drive's acceleration; a position loop with the drive's position
// gains follows a trapezoidal move profile and sets the speed reference.
// Everything is integrated on a fixed 1 ms step from the caller's wrapping
// millisecond tick, so the same commands at the same ticks give the same
// curve. docs/virtual-drive-model.md has the equations and constants.
class MotorModel {
 public:
  // The drive's own loop gains, in the drive's units.
  struct Gains {
    double speedProportional = 200.0;    // "P"
    double speedIntegral = 20.0;         // "I"
    double speedDerivative = 0.0;        // "D"
    double positionProportional = 20.0;  // "MP"
    double positionIntegral = 0.0;       // "MI"
    double positionDerivative = 10.0;    // "MD"
    double speedFeedForward = 0.0;       // "MK", per cent of the profile's speed
  };

  struct Settings {
    double maxSpeedRpm = 3000.0;
    double countsPerRevolution = 10000.0;
    double peakCurrentMa = 12000.0;
    double accelerationRpmPerS = 3000.0;
    Gains gains;
  };

  static constexpr double kStepS = 0.001;

  MotorModel();

  void Configure(const Settings& settings);
  const Settings& CurrentSettings() const { return settings_; }

  // Motion happens only while enabled and not emergency-stopped; taking
  // either away drops the command and the drive brakes the motor to rest.
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
  // The speed as the drive measures it (through its speed filter).
  double SpeedRpm() const { return measuredRpm_; }
  double AccelerationRpmPerS() const { return accelRpmPerS_; }
  double PositionCounts() const { return positionCounts_; }
  double CurrentMa() const { return currentMa_; }
  // The move profile's position minus the actual one while a move runs; 0 otherwise.
  double TrackingErrorCounts() const;
  double TargetCounts() const { return targetCounts_; }
  // What the speed loop is asked for at this moment.
  double SpeedReferenceRpm() const { return referenceRpm_; }

 private:
  void Step();
  void StepProfile();
  double PositionLoopRpm();
  void SpeedLoopAndMotor();
  void Settle();
  void JumpToEndState(double seconds);
  double CountsPerSecondPerRpm() const;
  double RampRpmPerS() const;
  double FrictionMa(double rpm) const;

  Settings settings_;
  bool enabled_ = true;
  bool emergencyStop_ = false;
  MotionControl control_ = MotionControl::Idle;
  double speedCommandRpm_ = 0.0;
  double targetCounts_ = 0.0;

  // Move profile: where the position reference is and how fast it goes.
  double profileCounts_ = 0.0;
  double profileCps_ = 0.0;
  bool profileDone_ = true;
  double positionIntegral_ = 0.0;  // counts × s

  double referenceRpm_ = 0.0;
  double brakingFromRpm_ = 0.0;  // the reference's sign while the drive brakes to rest
  double integralMa_ = 0.0;
  double speedRpm_ = 0.0;
  double measuredRpm_ = 0.0;
  double accelRpmPerS_ = 0.0;
  double accelMeasuredRpmPerS_ = 0.0;
  double positionCounts_ = 0.0;
  double currentMa_ = 0.0;
  bool haveTime_ = false;
  std::uint32_t lastMs_ = 0;
};

}  // namespace zembra::sim
