#include "sim/DriveParameterTable.h"

#include <array>
#include <cstddef>
#include <limits>

namespace zembra::sim {

namespace {

using P = DriveParameter;
using R = ValueRule;

// Order follows DriveParameter, so Info() can index directly.
constexpr std::array<DriveParameterInfo, static_cast<std::size_t>(P::Count)> kParameters{{
    {P::PositionProportional, "GMP", "MP", 20, R::NonNegative},
    {P::PositionIntegral, "GMI", "MI", 0, R::NonNegative},
    {P::PositionDerivative, "GMD", "MD", 10, R::NonNegative},
    {P::SpeedFeedForward, "GMK", "MK", 0, R::NonNegative},
    {P::SpeedProportional, "GP", "P", 200, R::NonNegative},
    {P::SpeedIntegral, "GI", "I", 20, R::NonNegative},
    {P::SpeedDerivative, "GD", "D", 0, R::NonNegative},
    {P::CurrentProportional, "GAP", "AP", 100, R::NonNegative},
    {P::CurrentIntegral, "GAI", "AI", 10, R::NonNegative},
    {P::CurrentDerivative, "GAD", "AD", 0, R::NonNegative},
    {P::MaxSpeed, "GSP", "SSP", 3000, R::Positive},
    {P::PeakCurrent, "GPC", "SPC", 12000, R::Positive},
    {P::ContinuousCurrent, "GCC", "SCC", 6000, R::Positive},
    {P::QuadratureInductance, "GLQ", "SLQ", 120, R::NonNegative},
    {P::DirectInductance, "GLD", "SLD", 110, R::NonNegative},
    {P::DeadBandVoltage, "GMAV", "SMAV", 20, R::NonNegative},
    {P::Direction, "GLR", "", 1, R::Flag},
    {P::MinSpeed, "GMV", "SMV", 10, R::NonNegative},
    {P::Acceleration, "GA", "A", 100, R::Positive},
    {P::HardLimitSwitch, "GPHE", "SPHE", 0, R::Flag},
    {P::SoftLimitSwitch, "GPE", "SPE", 0, R::Flag},
    {P::PositionLowerLimit, "GPL", "SPL", -2100000000, R::NonPositive},
    {P::PositionUpperLimit, "GPH", "SPH", 2100000000, R::NonNegative},
    {P::PositionErrorWindow, "GME", "SME", 10, R::NonNegative},
    {P::MaxTrackingError, "GER", "SER", 1000, R::NonNegative},
    {P::ProtectionDelay, "GPT", "SPT", 500, R::NonNegative},
    {P::IitTime, "GIIT", "SIIT", 2000, R::NonNegative},
    {P::EncoderResolution, "GENC", "ENC", 10000, R::Positive},
    {P::StepWidth, "GTW", "STW", 1, R::Positive},
    {P::NodeType, "GNOT", "SNOT", 0, R::Flag},
    {P::NodeAddress, "GADR", "SADR", 1, R::NonNegative},
    {P::HomingAtPowerOn, "GPOF", "SPOF", 0, R::Flag},
    {P::HomingSpeed, "GOV", "SOV", 100, R::AnyInteger},
    {P::HomingRange, "GOP", "SOP", 10000, R::NonNegative},
    {P::MechanicalOffset, "GORG", "SORG", 0, R::AnyInteger},
    {P::PolePairs, "GNP", "SNP", 4, R::Positive},
    {P::SerialBaud, "GRBD", "BAUD", 9600, R::SerialBaudRate},
    {P::CanBaud, "GCBD", "SCBD", 500000, R::CanBitRate},
}};

constexpr bool OrderMatchesEnum() {
  for (std::size_t i = 0; i < kParameters.size(); ++i) {
    if (static_cast<std::size_t>(kParameters[i].id) != i) return false;
  }
  return true;
}
static_assert(OrderMatchesEnum(), "kParameters must follow DriveParameter order");

}  // namespace

std::span<const DriveParameterInfo> DriveParameterTable::All() { return kParameters; }

const DriveParameterInfo& DriveParameterTable::Info(DriveParameter id) {
  return kParameters[static_cast<std::size_t>(id)];
}

const DriveParameterInfo* DriveParameterTable::FindByQuery(std::string_view mnemonic) {
  for (const auto& info : kParameters) {
    if (info.query == mnemonic) return &info;
  }
  return nullptr;
}

const DriveParameterInfo* DriveParameterTable::FindBySetter(std::string_view mnemonic) {
  if (mnemonic.empty()) return nullptr;
  for (const auto& info : kParameters) {
    if (info.setter == mnemonic) return &info;
  }
  return nullptr;
}

bool DriveParameterTable::Accepts(ValueRule rule, std::int64_t value) {
  if (value < std::numeric_limits<std::int32_t>::min() ||
      value > std::numeric_limits<std::int32_t>::max()) {
    return false;
  }
  switch (rule) {
    case ValueRule::AnyInteger: return true;
    case ValueRule::NonNegative: return value >= 0;
    case ValueRule::Positive: return value > 0;
    case ValueRule::Flag: return value == 0 || value == 1;
    case ValueRule::NonPositive: return value <= 0;
    case ValueRule::SerialBaudRate:
      return value == 2400 || value == 4800 || value == 9600 || value == 19200;
    case ValueRule::CanBitRate:
      for (std::int64_t rate : {20000, 50000, 100000, 125000, 250000, 500000, 1000000}) {
        if (value == rate) return true;
      }
      return false;
  }
  return false;
}

}  // namespace zembra::sim
