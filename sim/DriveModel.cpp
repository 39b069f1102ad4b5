#include "sim/DriveModel.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>

namespace zembra::sim {

namespace {

// Whole argument must be an optional sign followed by decimal digits.
std::optional<std::int64_t> ParseArgument(std::string_view text) {
  if (text.empty()) return std::nullopt;
  std::size_t start = 0;
  if (text[0] == '+') start = 1;  // from_chars takes '-' but not '+'
  if (start == text.size()) return std::nullopt;
  if (text[start] == '-' && start == 1) return std::nullopt;
  std::int64_t value = 0;
  const char* first = text.data() + start;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc{} || end != last) return std::nullopt;
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return value;
}

std::optional<SignalSource> SignalFromCode(std::int64_t code) {
  switch (code) {
    case 0: return SignalSource::Digital;
    case 1: return SignalSource::DifferentialAnalog;
    case 2: return SignalSource::ExternalPwm;
    case 3: return SignalSource::StepPulse;
    case 5: return SignalSource::SingleEndedAnalog;
    default: return std::nullopt;
  }
}

char Digit(int value) { return static_cast<char>('0' + value); }

// A 32-bit counter on the drive: wraps rather than saturates.
std::int32_t WrapToInt32(double value) {
  const auto whole = static_cast<std::int64_t>(std::llround(value));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(whole));
}

std::int32_t RoundToInt32(double value) {
  return static_cast<std::int32_t>(std::lround(value));
}

}  // namespace

DriveSettings DriveSettings::Factory() {
  DriveSettings settings;
  for (const auto& info : DriveParameterTable::All()) settings.Set(info.id, info.factoryValue);
  return settings;
}

DriveModel::DriveModel() : working_(DriveSettings::Factory()), eeprom_(working_) {
  ApplyMotorSettings();
}

std::string DriveModel::Ok() { return WireFormat::TextReply("OK"); }
std::string DriveModel::Error() { return WireFormat::TextReply("ERR"); }
std::string DriveModel::Number(std::int64_t value) {
  return WireFormat::TextReply(std::to_string(value));
}

std::string_view DriveModel::MnemonicOf(std::string_view commandLine) {
  std::size_t n = 0;
  while (n < commandLine.size() && commandLine[n] >= 'A' && commandLine[n] <= 'Z') ++n;
  return commandLine.substr(0, n);
}

bool DriveModel::IsStreamStop(std::string_view commandLine, SampleLead* lead) {
  if (commandLine.size() != 2 || commandLine[1] != 'S') return false;
  const auto found = WireFormat::SampleLeadOf(commandLine[0]);
  if (!found) return false;
  if (lead) *lead = *found;
  return true;
}

bool DriveModel::SetAlarms(std::string_view alarms) {
  if (alarms.size() != kAlarmCount) return false;
  for (char c : alarms) {
    if (c != '0' && c != '1') return false;
  }
  for (int i = 0; i < kAlarmCount; ++i) alarms_[i] = alarms[i] == '1';
  return true;
}

void DriveModel::SetAlarm(int index, bool active) {
  if (index >= 0 && index < kAlarmCount) alarms_[index] = active;
}

std::string DriveModel::Alarms() const {
  std::string text;
  for (int i = 0; i < kAlarmCount; ++i) {
    const bool active = alarms_[i] || (i == kEepromAlarmIndex && eepromFault_);
    text += active ? '1' : '0';
  }
  return text;
}

EepromState DriveModel::Eeprom(std::uint32_t nowMs) const {
  if (eepromFault_) return EepromState::Error;
  if (storing_ && nowMs - storeStartMs_ < kEepromStoreMs) return EepromState::Storing;
  return EepromState::Valid;
}

