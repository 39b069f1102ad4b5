#pragma once
// The samples of a session as CSV: one row per sample with the series
// name, its time in ms, its value and its arrival tick, series by series.
#include <QByteArray>
#include <QString>

#include "monitor/SampleStore.h"

namespace zembra {

class SampleCsv {
 public:
  static QString SeriesName(MonitorSeries series);
  // UTF-8, header row first, lines ended by CR LF.
  static QByteArray Format(const SampleStore& store);
};

}  // namespace zembra
