#pragma once
// How a field's value reads as text, and how a text becomes a value. The
// parameter page's edits, the command-line tool's output and the scheme
// files the tool checks all read and write numbers here, so a text the
// page accepts is exactly a text the tool accepts, and both print a value
// the same way.
#include <optional>
#include <string>
#include <string_view>

#include "drive/ParameterField.h"
#include "drive/ParameterSet.h"

namespace zembra::drive {

// The field's value as an edit shows it: integers in decimal, floats as
// the shortest text that reads back as the same float ("1000.9").
std::string FormatNumber(Field field, double value);

// How the value reads to a user whatever its control (UTF-8): an edit's
// number, a check as "是" or "否", a radio group's chosen caption, a
// list's item, "无" when a group or list has no selection.
std::string ChoiceText(Field field, const ParameterSet& values);

struct ParsedNumber {
  std::optional<double> value;
  std::string problem;   // UTF-8, why there is no value: "不是整数", "超出整数范围"
  bool tooLarge = false; // a number, but beyond what the field's type holds
};

// A text typed into an edit or found in a file, as the field's number.
// Blanks around it are allowed. Integer fields take an optional sign and
// digits, and only what an int holds; float fields a decimal number with
// an optional exponent ("1.500000e+003"), finite as a float. Nothing is
// clamped, rounded to an integer or read up to the first bad character.
ParsedNumber ParseNumber(Field field, std::string_view text);

}  // namespace zembra::drive
