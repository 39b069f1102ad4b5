#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "sim/DriveParameterTable.h"
#include "sim/MotorModel.h"
#include "sim/WireFormat.h"

namespace zembra::sim {

enum class DriveMode { Speed = 0, Position = 1, Current = 2, Amplifier = 3 };

// Signal source codes as the drive reports them; 4 is not used.
enum class SignalSource {
  Digital = 0,
  DifferentialAnalog = 1,
  ExternalPwm = 2,
  StepPulse = 3,
  SingleEndedAnalog = 5,
};

enum class EepromState { Error = 0, Valid = 1, Storing = 2 };

// Live quantities a sampling stream can carry.
enum class Measurement { Position, Speed, Current, TrackingError };

// The drive's configuration as one unit, so the EEPROM image is a plain copy.
struct DriveSettings {
  std::array<std::int32_t, static_cast<std::size_t>(DriveParameter::Count)> values{};
  DriveMode mode = DriveMode::Speed;
  SignalSource signal = SignalSource::Digital;

  std::int32_t Get(DriveParameter id) const { return values[static_cast<std::size_t>(id)]; }
  void Set(DriveParameter id, std::int32_t v) { values[static_cast<std::size_t>(id)] = v; }
  static DriveSettings Factory();
};

// The drive's protocol behaviour without any I/O: one command line in, the
// exact reply bytes out. Time is the caller's wrapping millisecond tick.
class DriveModel {
 public:
  static constexpr int kAlarmCount = 10;
  // The reserved alarm position carries the EEPROM error flag.
  static constexpr int kEepromAlarmIndex = 5;
  static constexpr std::uint32_t kEepromStoreMs = 200;

  DriveModel();

  // commandLine is one command without its "\r". Returns "#text\r\n", the
  // 128-byte parameter block, or "" when the drive stays silent.
  std::string Handle(std::string_view commandLine, std::uint32_t nowMs);

  // Leading run of A-Z.
  static std::string_view MnemonicOf(std::string_view commandLine);
  // The stream a line stops ("$S", "*S", "@S"), if it is such a line.
  static bool IsStreamStop(std::string_view commandLine, SampleLead* lead = nullptr);

  void SetVersionText(std::string text) { versionText_ = std::move(text); }
  const std::string& VersionText() const { return versionText_; }
  void SetModelText(std::string text) { modelText_ = std::move(text); }
  const std::string& ModelText() const { return modelText_; }
  void SetTemperature(int celsius) { temperature_ = celsius; }
  int Temperature() const { return temperature_; }

  // Ten characters, each '0' or '1'; false (and no change) otherwise.
  bool SetAlarms(std::string_view alarms);
  void SetAlarm(int index, bool active);
  std::string Alarms() const;
  void SetEepromFault(bool fault) { eepromFault_ = fault; }

  std::string StatusWord(std::uint32_t nowMs) const;
  EepromState Eeprom(std::uint32_t nowMs) const;

  const DriveSettings& Working() const { return working_; }
  const DriveSettings& EepromImage() const { return eeprom_; }
  std::int32_t Parameter(DriveParameter id) const { return working_.Get(id); }
  void SetParameter(DriveParameter id, std::int32_t value);
  void SetMode(DriveMode mode, SignalSource signal);

  // "QN", the EEPROM image's values, check byte.
  std::string ParameterBlock() const;

  MotorModel& Motor() { return motor_; }
  const MotorModel& Motor() const { return motor_; }
  std::int32_t Measure(Measurement what, std::uint32_t nowMs);

 private:
  std::string HandleCommand(std::string_view mnemonic, std::string_view argument,
                            std::uint32_t nowMs);
  void ApplyMotorSettings();
  static std::string Ok();
  static std::string Error();
  static std::string Number(std::int64_t value);

  DriveSettings working_;
  DriveSettings eeprom_;
  MotorModel motor_;
  std::string versionText_ = "2.15";
  std::string modelText_ = "ZD-7720";
  int temperature_ = 36;
  std::array<bool, kAlarmCount> alarms_{};
  bool eepromFault_ = false;
  bool storing_ = false;
  std::uint32_t storeStartMs_ = 0;
};

}  // namespace zembra::sim
