#include "params/FieldHints.h"

#include <array>

namespace zembra {
namespace {

// The tildes are as the drive's documentation writes them: mostly the
// full-width "～", in three texts the ASCII "~".
constexpr std::array<FieldHint, 20> kHints{{
    {1005, "单位为转每二次方秒,范围：1～30000"},
    {1025, "电机运动的负向最大位置,范围：-2100000000～0"},
    {1026, "电机运动的正向最大位置,范围：0～2100000000"},
    {1029, "选中启用后,电机在位置模式下只能在限定范围内运动"},
    {1030, "编码器实际线数的4倍,范围：4～65535"},
    {1036, "允许电机运转的最高速度"},
    {1040, "电机运动位置与目标位置差在误差范围内就认为已到达目标位置，范围：0~30000"},
    {1042, "当输入电压小于设置值时,电机将不运动"},
    {1050, "当电机产生保护后，在本时间内连续超过保护条件则确认为保护事件，单位：ms。数值范围：1~3000"},
    {1051, "电机的最大峰值电流"},
    {1054, "电机的最大连续电流"},
    {1056, "步进模式最大位置跟踪误差,SER255:位置跟踪误差范围是-255~+255。范围：1～10000"},
    {1066, "每输入一个脉冲电机所走的步数"},
    {1099, "驱动器放大系数,范围：0～10000"},
    {1102, "驱动器积分系数,范围：1～10000"},
    {1105, "驱动器微分系数,范围：0～10000"},
    {1134, "信号源正输入时，电机反转"},
    {1135, "信号源正输入时，电机正转"},
    {1156, "RS232通讯时的波特率"},
    {1224, "电机的速度在小于此设置值时，电机将停止运转。此值只在PWM速控模式下有效。"},
}};

}  // namespace

std::span<const FieldHint> FieldHints::All() { return kHints; }

std::optional<QString> FieldHints::For(int controlId) {
  for (const FieldHint& hint : kHints)
    if (hint.controlId == controlId) return QString::fromUtf8(hint.text.data(), static_cast<qsizetype>(hint.text.size()));
  return std::nullopt;
}

}  // namespace zembra
