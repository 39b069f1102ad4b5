#pragma once
// The commands that write a parameter set to the drive, in the drive's
// order, each with the pause the drive needs after it.
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "drive/ParameterSet.h"

namespace zembra::drive {

struct DriveCommand {
  std::string text;            // with its "\r"
  std::string_view mnemonic;   // how a summary names it
  Field field;
  std::chrono::milliseconds pauseAfter;
};

constexpr std::chrono::milliseconds kWritePause{100};

// The 36 commands of a write; with `changeBaud` the RS-232 and CAN baud
// commands follow (the last one without a pause).
std::vector<DriveCommand> EncodeWrite(const ParameterSet& set, bool changeBaud);

// The float truncated toward zero, saturated at the int limits.
int TruncateToInt(float value);

}  // namespace zembra::drive
