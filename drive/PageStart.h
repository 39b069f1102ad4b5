#pragma once
// The values the parameter page holds before anything is read: the
// initial value of every field, and the two baud lists selected from the
// saved settings. Whatever starts from "a fresh page" (the page itself, a
// backup from the command line) starts here, so both agree on the lists.
#include "drive/ParameterSet.h"
#include "platform/Profile.h"

namespace zembra::drive {

class PageStart {
 public:
  static constexpr int kDefaultSerialBaud = 9600;  // "ComBand"
  static constexpr int kDefaultCanBaud = 500;      // "CanBand", kbit/s

  // "ComBand" not in the RS-232 list selects nothing; "CanBand" not in
  // the CAN list selects "500".
  static ParameterSet WithLists(int serialBaud, int canBaud);
  static ParameterSet FromProfile(const Profile& profile);
};

}  // namespace zembra::drive
