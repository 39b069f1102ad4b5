#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace zembra::sim {

// Every stored, numeric drive setting that has its own query. Mode and signal
// source are not here: they travel together in the status word and the
// mode word of "SMOD".
enum class DriveParameter {
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
  PeakCurrent,
  ContinuousCurrent,
  QuadratureInductance,
  DirectInductance,
  DeadBandVoltage,
  Direction,
  MinSpeed,
  Acceleration,
  HardLimitSwitch,
  SoftLimitSwitch,
  PositionLowerLimit,
  PositionUpperLimit,
  PositionErrorWindow,
  MaxTrackingError,
  ProtectionDelay,
  IitTime,
  EncoderResolution,
  StepWidth,
  NodeType,
  NodeAddress,
  HomingAtPowerOn,
  HomingSpeed,
  HomingRange,
  MechanicalOffset,
  PolePairs,
  SerialBaud,
  CanBaud,
  Count
};

// Which argument values a setting command accepts.
enum class ValueRule {
  AnyInteger,
  NonNegative,
  Positive,
  Flag,          // 0 or 1
  NonPositive,
  SerialBaudRate,  // 2400, 4800, 9600, 19200
  CanBitRate,      // 20000 ... 1000000 in the usual CAN steps
};

struct DriveParameterInfo {
  DriveParameter id;
  std::string_view query;   // e.g. "GSP"
  std::string_view setter;  // e.g. "SSP"; empty when set by other commands
  std::int32_t factoryValue;
  ValueRule rule;
};

// The drive's parameter catalogue: query and setting mnemonics, factory
// defaults and argument rules.
class DriveParameterTable {
 public:
  static std::span<const DriveParameterInfo> All();
  static const DriveParameterInfo& Info(DriveParameter id);
  static const DriveParameterInfo* FindByQuery(std::string_view mnemonic);
  static const DriveParameterInfo* FindBySetter(std::string_view mnemonic);
  static bool Accepts(ValueRule rule, std::int64_t value);
};

}  // namespace zembra::sim
