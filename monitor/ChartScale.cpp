#include "monitor/ChartScale.h"

#include <algorithm>

namespace zembra {
namespace {

// Far beyond any screen, but well inside int: a point a long way off the
// plot keeps its direction without overflowing the conversion.
constexpr double kFarPixel = 1.0e7;

int TruncateToPixel(double v) { return static_cast<int>(std::clamp(v, -kFarPixel, kFarPixel)); }

}  // namespace

void ChartScale::SetXRange(double min, double max) {
  x.min = min;
  x.max = max;
  x.span = max - min;
  if (x.span < kMinXSpan) {
    x.span = kMinXSpan;
    x.max = x.min + kMinXSpan;
  }
}

void ChartScale::SetYRange(double upper, double lower) {
  y.min = lower;
  y.max = upper;
  y.span = upper - lower;
  if (y.span < kMinYSpan) {
    y.span = kMinYSpan;
    y.max = y.min + kMinYSpan;
  }
}

void ChartScale::SetPlotSize(int width, int height) {
  m_width = std::max(0, width);
  m_height = std::max(0, height);
}

ChartPoint ChartScale::ToPixel(double xValue, double yValue) const {
  if (yValue > y.max) yValue = y.max;
  if (yValue < y.min) yValue = y.min;
  ChartPoint p;
  p.x = TruncateToPixel((xValue - x.min) / x.span * m_width);
  if (p.x == 0) p.x = 1;
  p.y = TruncateToPixel((1.0 - (yValue - y.min) / y.span) * m_height);
  return p;
}

int ChartScale::GridRow(int numerator, int denominator) const {
  if (denominator == 0) return 0;
  return TruncateToPixel(static_cast<double>(numerator) / denominator * m_height);
}

int ChartScale::GridColumn(int numerator, int denominator) const {
  if (denominator == 0) return 0;
  return TruncateToPixel(static_cast<double>(numerator) / denominator * m_width);
}

SegmentPen ChartScale::PenFor(ChartPoint from, ChartPoint to, int clientHeight) {
  if (to.y != from.y) return SegmentPen::Series;
  if (from.y != 0 && from.y != clientHeight) return SegmentPen::Series;
  return SegmentPen::Background;
}

double ChartScale::FractionFromLeft(double px) const { return m_width > 0 ? px / m_width : 0.0; }

double ChartScale::FractionFromBottom(double py) const {
  return m_height > 0 ? (m_height - py) / m_height : 0.0;
}

}  // namespace zembra
