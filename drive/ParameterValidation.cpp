#include "drive/ParameterValidation.h"

#include "drive/ParameterTable.h"

namespace zembra::drive {

std::optional<std::string> CheckRanges(const ParameterSet& set) {
  for (const FieldInfo& info : ParameterTable::Fields()) {
    if (!info.range) continue;
    const int value = set.Int(info.field);
    if (value < info.range->min || value > info.range->max) {
      return "请输入" + std::string(info.name) + "：" + std::to_string(info.range->min) + " 到 " +
             std::to_string(info.range->max) + " 之间的整数";
    }
  }
  return std::nullopt;
}

std::optional<std::string> ValidateForWrite(const ParameterSet& set, bool changeBaud) {
  const int encoder = set.Int(Field::EncoderResolution);
  if (encoder % 4 != 0) return std::string("编码器分辨率必须为四的倍数");
  if (encoder <= 0) return std::string("编码器分辨率必须为正整数");
  if (set.Float(Field::PeakCurrent) < set.Float(Field::ContinuousCurrent))
    return std::string("最大峰值电流不能小于最大连续电流");
  // Without a selection the baud commands would carry no rate at all.
  if (changeBaud && (set.SerialBaudText().empty() || set.CanBaudText().empty()))
    return std::string("请先选择RS232和CAN的波特率");
  return std::nullopt;
}

}  // namespace zembra::drive
