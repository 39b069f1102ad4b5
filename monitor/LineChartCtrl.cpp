#include "monitor/LineChartCtrl.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "monitor/ChartSelection.h"
#include "platform/WindowMessages.h"

namespace zembra {

CLineChartCtrl::CLineChartCtrl(QWidget* parent) : QWidget(parent) {
  const QString id = QStringLiteral("idc_%1").arg(kControlId);
  setObjectName(id);
  setAccessibleDescription(id);
  setCursor(Qt::CrossCursor);
  // The readout follows the mouse without a button held.
  setMouseTracking(true);
  // Every paint covers the whole window with the image.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

CLineChartCtrl::~CLineChartCtrl() { FinishPainting(); }

void CLineChartCtrl::FlushStrokes() const {
  if (m_strokes.empty()) return;
  // Pending strokes belong to the image already; drawing them changes what
  // is stored, not what the chart is.
  if (!m_painter.isActive()) m_painter.begin(const_cast<QImage*>(&m_image));
  m_painter.setPen(QPen(m_strokeColour, 1, m_strokeStyle));
  m_painter.drawLines(m_strokes.data(), static_cast<int>(m_strokes.size()));
  m_strokes.clear();
}

void CLineChartCtrl::FinishPainting() const {
  FlushStrokes();
  if (m_painter.isActive()) m_painter.end();
}

const QImage& CLineChartCtrl::Image() const {
  FinishPainting();
  return m_image;
}

void CLineChartCtrl::MakeImage() {
  FinishPainting();
  const qreal ratio = devicePixelRatioF();
  const QSize logical = size().expandedTo(QSize(1, 1));
  // Drawn at the screen's own density, so a high-density screen shows it
  // sharp instead of scaled up.
  m_image = QImage(logical * ratio, QImage::Format_RGB32);
  m_image.setDevicePixelRatio(ratio);
  m_image.fill(Qt::white);
  m_scale.SetPlotSize(width(), height());
}

void CLineChartCtrl::AttachToFrame() {
  if (m_image.isNull()) MakeImage();
  update();
  m_scale.SetPlotSize(width(), height());
}

void CLineChartCtrl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (m_image.isNull()) return;
  if (m_image.deviceIndependentSize().toSize() == size() && m_image.devicePixelRatio() == devicePixelRatioF())
    return;
  MakeImage();
  update();
  emit plotResized();
}

void CLineChartCtrl::ClearPlot() {
  FinishPainting();
  if (!m_image.isNull()) m_image.fill(Qt::white);
  update();
}

void CLineChartCtrl::DrawLine(QPoint from, QPoint to, const QColor& colour, Qt::PenStyle style) {
  if (!m_strokes.empty() && (colour != m_strokeColour || style != m_strokeStyle)) FlushStrokes();
  m_strokeColour = colour;
  m_strokeStyle = style;
  m_strokes.emplace_back(from, to);
}

void CLineChartCtrl::DrawHorizontalLine(int numerator, int denominator, const QColor& colour, Qt::PenStyle style) {
  if (m_image.isNull()) return;
  const int y = m_scale.GridRow(numerator, denominator);
  DrawLine(QPoint(0, y), QPoint(m_scale.Width(), y), colour, style);
}

void CLineChartCtrl::DrawVerticalLine(int numerator, int denominator, const QColor& colour, Qt::PenStyle style) {
  if (m_image.isNull()) return;
  const int x = m_scale.GridColumn(numerator, denominator);
  DrawLine(QPoint(x, 0), QPoint(x, m_scale.Height()), colour, style);
}

int CLineChartCtrl::AddSeries(const QColor& colour) {
  m_series.push_back({colour, {}});
  return SeriesCount() - 1;
}

const CChartSeries* CLineChartCtrl::Series(int index) const {
  if (index < 0 || index >= SeriesCount()) return nullptr;
  return &m_series[static_cast<std::size_t>(index)];
}

int CLineChartCtrl::MoveTo(int series, double x, double y) {
  if (series < 0 || series >= SeriesCount()) return 1;
  m_series[static_cast<std::size_t>(series)].current = m_scale.ToPixel(x, y);
  return 0;
}

void CLineChartCtrl::LineTo(int series, double x, double y) {
  if (series < 0 || series >= SeriesCount() || m_image.isNull()) return;
  CChartSeries& s = m_series[static_cast<std::size_t>(series)];
  const ChartPoint to = m_scale.ToPixel(x, y);
  const SegmentPen pen = ChartScale::PenFor(s.current, to, height());
  DrawLine(QPoint(s.current.x, s.current.y), QPoint(to.x, to.y), pen == SegmentPen::Series ? s.colour : QColor(Qt::white),
           Qt::SolidLine);
  s.current = to;
}

void CLineChartCtrl::Refresh() {
  FinishPainting();
  update();
}

void CLineChartCtrl::paintEvent(QPaintEvent*) {
  FinishPainting();
  QPainter painter(this);
  if (m_image.isNull()) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  painter.drawImage(QPoint(0, 0), m_image);
  if (!m_dragging) return;
  // The rubber band lies over the image, never in it, so it leaves
  // nothing behind when it goes.
  painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRect(m_anchor, m_corner).normalized());
}

QPoint CLineChartCtrl::Confined(QPoint p) const {
  // The mouse may leave the window while the button is held; the drag
  // stays within the plot, as if the cursor were confined to it.
  return QPoint(std::clamp(p.x(), 0, width()), std::clamp(p.y(), 0, height()));
}

void CLineChartCtrl::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  m_fx = m_scale.FractionFromLeft(p.x());
  m_fy = m_scale.FractionFromBottom(p.y());
  if (m_dragging) {
    m_corner = Confined(p);
    update();
  }
  QWidget::mouseMoveEvent(event);
}

void CLineChartCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    m_anchor = m_corner = Confined(event->position().toPoint());
    m_dragging = true;
    update();
  }
  QWidget::mousePressEvent(event);
}

void CLineChartCtrl::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && m_dragging) {
    m_dragging = false;
    m_corner = Confined(event->position().toPoint());
    update();
    ChartSelection selection;
    selection.x1 = static_cast<float>(m_scale.FractionFromLeft(m_anchor.x()));
    selection.y1 = static_cast<float>(m_scale.FractionFromBottom(m_anchor.y()));
    selection.x2 = static_cast<float>(m_scale.FractionFromLeft(m_corner.x()));
    selection.y2 = static_cast<float>(m_scale.FractionFromBottom(m_corner.y()));
    // Sent, not posted: the record lives only during the call.
    SendMessage(m_notify, WM_CHART_SELECT, reinterpret_cast<std::uintptr_t>(&selection), 0);
  }
  QWidget::mouseReleaseEvent(event);
}

}  // namespace zembra