std::string DriveModel::StatusWord(std::uint32_t nowMs) const {
  std::string word;
  word += Digit(static_cast<int>(working_.mode));
  word += Digit(static_cast<int>(working_.signal));
  word += motor_.Enabled() ? '1' : '0';
  word += motor_.EmergencyStopped() ? '1' : '0';
  word += working_.Get(DriveParameter::Direction) != 0 ? '1' : '0';
  word += Digit(static_cast<int>(Eeprom(nowMs)));
  word += "00";
  return word;
}

void DriveModel::SetParameter(DriveParameter id, std::int32_t value) {
  working_.Set(id, value);
  ApplyMotorSettings();
}

void DriveModel::SetMode(DriveMode mode, SignalSource signal) {
  working_.mode = mode;
  working_.signal = signal;
}

void DriveModel::ApplyMotorSettings() {
  MotorModel::Settings settings;
  settings.maxSpeedRpm = working_.Get(DriveParameter::MaxSpeed);
  settings.countsPerRevolution = working_.Get(DriveParameter::EncoderResolution);
  settings.peakCurrentMa = working_.Get(DriveParameter::PeakCurrent);
  // "A" sets the ramp: each unit is 30 rpm/s, so the factory 100 ramps to
  // 3000 rpm in a second.
  settings.accelerationRpmPerS = working_.Get(DriveParameter::Acceleration) * 30.0;
  MotorModel::Gains& gains = settings.gains;
  gains.speedProportional = working_.Get(DriveParameter::SpeedProportional);
  gains.speedIntegral = working_.Get(DriveParameter::SpeedIntegral);
  gains.speedDerivative = working_.Get(DriveParameter::SpeedDerivative);
  gains.positionProportional = working_.Get(DriveParameter::PositionProportional);
  gains.positionIntegral = working_.Get(DriveParameter::PositionIntegral);
  gains.positionDerivative = working_.Get(DriveParameter::PositionDerivative);
  gains.speedFeedForward = working_.Get(DriveParameter::SpeedFeedForward);
  motor_.Configure(settings);
}

std::string DriveModel::ParameterBlock() const {
  std::string block(WireFormat::kParameterBlockSize, '\0');
  block[0] = 'Q';
  block[1] = 'N';
  // The values that fit, 32-bit little-endian in catalogue order; the byte
  // before the check byte holds mode and signal source.
  constexpr std::size_t kModeIndex = WireFormat::kParameterBlockCheckIndex - 1;
  std::size_t offset = 2;
  for (const auto& info : DriveParameterTable::All()) {
    if (offset + 4 > kModeIndex) break;
    const auto bits = static_cast<std::uint32_t>(eeprom_.Get(info.id));
    for (int i = 0; i < 4; ++i) block[offset++] = static_cast<char>((bits >> (8 * i)) & 0xFFu);
  }
  block[kModeIndex] = static_cast<char>(static_cast<int>(eeprom_.mode) * 16 +
                                        static_cast<int>(eeprom_.signal));
  block[WireFormat::kParameterBlockCheckIndex] = static_cast<char>(
      WireFormat::AdditiveCheck(std::string_view(block).substr(0, WireFormat::kParameterBlockCheckIndex)));
  return block;
}

std::int32_t DriveModel::Measure(Measurement what, std::uint32_t nowMs) {
  motor_.AdvanceTo(nowMs);
  switch (what) {
    case Measurement::Position: return WrapToInt32(motor_.PositionCounts());
    case Measurement::Speed: return RoundToInt32(motor_.SpeedRpm());
    case Measurement::Current: return RoundToInt32(motor_.CurrentMa());
    case Measurement::TrackingError: return RoundToInt32(motor_.TrackingErrorCounts());
  }
  return 0;
}

std::string DriveModel::Handle(std::string_view commandLine, std::uint32_t nowMs) {
  motor_.AdvanceTo(nowMs);
  if (commandLine.empty()) return {};
  if (IsStreamStop(commandLine)) return {};
  const std::string_view mnemonic = MnemonicOf(commandLine);
  if (mnemonic.empty()) return Error();
  return HandleCommand(mnemonic, commandLine.substr(mnemonic.size()), nowMs);
}

