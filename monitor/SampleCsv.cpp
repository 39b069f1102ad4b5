#include "monitor/SampleCsv.h"

namespace zembra {

QString SampleCsv::SeriesName(MonitorSeries series) {
  switch (series) {
    case MonitorSeries::Reference: return QStringLiteral("参考");
    case MonitorSeries::Speed: return QStringLiteral("速度");
    case MonitorSeries::Position: return QStringLiteral("位置");
    case MonitorSeries::Current: return QStringLiteral("电流");
    case MonitorSeries::Command: return QStringLiteral("命令");
  }
  return {};
}

QByteArray SampleCsv::Format(const SampleStore& store) {
  QByteArray out = QStringLiteral("曲线,时间(ms),数值,到达时刻(ms)\r\n").toUtf8();
  for (int s = 0; s < SampleStore::kSeriesCount; ++s) {
    const auto series = static_cast<MonitorSeries>(s);
    const QByteArray name = SeriesName(series).toUtf8();
    for (const MonitorSample& sample : store.Samples(series)) {
      out += name;
      out += ',';
      out += QByteArray::number(sample.time);
      out += ',';
      out += QByteArray::number(sample.value, 'g', 15);
      out += ',';
      out += QByteArray::number(sample.tick);
      out += "\r\n";
    }
  }
  return out;
}

}  // namespace zembra
