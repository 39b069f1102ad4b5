#pragma once
// Turns the drive's reply to one read into changes of the page's fields.
// Only decides; applying the changes (and whether to) is the caller's.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drive/ParameterField.h"
#include "drive/ParameterTable.h"

namespace zembra::drive {

struct FieldUpdate {
  Field field;
  double value;
  // What an edit shows (UTF-8): the reply itself, or "0" for a numeric
  // field whose reply holds "ERR". Empty for checks, radio groups and lists.
  std::optional<std::string> shownText;
};

struct DecodedReply {
  // Empty when the reply changes nothing (a status word too short to hold
  // mode and signal, a baud rate not in its list). Either way the reply
  // counts as answered.
  std::vector<FieldUpdate> updates;
};

DecodedReply DecodeReply(const ReadStep& step, std::string_view reply);

}  // namespace zembra::drive
