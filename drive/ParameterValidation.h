#pragma once
// The checks a parameter set passes before anything is written, and the
// words a user is told when one fails (UTF-8).
#include <optional>
#include <span>
#include <string>

#include "drive/ParameterSet.h"

namespace zembra::drive {

struct FieldProblem {
  Field field;
  std::string message;
};

// The field's range in words: "-2100000000 到 0", "不小于 1", "不大于
// 65535"; empty for a field without a range.
std::string RangeSpan(Field field);
// True when the field has no range or holds a value inside it.
bool InRange(Field field, const ParameterSet& set);

// The first of the `typed` fields whose value lies outside its range, as
// the page refuses what the user typed: "请输入位置下限：-2100000000 到 0
// 之间的整数".
std::optional<FieldProblem> CheckTyped(const ParameterSet& set, std::span<const Field> typed);
// The first field of the set outside its range, as a write refuses it
// whoever put the value there: "位置下限的值 10 超出范围：-2100000000 到 0
// 之间的整数".
std::optional<FieldProblem> FirstOutOfRange(const ParameterSet& set);

// The write-time checks in their order: encoder resolution a multiple of
// four, encoder resolution positive, peak current not below continuous
// current; with a baud change, both lists must have a selection.
std::optional<std::string> ValidateForWrite(const ParameterSet& set, bool changeBaud);

// Everything a write checks, in the page's order: ranges, then the
// write-time checks.
std::optional<FieldProblem> CheckForWrite(const ParameterSet& set, bool changeBaud);

}  // namespace zembra::drive
