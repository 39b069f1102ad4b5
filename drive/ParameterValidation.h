#pragma once
// The checks a parameter set passes before anything is written. Each
// returns the message a user is shown (UTF-8), or nothing when it passes.
#include <optional>
#include <string>

#include "drive/ParameterSet.h"

namespace zembra::drive {

// The fields with a range (the position limits), named in the message.
std::optional<std::string> CheckRanges(const ParameterSet& set);

// The write-time checks in their order: encoder resolution a multiple of
// four, encoder resolution positive, peak current not below continuous
// current; with a baud change, both lists must have a selection.
std::optional<std::string> ValidateForWrite(const ParameterSet& set, bool changeBaud);

}  // namespace zembra::drive
