#pragma once
// Two sets of values side by side as a user would see them: the parameter
// page against what the drive holds, or against a scheme file. Only the
// fields that read differently are listed.
#include <span>
#include <string>
#include <vector>

#include "drive/HeldValues.h"

namespace zembra::drive {

struct ShownDifference {
  Field field;
  std::string name;   // UTF-8, as messages name the field
  std::string page;   // as the page shows it
  std::string other;  // as the page would show the other side's value
};

// `fields` in the order to list them; a field reads differently when the
// texts the page shows for the two values differ.
std::vector<ShownDifference> CompareShown(const HeldValues& page, const HeldValues& other, std::span<const Field> fields);

// The fields a drive reports (every read step's), and those a scheme file
// holds that the page shows, in table order.
std::vector<Field> DriveFields();
std::vector<Field> SchemeFields();

}  // namespace zembra::drive
