// The chart's arithmetic without a window: both range setters with their
// minimum spans, value to pixel with the clamp and the column-1 rule, the
// pen that hides runs along the edges, and mouse positions as fractions.
#include <gtest/gtest.h>

#include "monitor/ChartScale.h"

namespace zembra {
namespace {

ChartScale Plot(int width, int height) {
  ChartScale s;
  s.SetPlotSize(width, height);
  return s;
}

TEST(ChartScaleRanges, StartAtTheDefaultsAndKeepTheMinimumSpans) {
  ChartScale s;
  EXPECT_EQ(s.x.min, 0.0);
  EXPECT_EQ(s.x.max, 2000.0);
  EXPECT_EQ(s.y.max, 1000.0);

  s.SetXRange(500, 550);
  EXPECT_EQ(s.x.min, 500.0);
  EXPECT_EQ(s.x.max, 600.0);
  EXPECT_EQ(s.x.span, 100.0);
  s.SetXRange(500, 400);  // reversed: the minimum span from the lower bound
  EXPECT_EQ(s.x.max, 600.0);
  EXPECT_EQ(s.x.span, 100.0);
  s.SetXRange(-300, 19700);
  EXPECT_EQ(s.x.span, 20000.0);

  s.SetYRange(10, 0);  // upper bound first
  EXPECT_EQ(s.y.min, 0.0);
  EXPECT_EQ(s.y.max, 20.0);
  EXPECT_EQ(s.y.span, 20.0);
  s.SetYRange(1000, -1000);
  EXPECT_EQ(s.y.min, -1000.0);
  EXPECT_EQ(s.y.span, 2000.0);
}

TEST(ChartScalePixels, LeftEdgeIsColumnOneAndYIsClampedToTheEdges) {
  ChartScale s = Plot(500, 200);
  s.SetXRange(0, 1000);
  s.SetYRange(100, -100);
  EXPECT_EQ(s.ToPixel(0, 0), (ChartPoint{1, 100}));     // column 0 is never drawn
  EXPECT_EQ(s.ToPixel(1000, 100), (ChartPoint{500, 0})); // top edge is row 0
  EXPECT_EQ(s.ToPixel(500, -100), (ChartPoint{250, 200}));
  EXPECT_EQ(s.ToPixel(3, 5e9).y, 0);    // far above: pinned to the top row
  EXPECT_EQ(s.ToPixel(3, -5e9).y, 200); // far below: pinned to the bottom row
  // Truncated toward zero.
  EXPECT_EQ(s.ToPixel(3.99, 0).x, 1);
  EXPECT_EQ(s.ToPixel(5.99, 0).x, 2);
  // X is not clamped: outside points land outside and are clipped later.
  EXPECT_EQ(s.ToPixel(-400, 0).x, -200);
  EXPECT_EQ(s.ToPixel(1400, 0).x, 700);
  // A point absurdly far off keeps its side without overflowing int.
  EXPECT_GT(s.ToPixel(1e300, 0).x, 1000000);
  EXPECT_LT(s.ToPixel(-1e300, 0).x, -1000000);
}

TEST(ChartScalePixels, GridLinesAreTruncatedFractionsOfThePlot) {
  ChartScale s = Plot(333, 101);
  EXPECT_EQ(s.GridColumn(1, 10), 33);
  EXPECT_EQ(s.GridColumn(9, 10), 299);
  EXPECT_EQ(s.GridRow(5, 100), 5);
  EXPECT_EQ(s.GridRow(50, 100), 50);
  EXPECT_EQ(s.GridRow(1, 0), 0);
}

TEST(ChartScalePen, RunsAlongEitherEdgeAreInvisibleAndStepsIntoThemAreNot) {
  const int h = 200;
  // Along the top and the bottom edge: background colour.
  EXPECT_EQ(ChartScale::PenFor({10, 0}, {20, 0}, h), SegmentPen::Background);
  EXPECT_EQ(ChartScale::PenFor({10, h}, {20, h}, h), SegmentPen::Background);
  // Into and out of an edge, and level runs inside the plot: drawn.
  EXPECT_EQ(ChartScale::PenFor({10, 50}, {20, 0}, h), SegmentPen::Series);
  EXPECT_EQ(ChartScale::PenFor({10, h}, {20, 150}, h), SegmentPen::Series);
  EXPECT_EQ(ChartScale::PenFor({10, 1}, {20, 1}, h), SegmentPen::Series);
  EXPECT_EQ(ChartScale::PenFor({10, h - 1}, {20, h - 1}, h), SegmentPen::Series);
}

TEST(ChartScaleFractions, MeasureFromTheLeftAndFromTheBottom) {
  ChartScale s = Plot(400, 200);
  EXPECT_DOUBLE_EQ(s.FractionFromLeft(100), 0.25);
  EXPECT_DOUBLE_EQ(s.FractionFromBottom(200), 0.0);
  EXPECT_DOUBLE_EQ(s.FractionFromBottom(50), 0.75);
  ChartScale empty;
  EXPECT_EQ(empty.FractionFromLeft(10), 0.0);  // no plot yet: no division by zero
}

}  // namespace
}  // namespace zembra
