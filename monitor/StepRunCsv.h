#pragma once
// The kept step tests as one CSV: a row per sample with the run's number
// and kind, its time from the step, its value, and the gains the run was
// made with, run by run, oldest first.
#include <QByteArray>

#include "monitor/StepRunHistory.h"

namespace zembra {

class StepRunCsv {
 public:
  // UTF-8, header row first, lines ended by CR LF like the samples' export.
  static QByteArray Format(const StepRunHistory& history);
};

}  // namespace zembra
