#pragma once
// The texts around the chart: tick labels of both axes and the Y unit.
#include <QString>

#include "monitor/MonitorSettings.h"

namespace zembra {

class AxisLabels {
 public:
  static constexpr int kXTicks = 10;  // intervals along X
  static constexpr int kYTicks = 20;  // intervals along Y

  // Time in ms; very large times in units of 10^9.
  static QString XLabel(double value);
  // Values by magnitude: plain, M, G or T.
  static QString YLabel(double value);
  static QString YUnit(MonitorContent content);
  static QString XUnit() { return QStringLiteral("ms"); }
};

}  // namespace zembra
