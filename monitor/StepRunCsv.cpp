#include "monitor/StepRunCsv.h"

#include <QLocale>

namespace zembra {
namespace {

// The shortest text that reads back to the same double.
QByteArray Number(double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest).toUtf8(); }

}  // namespace

QByteArray StepRunCsv::Format(const StepRunHistory& history) {
  QByteArray out =
      QStringLiteral("运行,类型,时间(ms),数值,比例系数,积分系数,微分系数,加速度,含未写入的值\r\n").toUtf8();
  for (const StepRun& run : history.Runs()) {
    const StepGains& g = run.gains;
    const bool unwritten =
        g.proportional.unwritten || g.integral.unwritten || g.derivative.unwritten || g.acceleration.unwritten;
    // The columns after the value are the same on every row of a run.
    const QByteArray tail = ',' + Number(g.proportional.value) + ',' + Number(g.integral.value) + ',' +
                            Number(g.derivative.value) + ',' + Number(g.acceleration.value) + ',' +
                            (unwritten ? QStringLiteral("是") : QStringLiteral("否")).toUtf8() + "\r\n";
    const QByteArray head = QByteArray::number(run.number) + ',' + StepRunHistory::KindName(run.kind).toUtf8() + ',';
    for (const TimedValue& s : run.samples) out += head + Number(s.timeMs) + ',' + Number(s.value) + tail;
  }
  return out;
}

}  // namespace zembra
