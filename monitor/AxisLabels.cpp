#include "monitor/AxisLabels.h"

#include <cmath>

namespace zembra {
namespace {

QString Fixed(double v, int decimals) { return QString::asprintf(decimals ? "%.1f" : "%.0f", v); }

}  // namespace

QString AxisLabels::XLabel(double value) {
  if (value >= 1e8) return Fixed(value / 1e9, 1) + QLatin1Char('G');
  return Fixed(value, 0);
}

QString AxisLabels::YLabel(double value) {
  const double a = std::fabs(value);
  if (a < 1e6) return Fixed(value, 0);
  if (a < 1e9) return Fixed(value / 1e6, 1) + QLatin1Char('M');
  if (a < 1e12) return Fixed(value / 1e9, 1) + QLatin1Char('G');
  return Fixed(value / 1e12, 0) + QLatin1Char('T');
}

QString AxisLabels::YUnit(MonitorContent content) {
  return content == MonitorContent::Speed ? QStringLiteral("RPM") : QString();
}

}  // namespace zembra
