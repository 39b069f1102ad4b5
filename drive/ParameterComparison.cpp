#include "drive/ParameterComparison.h"

#include "drive/ParameterTable.h"

namespace zembra::drive {

std::vector<ShownDifference> CompareShown(const HeldValues& page, const HeldValues& other, std::span<const Field> fields) {
  std::vector<ShownDifference> differences;
  for (Field field : fields) {
    std::string shown = page.DisplayText(field);
    std::string theirs = other.DisplayText(field);
    if (shown != theirs)
      differences.push_back({field, std::string(ParameterTable::Info(field).name), std::move(shown), std::move(theirs)});
  }
  return differences;
}

std::vector<Field> DriveFields() {
  std::vector<Field> fields;
  for (const FieldInfo& info : ParameterTable::Fields())
    if (ParameterTable::ReadStepOf(info.field)) fields.push_back(info.field);
  return fields;
}

std::vector<Field> SchemeFields() {
  std::vector<Field> fields;
  for (const FieldInfo& info : ParameterTable::Fields())
    if (!info.schemeOnly && ParameterTable::SchemeKeyOf(info.field)) fields.push_back(info.field);
  return fields;
}

}  // namespace zembra::drive
