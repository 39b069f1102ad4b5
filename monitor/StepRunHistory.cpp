#include "monitor/StepRunHistory.h"

#include <array>

namespace zembra {
namespace {

// Apart in hue and clear of the monitoring series' pure red, blue and
// magenta, readable on white.
constexpr std::array<QRgb, StepRunHistory::kPaletteSize> kPalette = {
    0xFF1F77B4,  // blue
    0xFFFF7F0E,  // orange
    0xFF2CA02C,  // green
    0xFFD62728,  // brick red
    0xFF9467BD,  // violet
    0xFF8C564B,  // brown
};

QString Gain(const char* name, const ShownGain& gain) {
  QString text = QString::fromUtf8(name) + QLatin1Char('=') + QString::number(gain.value, 'g', 10);
  if (gain.unwritten) text += QStringLiteral("(未写入)");
  return text;
}

}  // namespace

QColor StepRunHistory::Colour(int index) {
  return QColor::fromRgb(kPalette[static_cast<std::size_t>(index) % kPalette.size()]);
}

int StepRunHistory::NextColour() const {
  for (int i = 0; i < kPaletteSize; ++i) {
    bool used = false;
    for (const StepRun& run : m_runs) used = used || run.colourIndex == i;
    if (!used) return i;
  }
  return 0;  // unreachable: five runs leave one of six colours free
}

const StepRun& StepRunHistory::Add(StepRun run) {
  run.number = ++m_count;
  run.colourIndex = NextColour();
  m_runs.push_back(std::move(run));
  while (m_runs.size() > static_cast<std::size_t>(kKept)) m_runs.pop_front();
  return m_runs.back();
}

void StepRunHistory::Clear() { m_runs.clear(); }

QString StepRunHistory::Unit(StepKind kind) {
  return kind == StepKind::SpeedStep ? QStringLiteral("RPM") : QStringLiteral("脉冲");
}

QString StepRunHistory::KindName(StepKind kind) {
  return kind == StepKind::SpeedStep ? QStringLiteral("速度阶跃") : QStringLiteral("相对位移");
}

QString StepRunHistory::Label(const StepRun& run) {
  const StepGains& g = run.gains;
  QStringList parts{QStringLiteral("#%1").arg(run.number)};
  if (run.kind == StepKind::RelativeMove) parts << QStringLiteral("位置");
  parts << Gain("Kp", g.proportional) << Gain("Ki", g.integral) << Gain("Kd", g.derivative)
        << Gain("加速度", g.acceleration)
        << StepResponse::RiseCaption() + QLatin1Char(' ') + StepResponse::Text(run.figures.riseTimeMs, 1, QStringLiteral("ms"))
        << StepResponse::OvershootCaption() + QLatin1Char(' ') +
               StepResponse::Text(run.figures.overshootPercent, 1, QStringLiteral("%"));
  return parts.join(QLatin1Char(' '));
}

QStringList StepRunHistory::FigureLines(const StepRun& run) {
  const StepFigures& f = run.figures;
  const QString ms = QStringLiteral(" ms");
  const QString sep = QStringLiteral("：");
  return {StepResponse::RiseCaption() + sep + StepResponse::Text(f.riseTimeMs, 1, ms),
          StepResponse::OvershootCaption() + sep + StepResponse::Text(f.overshootPercent, 1, QStringLiteral(" %")),
          StepResponse::PeakCaption() + sep + StepResponse::Text(f.peakTimeMs, 1, ms),
          StepResponse::SettlingCaption() + sep + StepResponse::Text(f.settlingTimeMs, 1, ms),
          StepResponse::ErrorCaption() + sep +
              StepResponse::Text(f.steadyStateError, 1, QLatin1Char(' ') + Unit(run.kind))};
}

}  // namespace zembra
