#include "monitor/ChartAxesPanel.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>
#include <QPainter>
#include <QVBoxLayout>

#include "monitor/AxisLabels.h"
#include "monitor/LineChartCtrl.h"

namespace zembra {

ChartAxesPanel::ChartAxesPanel(QWidget* parent) : QWidget(parent), m_chart(new CLineChartCtrl(this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(kLeftMargin, kTopMargin, kRightMargin, kBottomMargin);
  layout->addWidget(m_chart);
  m_chart->setMinimumSize(200, 160);
  setAutoFillBackground(true);
}

void ChartAxesPanel::SetUnit(const QString& unit) {
  if (unit == m_unit) return;
  m_unit = unit;
  update();
}

QImage ChartAxesPanel::Snapshot() { return grab().toImage(); }

void ChartAxesPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(palette().color(QPalette::WindowText));
  const QRect r = m_chart->geometry();
  const ChartScale& scale = m_chart->Scale();
  const QFontMetrics metrics(font());
  // Where labels would overlap (a short chart), only every n-th is written;
  // every tick is still drawn.
  const int yEvery = std::max(1, static_cast<int>(std::ceil(metrics.height() / (r.height() / 20.0))));
  const int xEvery = std::max(1, static_cast<int>(std::ceil((metrics.horizontalAdvance(QStringLiteral("000000")) + 8) /
                                                            (r.width() / 10.0))));
  // r.right() and r.bottom() are the last pixels inside; the edges lie one beyond.
  const int left = r.left();
  const int bottom = r.top() + r.height();
  const int right = r.left() + r.width();

  for (int i = 0; i <= AxisLabels::kXTicks; ++i) {
    const int x = static_cast<int>(left + i * r.width() / static_cast<double>(AxisLabels::kXTicks));
    p.drawLine(x, bottom, x, bottom + 5);
    if (i % xEvery != 0) continue;
    const double value = i * scale.x.span / AxisLabels::kXTicks + scale.x.min;
    p.drawText(QRect(x - 50, bottom + 7, 100, 20), Qt::AlignCenter, AxisLabels::XLabel(value));
  }
  p.drawText(QRect(right + 2, bottom - 15, 20, 20), Qt::AlignLeft | Qt::AlignBottom, AxisLabels::XUnit());

  for (int i = 0; i <= AxisLabels::kYTicks; ++i) {
    const int y = static_cast<int>(bottom - i * r.height() / static_cast<double>(AxisLabels::kYTicks));
    p.drawLine(left, y, left - 5, y);
    if (i % yEvery != 0) continue;
    const double value = i * scale.y.span / AxisLabels::kYTicks + scale.y.min;
    p.drawText(QRect(left - 88, y - 9, 80, 18), Qt::AlignRight | Qt::AlignVCenter, AxisLabels::YLabel(value));
  }
  p.drawText(QRect(left - 88, r.top() - 23, 80, 18), Qt::AlignCenter, m_unit);
}

}  // namespace zembra
