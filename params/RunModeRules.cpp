#include "params/RunModeRules.h"

namespace zembra {
namespace {

constexpr int Bit(SignalSource s) { return static_cast<int>(s); }

}  // namespace

SignalSourceChoice RunModeRules::OnRunModeClicked(RunMode clicked, SignalSource current) {
  SignalSourceChoice choice;
  choice.enabled.fill(true);
  choice.selected = current;
  switch (clicked) {
    case RunMode::Speed:
      break;
    case RunMode::Position:
      // Position mode follows digital commands or step pulses only.
      for (SignalSource s : {SignalSource::Differential, SignalSource::Pwm, SignalSource::SingleEnded})
        choice.enabled[Bit(s)] = false;
      break;
    case RunMode::Torque:
    case RunMode::Amplifier:
      choice.enabled[Bit(SignalSource::StepPulse)] = false;
      break;
  }
  if (!choice.enabled[Bit(current)]) choice.selected = SignalSource::Digital;
  return choice;
}

}  // namespace zembra
