#include "params/RunModeRules.h"

namespace zembra {
namespace {

constexpr int Bit(SignalSource s) { return static_cast<int>(s); }

}  // namespace

SignalSourceChoice RunModeRules::OnRunModeClicked(DriveRunMode clicked, SignalSource current) {
  SignalSourceChoice choice;
  choice.enabled.fill(true);
  choice.selected = current;
  switch (clicked) {
    case DriveRunMode::Speed:
      break;
    case DriveRunMode::Position:
      // Position mode follows digital commands or step pulses only.
      for (SignalSource s : {SignalSource::Differential, SignalSource::Pwm, SignalSource::SingleEnded})
        choice.enabled[Bit(s)] = false;
      break;
    case DriveRunMode::Torque:
    case DriveRunMode::Amplifier:
      choice.enabled[Bit(SignalSource::StepPulse)] = false;
      break;
  }
  if (!choice.enabled[Bit(current)]) choice.selected = SignalSource::Digital;
  return choice;
}

}  // namespace zembra