std::string DriveModel::HandleCommand(std::string_view mnemonic, std::string_view argument,
                                      std::uint32_t nowMs) {
  const bool hasArgument = !argument.empty();
  const std::optional<std::int64_t> value = ParseArgument(argument);
  if (hasArgument && !value) return Error();

  // Commands that take no argument.
  if (!hasArgument) {
    if (mnemonic == "GVER") return WireFormat::TextReply(versionText_);
    if (mnemonic == "GDTY") return WireFormat::TextReply(modelText_);
    if (mnemonic == "GSI") return WireFormat::TextReply(StatusWord(nowMs));
    if (mnemonic == "GEI") return WireFormat::TextReply(Alarms());
    if (mnemonic == "GT") return Number(temperature_);
    if (mnemonic == "GM") return Number(Measure(Measurement::Position, nowMs));
    if (mnemonic == "GV") return Number(Measure(Measurement::Speed, nowMs));
    if (mnemonic == "GC") return Number(Measure(Measurement::Current, nowMs));
    if (mnemonic == "GSE") return Number(Measure(Measurement::TrackingError, nowMs));
    if (mnemonic == "GESA") return ParameterBlock();
    if (mnemonic == "QNCON") return WireFormat::TextReply("DIRER");
    if (mnemonic == "ENA") {
      motor_.SetEnabled(true);
      return Ok();
    }
    if (mnemonic == "DIS") {
      motor_.SetEnabled(false);
      return Ok();
    }
    if (mnemonic == "SBS") {
      motor_.SetEmergencyStop(true);
      return Ok();
    }
    if (mnemonic == "CBS") {
      motor_.SetEmergencyStop(false);
      return Ok();
    }
    if (mnemonic == "PO") {
      motor_.ZeroPosition();
      return Ok();
    }
    if (mnemonic == "SR" || mnemonic == "SL") {
      working_.Set(DriveParameter::Direction, mnemonic == "SR" ? 1 : 0);
      return Ok();
    }
    if (mnemonic == "ESA") {
      eeprom_ = working_;
      storing_ = true;
      storeStartMs_ = nowMs;
      return Ok();
    }
    if (mnemonic == "FCFG") {
      working_ = DriveSettings::Factory();
      ApplyMotorSettings();
      return Ok();
    }
    if (mnemonic == "CPA") return Ok();
    if (const auto* info = DriveParameterTable::FindByQuery(mnemonic)) {
      return Number(working_.Get(info->id));
    }
    return Error();
  }

  // Commands with an argument.
  if (mnemonic == "SMOD") {
    const std::int64_t mode = *value / 256;
    const auto signal = SignalFromCode(*value % 256);
    if (*value < 0 || mode > static_cast<int>(DriveMode::Amplifier) || !signal) return Error();
    SetMode(static_cast<DriveMode>(mode), *signal);
    return Ok();
  }
  if (mnemonic == "V") {
    motor_.CommandSpeed(static_cast<double>(*value));
    return Ok();
  }
  if (mnemonic == "M" || mnemonic == "MR") {
    double target = static_cast<double>(*value);
    if (mnemonic == "MR") {
      target += motor_.Control() == MotionControl::Position ? motor_.TargetCounts()
                                                            : motor_.PositionCounts();
    }
    if (working_.Get(DriveParameter::SoftLimitSwitch) != 0) {
      target = std::fmax(target, working_.Get(DriveParameter::PositionLowerLimit));
      target = std::fmin(target, working_.Get(DriveParameter::PositionUpperLimit));
    }
    motor_.CommandAbsoluteMove(target);
    return Ok();
  }
  if (const auto* info = DriveParameterTable::FindBySetter(mnemonic)) {
    if (!DriveParameterTable::Accepts(info->rule, *value)) return Error();
    SetParameter(info->id, static_cast<std::int32_t>(*value));
    return Ok();
  }
  return Error();
}

}  // namespace zembra::sim
