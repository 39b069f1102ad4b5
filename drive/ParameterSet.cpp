#include "drive/ParameterSet.h"

#include <cmath>
#include <limits>

#include "drive/ParameterTable.h"

namespace zembra::drive {
namespace {

std::string_view ItemText(std::span<const std::string_view> items, int index) {
  if (index < 0 || index >= static_cast<int>(items.size())) return {};
  return items[static_cast<std::size_t>(index)];
}

}  // namespace

ParameterSet::ParameterSet() {
  for (const FieldInfo& info : ParameterTable::Fields()) m_values[Index(info.field)] = info.initial;
}

int ParameterSet::Int(Field field) const { return static_cast<int>(m_values[Index(field)]); }

float ParameterSet::Float(Field field) const { return static_cast<float>(m_values[Index(field)]); }

void ParameterSet::Set(Field field, double value) {
  if (!std::isfinite(value)) value = 0;
  if (ParameterTable::Info(field).type == ValueType::Float) {
    constexpr double kMax = std::numeric_limits<float>::max();
    value = static_cast<float>(std::fmax(-kMax, std::fmin(kMax, value)));
  } else {
    constexpr double kMin = std::numeric_limits<int>::min();
    constexpr double kMax = std::numeric_limits<int>::max();
    value = std::trunc(std::fmax(kMin, std::fmin(kMax, value)));
  }
  m_values[Index(field)] = value;
}

int ParameterSet::SignalCodeOf(int signalIndex) { return signalIndex == 4 ? 5 : signalIndex; }

int ParameterSet::ModeWord() const { return Int(Field::RunMode) * 256 + SignalCodeOf(Int(Field::SignalSource)); }

std::string_view ParameterSet::SerialBaudText() const {
  return ItemText(ParameterTable::SerialBaudItems(), Int(Field::SerialBaud));
}

std::string_view ParameterSet::CanBaudText() const {
  return ItemText(ParameterTable::CanBaudItems(), Int(Field::CanBaud));
}

}  // namespace zembra::drive
