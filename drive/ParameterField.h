#pragma once
// Every value the parameter page holds: the drive's parameters, and the
// fields that live only in scheme files.
#include <cstddef>

namespace zembra::drive {

enum class Field : int {
  RunMode,             // radio index: 0 speed, 1 position, 2 torque, 3 amplifier
  SignalSource,        // radio index: 0 digital, 1 differential, 2 PWM, 3 step pulses, 4 single-ended
  PositionProportional,
  PositionIntegral,
  PositionDerivative,
  SpeedFeedForward,
  SpeedProportional,
  SpeedIntegral,
  SpeedDerivative,
  CurrentProportional,
  CurrentIntegral,
  CurrentDerivative,
  MaxSpeed,
  PeakCurrent,         // float
  ContinuousCurrent,   // float
  QuadratureInductance,
  DirectInductance,
  DeadBandVoltage,     // float
  Direction,           // 0 forward (正转), 1 reverse (反转)
  MinSpeed,
  Acceleration,
  HardLimitEnable,     // check 0/1
  SoftLimitEnable,     // check 0/1
  PositionLowerLimit,
  PositionUpperLimit,
  PositionErrorWindow,
  MaxTrackingError,
  ProtectionDelay,
  IitTime,
  EncoderResolution,
  StepWidth,
  NodeType,            // radio index: 0 software node, 1 hardware node
  NodeNumber,
  HomingAtPowerOn,     // check 0/1
  HomingSpeed,
  HomingRange,
  MechanicalOffset,
  PolePairs,           // display only
  SerialBaud,          // list index, -1 when nothing is selected
  CanBaud,             // list index, -1 when nothing is selected
  // Scheme-only fields: kept from load to save, never sent.
  FeedbackType,        // radio index: 0 encoder, 1 tacho
  TachoResolution,
  MaxFrequency,
  IxrEnable,           // check 0/1
  IxrCoefficient,
  Count
};

constexpr std::size_t kFieldCount = static_cast<std::size_t>(Field::Count);
constexpr std::size_t Index(Field f) { return static_cast<std::size_t>(f); }

}  // namespace zembra::drive
