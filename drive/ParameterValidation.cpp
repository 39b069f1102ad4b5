#include "drive/ParameterValidation.h"

#include <limits>

#include "drive/FieldText.h"
#include "drive/ParameterTable.h"

namespace zembra::drive {
namespace {

constexpr double kIntMin = std::numeric_limits<int>::min();
constexpr double kIntMax = std::numeric_limits<int>::max();

std::string Number(Field field, double value) { return FormatNumber(field, value); }

// A range's end in plain digits, also for float fields ("2000000000").
std::string End(double value) { return std::to_string(static_cast<long long>(value)); }

// "-2100000000 到 0 之间的整数", "不小于 1 的整数".
std::string RangeWords(Field field) {
  const bool isFloat = ParameterTable::Info(field).type == ValueType::Float;
  const std::string span = RangeSpan(field);
  const ValueRange& range = *ParameterTable::Info(field).range;
  const bool bothEnds = range.min > kIntMin && range.max < kIntMax;
  return span + (bothEnds ? " 之间的" : " 的") + (isFloat ? "数" : "整数");
}

}  // namespace

std::string RangeSpan(Field field) {
  const std::optional<ValueRange>& range = ParameterTable::Info(field).range;
  if (!range) return {};
  const bool hasMin = range->min > kIntMin;
  const bool hasMax = range->max < kIntMax;
  if (hasMin && hasMax) return End(range->min) + " 到 " + End(range->max);
  if (hasMin) return "不小于 " + End(range->min);
  if (hasMax) return "不大于 " + End(range->max);
  return {};
}

bool InRange(Field field, const ParameterSet& set) {
  const std::optional<ValueRange>& range = ParameterTable::Info(field).range;
  return !range || range->Contains(set.Value(field));
}

std::optional<FieldProblem> CheckTyped(const ParameterSet& set, std::span<const Field> typed) {
  for (Field field : typed) {
    if (InRange(field, set)) continue;
    return FieldProblem{field, "请输入" + std::string(ParameterTable::Info(field).name) + "：" + RangeWords(field)};
  }
  return std::nullopt;
}

std::optional<FieldProblem> FirstOutOfRange(const ParameterSet& set) {
  for (const FieldInfo& info : ParameterTable::Fields()) {
    if (info.schemeOnly || info.kind == ControlKind::DisplayEdit || InRange(info.field, set)) continue;
    return FieldProblem{info.field, std::string(info.name) + "的值 " + Number(info.field, set.Value(info.field)) +
                                        " 超出范围：" + RangeWords(info.field)};
  }
  return std::nullopt;
}

namespace {

// The write-time checks with the field each is about, so the page can put
// the cursor there.
std::optional<FieldProblem> WriteCheck(const ParameterSet& set, bool changeBaud) {
  const int encoder = set.Int(Field::EncoderResolution);
  if (encoder % 4 != 0) return FieldProblem{Field::EncoderResolution, "编码器分辨率必须为四的倍数"};
  if (encoder <= 0) return FieldProblem{Field::EncoderResolution, "编码器分辨率必须为正整数"};
  if (set.Float(Field::PeakCurrent) < set.Float(Field::ContinuousCurrent))
    return FieldProblem{Field::PeakCurrent, "最大峰值电流不能小于最大连续电流"};
  // Without a selection the baud commands would carry no rate at all.
  if (changeBaud && (set.SerialBaudText().empty() || set.CanBaudText().empty()))
    return FieldProblem{set.SerialBaudText().empty() ? Field::SerialBaud : Field::CanBaud, "请先选择RS232和CAN的波特率"};
  return std::nullopt;
}

}  // namespace

std::optional<std::string> ValidateForWrite(const ParameterSet& set, bool changeBaud) {
  if (std::optional<FieldProblem> problem = WriteCheck(set, changeBaud)) return problem->message;
  return std::nullopt;
}

std::optional<FieldProblem> CheckForWrite(const ParameterSet& set, bool changeBaud) {
  if (std::optional<FieldProblem> problem = FirstOutOfRange(set)) return problem;
  return WriteCheck(set, changeBaud);
}

}  // namespace zembra::drive
