#include "cli/SchemeComparison.h"

#include <QString>

#include "common/IniStore.h"
#include "drive/ParameterTable.h"
#include "drive/SchemeMapping.h"
#include "platform/Gbk.h"

namespace zembra::cli {
namespace {

using drive::ParameterTable;

std::string Gbk(std::string_view utf8) {
  return ToGbk(QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

// Fields some read step fills: only these does the drive hold.
bool ReadFromDrive(drive::Field field) {
  for (const drive::ReadStep& step : ParameterTable::ReadSteps())
    for (drive::Field filled : ParameterTable::FieldsOf(step))
      if (filled == field) return true;
  return false;
}

}  // namespace

std::vector<SchemeDifference> SchemeComparison::Compare(const drive::ParameterSet& file, const ParameterReadout& drive) {
  // Both sides go through the scheme mapping, so a value is compared in
  // exactly the form a backup would write it.
  CIniStore fileStore({});
  CIniStore driveStore({});
  drive::SchemeMapping::Store(file, fileStore);
  drive::SchemeMapping::Store(drive.Values(), driveStore);
  const std::string section(ParameterTable::kSchemeSection);
  std::vector<SchemeDifference> differences;
  for (const drive::SchemeKey& key : ParameterTable::SchemeKeys()) {
    if (!drive.Held(key.field)) continue;
    const std::string name = Gbk(key.key);
    std::string fileValue = fileStore.GetString(section, name);
    std::string driveValue = driveStore.GetString(section, name);
    if (fileValue != driveValue) differences.push_back({std::string(key.key), fileValue, driveValue});
  }
  return differences;
}

std::vector<std::string> SchemeComparison::Unverified(const ParameterReadout& drive) {
  std::vector<std::string> keys;
  for (const drive::SchemeKey& key : ParameterTable::SchemeKeys())
    if (ReadFromDrive(key.field) && !drive.Held(key.field)) keys.emplace_back(key.key);
  return keys;
}

}  // namespace zembra::cli
