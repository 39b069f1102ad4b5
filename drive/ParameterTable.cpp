#include "drive/ParameterTable.h"

#include <array>

namespace zembra::drive {
namespace {

using F = Field;
using K = ControlKind;
using T = ValueType;

constexpr int kPositionLimit = 2100000000;

// Control ids, one array per field so a FieldInfo can hold a span of them.
constexpr int kRunModeIds[] = {1108, 1107, 1109, 1110};
constexpr int kSignalIds[] = {1047, 1048, 1049, 1154, 1059};
constexpr int kDirectionIds[] = {1135, 1134};
constexpr int kNodeTypeIds[] = {1238, 1237};
constexpr int kFeedbackIds[] = {1234, 1235};
#define ZEMBRA_ID(name, id) constexpr int name[] = {id};
ZEMBRA_ID(k1101, 1101) ZEMBRA_ID(k1104, 1104) ZEMBRA_ID(k1111, 1111) ZEMBRA_ID(k1112, 1112)
ZEMBRA_ID(k1099, 1099) ZEMBRA_ID(k1102, 1102) ZEMBRA_ID(k1105, 1105) ZEMBRA_ID(k1113, 1113)
ZEMBRA_ID(k1114, 1114) ZEMBRA_ID(k1115, 1115) ZEMBRA_ID(k1036, 1036) ZEMBRA_ID(k1051, 1051)
ZEMBRA_ID(k1054, 1054) ZEMBRA_ID(k1060, 1060) ZEMBRA_ID(k1061, 1061) ZEMBRA_ID(k1042, 1042)
ZEMBRA_ID(k1224, 1224) ZEMBRA_ID(k1005, 1005) ZEMBRA_ID(k1032, 1032) ZEMBRA_ID(k1029, 1029)
ZEMBRA_ID(k1025, 1025) ZEMBRA_ID(k1026, 1026) ZEMBRA_ID(k1040, 1040) ZEMBRA_ID(k1056, 1056)
ZEMBRA_ID(k1050, 1050) ZEMBRA_ID(k1062, 1062) ZEMBRA_ID(k1030, 1030) ZEMBRA_ID(k1066, 1066)
ZEMBRA_ID(k1239, 1239) ZEMBRA_ID(k1230, 1230) ZEMBRA_ID(k1231, 1231) ZEMBRA_ID(k1232, 1232)
ZEMBRA_ID(k1233, 1233) ZEMBRA_ID(k1244, 1244) ZEMBRA_ID(k1156, 1156) ZEMBRA_ID(k1157, 1157)
ZEMBRA_ID(k1236, 1236) ZEMBRA_ID(k1068, 1068) ZEMBRA_ID(k1241, 1241) ZEMBRA_ID(k1242, 1242)
#undef ZEMBRA_ID

constexpr double kIntMax = 2147483647;
// The three currents and voltages are sent truncated to whole numbers: a
// value the float keeps exactly and the command's integer can carry.
constexpr double kFloatMax = 2000000000;

constexpr ValueRange kAnyInt{-kIntMax - 1, kIntMax};
constexpr ValueRange kNonNegative{0, kIntMax};
constexpr ValueRange kPositive{1, kIntMax};
constexpr ValueRange kNonNegativeReal{0, kFloatMax};
// The ranges the drive's documentation gives (the hints say them too).
constexpr ValueRange kGain{0, 10000};
constexpr ValueRange kIntegralGain{1, 10000};
constexpr ValueRange kAccelerationRange{1, 30000};
constexpr ValueRange kLowerLimitRange{-kPositionLimit, 0};
constexpr ValueRange kUpperLimitRange{0, kPositionLimit};
constexpr ValueRange kErrorWindowRange{0, 30000};
constexpr ValueRange kTrackingErrorRange{1, 10000};
constexpr ValueRange kProtectionDelayRange{1, 3000};
// Multiples of four below 4 are refused by the write's own checks, with
// their own words; the range only bounds it from above.
constexpr ValueRange kEncoderRange{-kIntMax - 1, 65535};

constexpr std::string_view kRunModeCaptions[] = {"速度模式", "位置模式", "转矩模式", "放大器模式"};
constexpr std::string_view kSignalCaptions[] = {"数字指令", "差分模拟电压", "外部PWM信号", "步进脉冲", "单端模拟电压"};
constexpr std::string_view kDirectionCaptions[] = {"正转", "反转"};
constexpr std::string_view kNodeTypeCaptions[] = {"软件节点", "硬件节点"};
constexpr std::string_view kFeedbackCaptions[] = {"编码器分辨率", "直流测速机"};

// The tildes are as the drive's documentation writes them: mostly the
// full-width "～", in three texts the ASCII "~".
constexpr std::string_view kDirectionHints[] = {"信号源正输入时，电机正转", "信号源正输入时，电机反转"};
#define ZEMBRA_HINT(name, text) constexpr std::string_view name[] = {text};
ZEMBRA_HINT(kAccelerationHint, "单位为转每二次方秒,范围：1～30000")
ZEMBRA_HINT(kLowerLimitHint, "电机运动的负向最大位置,范围：-2100000000～0")
ZEMBRA_HINT(kUpperLimitHint, "电机运动的正向最大位置,范围：0～2100000000")
ZEMBRA_HINT(kSoftLimitHint, "选中启用后,电机在位置模式下只能在限定范围内运动")
ZEMBRA_HINT(kEncoderHint, "编码器实际线数的4倍,范围：4～65535")
ZEMBRA_HINT(kMaxSpeedHint, "允许电机运转的最高速度")
ZEMBRA_HINT(kErrorWindowHint, "电机运动位置与目标位置差在误差范围内就认为已到达目标位置，范围：0~30000")
ZEMBRA_HINT(kDeadBandHint, "当输入电压小于设置值时,电机将不运动")
ZEMBRA_HINT(kProtectionDelayHint,
            "当电机产生保护后，在本时间内连续超过保护条件则确认为保护事件，单位：ms。数值范围：1~3000")
ZEMBRA_HINT(kPeakCurrentHint, "电机的最大峰值电流")
ZEMBRA_HINT(kContinuousCurrentHint, "电机的最大连续电流")
ZEMBRA_HINT(kTrackingErrorHint, "步进模式最大位置跟踪误差,SER255:位置跟踪误差范围是-255~+255。范围：1～10000")
ZEMBRA_HINT(kStepWidthHint, "每输入一个脉冲电机所走的步数")
ZEMBRA_HINT(kSpeedProportionalHint, "驱动器放大系数,范围：0～10000")
ZEMBRA_HINT(kSpeedIntegralHint, "驱动器积分系数,范围：1～10000")
ZEMBRA_HINT(kSpeedDerivativeHint, "驱动器微分系数,范围：0～10000")
ZEMBRA_HINT(kSerialBaudHint, "RS232通讯时的波特率")
ZEMBRA_HINT(kMinSpeedHint, "电机的速度在小于此设置值时，电机将停止运转。此值只在PWM速控模式下有效。")
#undef ZEMBRA_HINT

// In Field order, so Info() indexes directly (checked below).
constexpr std::array<FieldInfo, kFieldCount> kFields{{
    {F::RunMode, "运行模式", "运行模式", K::RadioGroup, T::Index, kRunModeIds, 0, {}, false, {}, kRunModeCaptions},
    {F::SignalSource, "信号来源", "信号来源", K::RadioGroup, T::Index, kSignalIds, 0, {}, false, {}, kSignalCaptions},
    {F::PositionProportional, "位置比例系数", "位置比例系数", K::Edit, T::Int, k1101, 0, kNonNegative, false},
    {F::PositionIntegral, "位置积分系数", "位置积分系数", K::Edit, T::Int, k1104, 0, kNonNegative, false},
    {F::PositionDerivative, "位置微分系数", "位置微分系数", K::Edit, T::Int, k1111, 0, kNonNegative, false},
    {F::SpeedFeedForward, "速度前馈系数", "速度前馈系数", K::Edit, T::Int, k1112, 0, kNonNegative, false},
    {F::SpeedProportional, "速度比例系数", "速度比例系数", K::Edit, T::Int, k1099, 0, kGain, false, {}, {},
     kSpeedProportionalHint},
    {F::SpeedIntegral, "速度积分系数", "速度积分系数", K::Edit, T::Int, k1102, 1, kIntegralGain, false, {}, {},
     kSpeedIntegralHint},
    {F::SpeedDerivative, "速度微分系数", "速度微分系数", K::Edit, T::Int, k1105, 0, kGain, false, {}, {},
     kSpeedDerivativeHint},
    {F::CurrentProportional, "电流比例系数", "电流比例系数", K::Edit, T::Int, k1113, 0, kNonNegative, false},
    {F::CurrentIntegral, "电流积分系数", "电流积分系数", K::Edit, T::Int, k1114, 0, kNonNegative, false},
    {F::CurrentDerivative, "电流微分系数", "电流微分系数", K::Edit, T::Int, k1115, 0, kNonNegative, false},
    {F::MaxSpeed, "最高速度", "最高速度", K::Edit, T::Int, k1036, 0, kNonNegative, false, "RPM", {}, kMaxSpeedHint},
    {F::PeakCurrent, "最大峰值电流", "最大峰值电流", K::Edit, T::Float, k1051, 0, kNonNegativeReal, false, "mA", {},
     kPeakCurrentHint},
    {F::ContinuousCurrent, "最大连续电流", "最大连续电流", K::Edit, T::Float, k1054, 0, kNonNegativeReal, false, "mA",
     {}, kContinuousCurrentHint},
    {F::QuadratureInductance, "交轴电感", "交轴电感", K::Edit, T::Int, k1060, 0, kNonNegative, false, "mL"},
    {F::DirectInductance, "直轴电感", "直轴电感", K::Edit, T::Int, k1061, 0, kNonNegative, false, "mL"},
    {F::DeadBandVoltage, "死区电压", "死区电压", K::Edit, T::Float, k1042, 0, kNonNegativeReal, false, "mV", {},
     kDeadBandHint},
    {F::Direction, "正模拟电压转向", "运转方向", K::RadioGroup, T::Index, kDirectionIds, 0, {}, false, {},
     kDirectionCaptions, kDirectionHints},
    {F::MinSpeed, "最低速度", "最低速度", K::Edit, T::Int, k1224, 0, kNonNegative, false, "RPM", {}, kMinSpeedHint},
    {F::Acceleration, "加速度", "加速度", K::Edit, T::Int, k1005, 1, kAccelerationRange, false, {}, {},
     kAccelerationHint},
    {F::HardLimitEnable, "启用硬件位置范围限制", "硬件位置范围限制", K::Check, T::Int, k1032, 0, {}, false},
    {F::SoftLimitEnable, "启用软件位置范围限制", "软件位置范围限制", K::Check, T::Int, k1029, 0, {}, false, {}, {},
     kSoftLimitHint},
    {F::PositionLowerLimit, "范围从", "位置下限", K::Edit, T::Int, k1025, -kPositionLimit, kLowerLimitRange, false, {},
     {}, kLowerLimitHint},
    {F::PositionUpperLimit, "到", "位置上限", K::Edit, T::Int, k1026, kPositionLimit, kUpperLimitRange, false, {}, {},
     kUpperLimitHint},
    {F::PositionErrorWindow, "位置误差范围", "位置误差范围", K::Edit, T::Int, k1040, 0, kErrorWindowRange, false, {},
     {}, kErrorWindowHint},
    {F::MaxTrackingError, "最大跟踪误差", "最大跟踪误差", K::Edit, T::Int, k1056, 1, kTrackingErrorRange, false, {},
     {}, kTrackingErrorHint},
    {F::ProtectionDelay, "保护延迟时间", "保护延迟时间", K::Edit, T::Int, k1050, 1, kProtectionDelayRange, false, "ms",
     {}, kProtectionDelayHint},
    {F::IitTime, "IIT时间", "IIT时间", K::Edit, T::Int, k1062, 0, kNonNegative, false, "ms"},
    {F::EncoderResolution, "编码器分辨率", "编码器分辨率", K::Edit, T::Int, k1030, 4, kEncoderRange, false, "四倍线数",
     {}, kEncoderHint},
    {F::StepWidth, "步宽", "步宽", K::Edit, T::Int, k1066, 1, kPositive, false, {}, {}, kStepWidthHint},
    {F::NodeType, "节点参数", "节点类型", K::RadioGroup, T::Index, kNodeTypeIds, 0, {}, false, {}, kNodeTypeCaptions},
    {F::NodeNumber, "软件节点号", "软件节点号", K::Edit, T::Int, k1239, 0, kNonNegative, false},
    {F::HomingAtPowerOn, "开机寻零", "开机寻零", K::Check, T::Int, k1230, 0, {}, false},
    {F::HomingSpeed, "寻零速度", "寻零速度", K::Edit, T::Int, k1231, 0, kAnyInt, false, "RPM"},
    {F::HomingRange, "寻零范围", "寻零范围", K::Edit, T::Int, k1232, 0, kNonNegative, false},
    {F::MechanicalOffset, "机械偏差", "机械偏差", K::Edit, T::Int, k1233, 0, kAnyInt, false},
    // Shown as the drive reports it, never taken from the user or sent.
    {F::PolePairs, "电机磁极对数", "电机磁极对数", K::DisplayEdit, T::Int, k1244, 0, {}, false},
    {F::SerialBaud, "RS232", "RS232波特率", K::List, T::Index, k1156, -1, {}, false, "bps", {}, kSerialBaudHint},
    {F::CanBaud, "CAN", "CAN波特率", K::List, T::Index, k1157, -1, {}, false, "Kbps"},
    {F::FeedbackType, "反馈方式", "反馈方式", K::RadioGroup, T::Index, kFeedbackIds, 0, {}, true, {},
     kFeedbackCaptions},
    {F::TachoResolution, "测速机分辨率", "测速机分辨率", K::Edit, T::Int, k1236, 0, kNonNegative, true, "mV/1000RPM"},
    {F::MaxFrequency, "最高频率", "最高频率", K::Edit, T::Int, k1068, 0, kNonNegative, true},
    {F::IxrEnable, "IxR补偿", "IxR补偿", K::Check, T::Int, k1241, 0, {}, true},
    {F::IxrCoefficient, "补偿系数", "IxR补偿系数", K::Edit, T::Int, k1242, 0, kAnyInt, true},
}};

constexpr bool InFieldOrder() {
  for (std::size_t i = 0; i < kFieldCount; ++i)
    if (Index(kFields[i].field) != i) return false;
  return true;
}
static_assert(InFieldOrder());

using R = ReplyRule;
const std::array<ReadStep, 39> kReadSteps{{
    {"GSI\r", "GSI", F::RunMode, R::ModeAndSignal, "\r\n获取模式、信号超时\r\n"},
    {"GMP\r", "GMP", F::PositionProportional, R::Number, "\r\n获取位置比例常数超时\r\n"},
    {"GMI\r", "GMI", F::PositionIntegral, R::Number, "\r\n获取位置积分常数超时\r\n"},
    {"GMD\r", "GMD", F::PositionDerivative, R::Number, "\r\n获取位置微分常数超时\r\n"},
    {"GMK\r", "GMK", F::SpeedFeedForward, R::Number, "\r\n获取速度前馈常数超时\r\n"},
    {"GP\r", "GP", F::SpeedProportional, R::Number, "\r\n获取速度比例常数超时\r\n"},
    {"GI\r", "GI", F::SpeedIntegral, R::Number, "\r\n获取速度积分常数超时\r\n"},
    {"GD\r", "GD", F::SpeedDerivative, R::Number, "\r\n获取速度微分常数超时\r\n"},
    {"GAP\r", "GAP", F::CurrentProportional, R::Number, "\r\n获取电流比例常数超时\r\n"},
    {"GAI\r", "GAI", F::CurrentIntegral, R::Number, "\r\n获取电流积分常数超时\r\n"},
    {"GAD\r", "GAD", F::CurrentDerivative, R::Number, "\r\n获取电流微分常数超时\r\n"},
    {"GSP\r", "GSP", F::MaxSpeed, R::Number, "\r\n获取最高速度超时\r\n"},
    {"GPC\r", "GPC", F::PeakCurrent, R::Number, "\r\n获取峰值电流超时\r\n"},
    {"GCC\r", "GCC", F::ContinuousCurrent, R::Number, "\r\n获取连续电流超时\r\n"},
    {"GLQ\r", "GLQ", F::QuadratureInductance, R::RawNumber, "\r\n获取交轴电感超时\r\n"},
    {"GLD\r", "GLD", F::DirectInductance, R::RawNumber, "\r\n获取直轴电感超时\r\n"},
    {"GMAV\r", "GMAV", F::DeadBandVoltage, R::Number, "\r\n获取最低电压超时\r\n"},
    {"GLR\r", "GLR", F::Direction, R::Direction, "\r\n获取方向超时\r\n"},
    {"GMV\r", "GMV", F::MinSpeed, R::Number, "\r\n获取最低速度超时\r\n"},
    {"GA\r", "GA", F::Acceleration, R::Number, "\r\n获取加速度超时\r\n"},
    {"GPHE\r", "GPHE", F::HardLimitEnable, R::FlagCharacter, "\r\n获取位限开关超时\r\n"},
    {"GPE\r", "GPE", F::SoftLimitEnable, R::FlagCharacter, "\r\n获取位限开关超时\r\n"},
    {"GPL\r", "GPL", F::PositionLowerLimit, R::Number, "\r\n获取位置下限超时\r\n"},
    {"GPH\r", "GPH", F::PositionUpperLimit, R::Number, "\r\n获取位置上限超时\r\n"},
    {"GME\r", "GME", F::PositionErrorWindow, R::Number, "\r\n获取位置误差范围超时\r\n"},
    {"GER\r", "GER", F::MaxTrackingError, R::Number, "\r\n获取最大位置跟踪误差超时\r\n"},
    {"GPT\r", "GPT", F::ProtectionDelay, R::Number, "\r\n获取过载保护延迟超时\r\n"},
    {"GIIT\r", "GIIT", F::IitTime, R::RawNumber, "\r\n获取过载保护延迟超时\r\n"},
    {"GENC\r", "GENC", F::EncoderResolution, R::Number, "\r\n获取编码器分辨率超时\r\n"},
    {"GTW\r", "GTW", F::StepWidth, R::Number, "\r\n获取步宽超时\r\n"},
    {"GNOT\r", "GNOT", F::NodeType, R::NodeType, "\r\n获取节点使用方式超时\r\n"},
    {"GADR\r", "GADR", F::NodeNumber, R::Number, "\r\n获取软件节点号超时\r\n"},
    {"GPOF\r", "GPOF", F::HomingAtPowerOn, R::CheckValue, "\r\n获取启用开机寻零超时\r\n"},
    {"GOV\r", "GOV", F::HomingSpeed, R::RawNumber, "\r\n获取寻零速度超时\r\n"},
    {"GOP\r", "GOP", F::HomingRange, R::RawNumber, "\r\n获取寻零范围超时\r\n"},
    {"GORG\r", "GORG", F::MechanicalOffset, R::RawNumber, "\r\n获取机械偏差超时\r\n"},
    {"GNP\r", "GNP", F::PolePairs, R::RawNumber, "\r\n获取电机磁极对数超时\r\n"},
    {"GRBD\r", "GRBD", F::SerialBaud, R::ListText, "\r\n获取RS232通讯波特率超时\r\n"},
    {"GCBD\r", "GCBD", F::CanBaud, R::BitsPerSecond, "\r\n获取CAN通讯波特率超时\r\n"},
}};

using W = WriteRule;
const std::array<WriteStep, 36> kWriteSteps{{
    {"SMOD%d\r", "SMOD", F::RunMode, W::ModeWord},
    {"MP%d\r", "MP", F::PositionProportional, W::Integer},
    {"MI%d\r", "MI", F::PositionIntegral, W::Integer},
    {"MD%d\r", "MD", F::PositionDerivative, W::Integer},
    {"MK%d\r", "MK", F::SpeedFeedForward, W::Integer},
    {"P%d\r", "P", F::SpeedProportional, W::Integer},
    {"I%d\r", "I", F::SpeedIntegral, W::Integer},
    {"D%d\r", "D", F::SpeedDerivative, W::Integer},
    {"AP%d\r", "AP", F::CurrentProportional, W::Integer},
    {"AI%d\r", "AI", F::CurrentIntegral, W::Integer},
    {"AD%d\r", "AD", F::CurrentDerivative, W::Integer},
    {"SSP%d\r", "SSP", F::MaxSpeed, W::Integer},
    {"SPC%d\r", "SPC", F::PeakCurrent, W::TruncatedFloat},
    {"SCC%d\r", "SCC", F::ContinuousCurrent, W::TruncatedFloat},
    {"SLQ%d\r", "SLQ", F::QuadratureInductance, W::Integer},
    {"SLD%d\r", "SLD", F::DirectInductance, W::Integer},
    {"SMAV%d\r", "SMAV", F::DeadBandVoltage, W::TruncatedFloat},
    {"", "SL/SR", F::Direction, W::Direction},
    {"SMV%d\r", "SMV", F::MinSpeed, W::Integer},
    {"A%d\r", "A", F::Acceleration, W::Integer},
    {"SPL%d\r", "SPL", F::PositionLowerLimit, W::Integer},
    {"SPH%d\r", "SPH", F::PositionUpperLimit, W::Integer},
    {"SPE%d\r", "SPE", F::SoftLimitEnable, W::CheckOneZero},
    {"SPHE%d\r", "SPHE", F::HardLimitEnable, W::CheckOneZero},
    {"SME%d\r", "SME", F::PositionErrorWindow, W::Integer},
    {"SER%d\r", "SER", F::MaxTrackingError, W::Integer},
    {"SPT%d\r", "SPT", F::ProtectionDelay, W::Integer},
    {"SIIT%d\r", "SIIT", F::IitTime, W::Integer},
    {"ENC%d\r", "ENC", F::EncoderResolution, W::Integer},
    {"STW%d\r", "STW", F::StepWidth, W::Integer},
    {"SNOT%d\r", "SNOT", F::NodeType, W::Integer},
    {"SADR%d\r", "SADR", F::NodeNumber, W::Integer},
    {"", "SPOF", F::HomingAtPowerOn, W::CheckFixed},
    {"SOV%d\r", "SOV", F::HomingSpeed, W::Integer},
    {"SOP%d\r", "SOP", F::HomingRange, W::Integer},
    {"SORG%d\r", "SORG", F::MechanicalOffset, W::Integer},
}};

using S = SchemeValue;
const std::array<SchemeKey, 43> kSchemeKeys{{
    {"运行模式", F::RunMode, S::ModeWord},
    {"位置比例常数", F::PositionProportional, S::Int},
    {"位置积分常数", F::PositionIntegral, S::Int},
    {"位置微分常数", F::PositionDerivative, S::Int},
    {"速度前馈常数", F::SpeedFeedForward, S::Int},
    {"比例常数", F::SpeedProportional, S::Int},
    {"积分常数", F::SpeedIntegral, S::Int},
    {"微分常数", F::SpeedDerivative, S::Int},
    {"电流比例常数", F::CurrentProportional, S::Int},
    {"电流积分常数", F::CurrentIntegral, S::Int},
    {"电流微分常数", F::CurrentDerivative, S::Int},
    {"最高速度", F::MaxSpeed, S::Int},
    {"最大峰值电流", F::PeakCurrent, S::Real},
    {"最大连续电流", F::ContinuousCurrent, S::Real},
    {"死区电压", F::DeadBandVoltage, S::Real},
    {"运转方向", F::Direction, S::Direction},
    {"最低速度", F::MinSpeed, S::Int},
    {"加速度", F::Acceleration, S::Int},
    {"位置下限", F::PositionLowerLimit, S::Int},
    {"位置上限", F::PositionUpperLimit, S::Int},
    {"位限开关", F::SoftLimitEnable, S::Int},
    {"硬位限开关", F::HardLimitEnable, S::Int},
    {"位置误差范围", F::PositionErrorWindow, S::Int},
    {"最大位置跟踪误差", F::MaxTrackingError, S::Int},
    {"保护延迟时间", F::ProtectionDelay, S::Int},
    {"反馈方式", F::FeedbackType, S::Int},
    {"编码器分辨率", F::EncoderResolution, S::Int},
    {"测速机分辨率", F::TachoResolution, S::Int},
    {"步宽", F::StepWidth, S::Int},
    {"最高频率", F::MaxFrequency, S::Int},
    {"节点类型", F::NodeType, S::Int},
    {"软节点", F::NodeNumber, S::Int},
    {"是否IxR补偿", F::IxrEnable, S::Int},
    {"IxR补偿系数", F::IxrCoefficient, S::Int},
    {"自动寻零", F::HomingAtPowerOn, S::Int},
    {"寻零范围", F::HomingRange, S::Int},
    {"寻零速度", F::HomingSpeed, S::Int},
    {"机械偏差", F::MechanicalOffset, S::Int},
    {"波特率", F::SerialBaud, S::SerialBaud},
    {"CAN波特率", F::CanBaud, S::CanBaud},
    {"交轴电感", F::QuadratureInductance, S::Int},
    {"直轴电感", F::DirectInductance, S::Int},
    {"IIT时间", F::IitTime, S::Int},
}};

constexpr std::string_view kSerialBaudItems[] = {"9600", "19200"};
constexpr std::string_view kCanBaudItems[] = {"20", "50", "100", "125", "250", "500", "1000"};

constexpr Field kModeAndSignal[] = {F::RunMode, F::SignalSource};

int FindItem(std::span<const std::string_view> items, std::string_view text) {
  for (std::size_t i = 0; i < items.size(); ++i)
    if (items[i] == text) return static_cast<int>(i);
  return -1;
}

}  // namespace

std::span<const FieldInfo> ParameterTable::Fields() { return kFields; }

const FieldInfo& ParameterTable::Info(Field field) { return kFields[Index(field)]; }

const FieldInfo* ParameterTable::FindByControl(int controlId) {
  for (const FieldInfo& info : kFields)
    for (int id : info.controls)
      if (id == controlId) return &info;
  return nullptr;
}

std::span<const ReadStep> ParameterTable::ReadSteps() { return kReadSteps; }
std::span<const WriteStep> ParameterTable::WriteSteps() { return kWriteSteps; }
std::span<const SchemeKey> ParameterTable::SchemeKeys() { return kSchemeKeys; }
std::span<const std::string_view> ParameterTable::SerialBaudItems() { return kSerialBaudItems; }
std::span<const std::string_view> ParameterTable::CanBaudItems() { return kCanBaudItems; }
int ParameterTable::FindSerialBaud(std::string_view text) { return FindItem(kSerialBaudItems, text); }
int ParameterTable::FindCanBaud(std::string_view text) { return FindItem(kCanBaudItems, text); }

std::span<const std::string_view> ParameterTable::ChoiceCaptions(Field field) { return Info(field).choices; }

const ReadStep* ParameterTable::ReadStepOf(Field field) {
  for (const ReadStep& step : kReadSteps)
    for (Field reported : FieldsOf(step))
      if (reported == field) return &step;
  return nullptr;
}

const WriteStep* ParameterTable::WriteStepOf(Field field) {
  for (const WriteStep& step : kWriteSteps)
    for (Field sent : FieldsOf(step))
      if (sent == field) return &step;
  return nullptr;
}

const SchemeKey* ParameterTable::SchemeKeyOf(Field field) {
  for (const SchemeKey& key : kSchemeKeys)
    if (key.field == field || (key.value == SchemeValue::ModeWord && field == F::SignalSource)) return &key;
  return nullptr;
}

std::span<const Field> ParameterTable::FieldsOf(const ReadStep& step) {
  if (step.rule == ReplyRule::ModeAndSignal) return kModeAndSignal;
  return {&step.field, 1};
}

std::span<const Field> ParameterTable::FieldsOf(const WriteStep& step) {
  if (step.rule == WriteRule::ModeWord) return kModeAndSignal;
  return {&step.field, 1};
}

}  // namespace zembra::drive
