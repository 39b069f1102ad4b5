#pragma once
// One finished step test as it is kept beside the others: its curve from
// the step, its figures, and the loop gains and acceleration the parameter
// page showed when it ran.
#include <QColor>
#include <cstdint>
#include <vector>

#include "monitor/StepResponse.h"
#include "monitor/StepTest.h"

namespace zembra {

// A value taken from the parameter page. `unwritten` when the page showed
// an edit not yet written to the drive: the drive ran with something else.
struct ShownGain {
  double value = 0.0;
  bool unwritten = false;
};

// The speed gains for a speed step, the position gains for a move.
struct StepGains {
  ShownGain proportional;
  ShownGain integral;
  ShownGain derivative;
  ShownGain acceleration;  // 加速度: a slow ramp hides the loop
};

struct StepRun {
  int number = 0;  // counted from 1 over the page's life
  StepKind kind = StepKind::SpeedStep;
  std::int32_t size = 0;
  double target = 0.0;
  std::vector<TimedValue> samples;  // ms from the step
  StepFigures figures;
  StepGains gains;
  int colourIndex = 0;  // into StepRunHistory's palette
};

}  // namespace zembra
