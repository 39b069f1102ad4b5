#pragma once
// The parameter page's working copy of the drive's configuration as plain
// values, one per field: ints, the three currents and voltages as floats,
// radio and list selections as indices (-1: nothing selected).
#include <array>
#include <string>
#include <string_view>

#include "drive/ParameterField.h"

namespace zembra::drive {

class ParameterSet {
 public:
  // The values of a freshly constructed page (lists without a selection).
  ParameterSet();

  int Int(Field field) const;
  float Float(Field field) const;
  double Value(Field field) const { return m_values[Index(field)]; }
  bool Checked(Field field) const { return Int(field) != 0; }
  // Stores the value in the field's own type: float fields are rounded to
  // float, the others truncated to int. Values that are not finite become
  // 0, values beyond the type's range saturate, so nothing later can turn
  // them into undefined arithmetic.
  void Set(Field field, double value);

  // The drive's mode word: run mode × 256 + signal code, where the
  // single-ended analogue source (index 4) is the drive's code 5.
  int ModeWord() const;
  static int SignalCodeOf(int signalIndex);

  // The current list texts ("" when nothing is selected).
  std::string_view SerialBaudText() const;
  std::string_view CanBaudText() const;

  bool operator==(const ParameterSet&) const = default;

 private:
  std::array<double, kFieldCount> m_values{};
};

}  // namespace zembra::drive
