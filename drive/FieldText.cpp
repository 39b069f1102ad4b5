#include "drive/FieldText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>

#include "drive/ParameterTable.h"

namespace zembra::drive {
namespace {

std::string_view Trimmed(std::string_view text) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Item(std::span<const std::string_view> items, int index) {
  if (index < 0 || index >= static_cast<int>(items.size())) return "无";
  return std::string(items[static_cast<std::size_t>(index)]);
}

ParsedNumber ParseInteger(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() < '0' || text.front() > '9') return {std::nullopt, "不是整数"};
  std::uint64_t magnitude = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (end != text.data() + text.size()) return {std::nullopt, "不是整数"};
  constexpr std::uint64_t kMax = std::numeric_limits<int>::max();
  if (error == std::errc::result_out_of_range || magnitude > kMax + (negative ? 1 : 0))
    return {std::nullopt, "超出整数范围", true};
  const auto value = static_cast<double>(magnitude);
  return {negative ? -value : value, {}};
}

ParsedNumber ParseReal(std::string_view text) {
  // from_chars takes no '+', and reads the same whatever the locale says
  // a decimal point is.
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const bool startsLikeANumber =
      !text.empty() && ((text.front() >= '0' && text.front() <= '9') || text.front() == '.');
  if (!startsLikeANumber) return {std::nullopt, "不是数字"};
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (end != text.data() + text.size()) return {std::nullopt, "不是数字"};
  if (error == std::errc::result_out_of_range || !std::isfinite(value) ||
      std::fabs(value) > std::numeric_limits<float>::max())
    return {std::nullopt, "超出数值范围", true};
  // The page holds a float and sends it truncated: a number whose float
  // truncates to another whole number would be sent as something the
  // text does not say (16777217 as 16777216).
  // (Numbers beyond what any command carries are left to the range.)
  if (std::fabs(value) < 2147483648.0 && std::trunc(static_cast<double>(static_cast<float>(value))) != std::trunc(value))
    return {std::nullopt, "超出单精度数的精度", true};
  return {negative ? -value : value, {}};
}

}  // namespace

std::string FormatNumber(Field field, double value) {
  if (ParameterTable::Info(field).type == ValueType::Float) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
    return std::string(buffer, result.ptr);
  }
  return std::to_string(static_cast<long long>(value));
}

std::string ChoiceText(Field field, const ParameterSet& values) {
  const FieldInfo& info = ParameterTable::Info(field);
  switch (info.kind) {
    case ControlKind::Check:
      return values.Checked(field) ? "是" : "否";
    case ControlKind::RadioGroup:
      return Item(info.choices, values.Int(field));
    case ControlKind::List:
      return Item(field == Field::SerialBaud ? ParameterTable::SerialBaudItems() : ParameterTable::CanBaudItems(),
                  values.Int(field));
    case ControlKind::Edit:
    case ControlKind::DisplayEdit:
      break;
  }
  return FormatNumber(field, values.Value(field));
}

ParsedNumber ParseNumber(Field field, std::string_view text) {
  text = Trimmed(text);
  if (text.empty()) return {std::nullopt, "没有数值"};
  return ParameterTable::Info(field).type == ValueType::Float ? ParseReal(text) : ParseInteger(text);
}

}  // namespace zembra::drive
