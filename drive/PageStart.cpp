#include "drive/PageStart.h"

#include <string>

#include "drive/ParameterTable.h"

namespace zembra::drive {
namespace {

constexpr int kCanFallbackIndex = 5;  // "500"

}  // namespace

ParameterSet PageStart::WithLists(int serialBaud, int canBaud) {
  ParameterSet set;
  set.Set(Field::SerialBaud, ParameterTable::FindSerialBaud(std::to_string(serialBaud)));
  const int can = ParameterTable::FindCanBaud(std::to_string(canBaud));
  set.Set(Field::CanBaud, can >= 0 ? can : kCanFallbackIndex);
  return set;
}

ParameterSet PageStart::FromProfile(const Profile& profile) {
  return WithLists(profile.GetInt(QStringLiteral("ComBand"), kDefaultSerialBaud),
                   profile.GetInt(QStringLiteral("CanBand"), kDefaultCanBaud));
}

}  // namespace zembra::drive
