#pragma once
// The arithmetic of the line chart, without a window: the two value ranges
// with their minimum spans, where a value lands in the plot, which pen a
// segment gets, and where a mouse position lies as fractions of the plot.
#include <cstdint>

namespace zembra {

// One axis of the view: the value at the low edge, at the high edge, and
// their difference.
struct AxisRange {
  double min = 0.0;
  double max = 0.0;
  double span = 0.0;
};

struct ChartPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const ChartPoint&, const ChartPoint&) = default;
};

// A segment's pen: the series colour, or the plot background so that a
// value pinned to the top or bottom edge leaves no line along that edge.
enum class SegmentPen { Series, Background };

class ChartScale {
 public:
  static constexpr double kMinXSpan = 100.0;
  static constexpr double kMinYSpan = 20.0;

  // The host pans and zooms by writing these and then calling the setters,
  // which restore the minimum spans.
  AxisRange x{0.0, 2000.0, 2000.0};
  AxisRange y{0.0, 1000.0, 1000.0};

  void SetXRange(double min, double max);
  // Upper bound first.
  void SetYRange(double upper, double lower);

  // Plot size in pixels, as the drawing surface was made.
  void SetPlotSize(int width, int height);
  int Width() const { return m_width; }
  int Height() const { return m_height; }

  // Pixel of the value (x, y): y is clamped to the range, x is not (points
  // outside map outside the plot and are clipped when drawn). Column 0 is
  // never used: a point at x.min lands in column 1.
  ChartPoint ToPixel(double xValue, double yValue) const;

  // Row of the line a/b down the plot, column of the line a/b across it.
  int GridRow(int numerator, int denominator) const;
  int GridColumn(int numerator, int denominator) const;

  // Pen of the segment from `from` to `to` on a plot `clientHeight` high.
  static SegmentPen PenFor(ChartPoint from, ChartPoint to, int clientHeight);

  // A plot position as fractions: from the left edge, and from the bottom.
  double FractionFromLeft(double px) const;
  double FractionFromBottom(double py) const;

 private:
  int m_width = 0;
  int m_height = 0;
};

}  // namespace zembra
