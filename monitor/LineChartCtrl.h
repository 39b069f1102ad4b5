#pragma once
// The plotting window of the monitoring page. It draws polylines into an
// off-screen image and shows that image when painted; the host draws the
// grid and replays its samples through the primitives below, and gets a
// dragged rectangle back as WM_CHART_SELECT. The chart keeps no values,
// only where each series' pen stands.
#include <QImage>
#include <QLine>
#include <QPoint>
#include <QPainter>
#include <QWidget>
#include <utility>
#include <vector>

#include "monitor/ChartScale.h"
#include "monitor/ChartSeries.h"
#include "platform/WindowRuntime.h"

namespace zembra {

class CLineChartCtrl : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kControlId = 1009;

  explicit CLineChartCtrl(QWidget* parent = nullptr);
  ~CLineChartCtrl() override;

  // Who hears of a dragged rectangle (the page).
  void SetNotifyWindow(HWND hwnd) { m_notify = hwnd; }

  // Creates the off-screen image at the window's size, once, white.
  void AttachToFrame();
  bool Attached() const { return !m_image.isNull(); }
  void ClearPlot();
  // Full-width line a/b of the height down, full-height line a/b of the
  // width across; drawn into the image, shown at the next Refresh.
  void DrawHorizontalLine(int numerator, int denominator, const QColor& colour, Qt::PenStyle style);
  void DrawVerticalLine(int numerator, int denominator, const QColor& colour, Qt::PenStyle style);
  void SetXRange(double min, double max) { m_scale.SetXRange(min, max); }
  void SetYRange(double upper, double lower) { m_scale.SetYRange(upper, lower); }
  int AddSeries(const QColor& colour);
  int SeriesCount() const { return static_cast<int>(m_series.size()); }
  // 0, or 1 (and nothing changed) when the index names no series.
  int MoveTo(int series, double x, double y);
  void LineTo(int series, double x, double y);
  void Refresh();
  // The last mouse position: from the left edge and from the bottom edge,
  // as fractions of the plot.
  std::pair<double, double> GetCursorFractions() const { return {m_fx, m_fy}; }

  // The ranges; the host pans and zooms through them.
  ChartScale& Scale() { return m_scale; }
  const ChartScale& Scale() const { return m_scale; }
  // The image as drawn so far (strokes still held by the painter included).
  const QImage& Image() const;
  const CChartSeries* Series(int index) const;
  bool Dragging() const { return m_dragging; }

 signals:
  // The image was made anew for a new size or pixel density and is blank:
  // the host draws its grid and replays.
  void plotResized();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void MakeImage();
  QPoint Confined(QPoint p) const;
  void DrawLine(QPoint from, QPoint to, const QColor& colour, Qt::PenStyle style);
  // Strokes of one pen are gathered and drawn together, in order, by one
  // painter that lives until the image is shown, read or replaced: opening
  // a painter or changing its pen per segment costs more than drawing it.
  void FlushStrokes() const;
  void FinishPainting() const;

  bool m_dragging = false;
  QPoint m_corner;
  QPoint m_anchor;
  std::vector<CChartSeries> m_series;
  double m_fx = 0.0;
  double m_fy = 0.0;
  ChartScale m_scale;
  QImage m_image;
  mutable QPainter m_painter;
  mutable std::vector<QLine> m_strokes;
  QColor m_strokeColour;
  Qt::PenStyle m_strokeStyle = Qt::SolidLine;
  HWND m_notify = 0;
};

}  // namespace zembra
