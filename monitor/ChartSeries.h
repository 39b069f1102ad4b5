#pragma once
#include <QColor>

#include "monitor/ChartScale.h"

namespace zembra {

// One curve of the chart: its pen colour and where its pen stands, which
// is all the chart remembers of it; the host keeps the values.
struct CChartSeries {
  QColor colour;
  ChartPoint current;
};

}  // namespace zembra
