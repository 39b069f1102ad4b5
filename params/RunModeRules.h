#pragma once
// Which signal sources suit a run mode. Applied when the user clicks a run
// mode, never when a read or a scheme load sets one: the drive or the file
// may hold a pairing the page would not offer, and the page shows it as is.
#include <array>

namespace zembra {

// How the drive runs its motor (运行模式), as the page's radio index.
enum class DriveRunMode : int { Speed = 0, Position = 1, Torque = 2, Amplifier = 3 };

enum class SignalSource : int {
  Digital = 0,       // 数字指令
  Differential = 1,  // 差分模拟电压
  Pwm = 2,           // 外部PWM信号
  StepPulse = 3,     // 步进脉冲
  SingleEnded = 4,   // 单端模拟电压
};

constexpr int kSignalSourceCount = 5;

struct SignalSourceChoice {
  std::array<bool, kSignalSourceCount> enabled{};  // by signal index
  SignalSource selected = SignalSource::Digital;   // the selection after the click
};

class RunModeRules {
 public:
  // The signal radios after `clicked` was chosen while `current` was
  // selected: an unsuitable selection falls back to digital commands.
  static SignalSourceChoice OnRunModeClicked(DriveRunMode clicked, SignalSource current);
};

}  // namespace zembra
