// What each view button does to the ranges: pans, zooms with their limits
// and both Y references, the axis settings with their refusals, origin,
// capture, and zooming to a dragged rectangle.
#include <gtest/gtest.h>

#include "monitor/ViewNavigator.h"

namespace zembra {
namespace {

class Navigator : public ::testing::Test {
 protected:
  void SetUp() override {
    scale.SetXRange(0, 20000);
    scale.SetYRange(1000, -1000);
  }
  void ExpectX(double min, double max) {
    EXPECT_DOUBLE_EQ(scale.x.min, min);
    EXPECT_DOUBLE_EQ(scale.x.max, max);
    EXPECT_DOUBLE_EQ(scale.x.span, max - min);
  }
  void ExpectY(double min, double max) {
    EXPECT_DOUBLE_EQ(scale.y.min, min);
    EXPECT_DOUBLE_EQ(scale.y.max, max);
    EXPECT_DOUBLE_EQ(scale.y.span, max - min);
  }
  ChartScale scale;
  ViewNavigator nav{scale};
};

TEST_F(Navigator, PansByHalfAnXSpanAndATenthOfAYSpan) {
  nav.PanLeft();
  ExpectX(-10000, 10000);
  nav.PanRight();
  nav.PanRight();
  ExpectX(10000, 30000);
  nav.PanUp();
  ExpectY(-1200, 800);
  nav.PanDown();
  ExpectY(-1000, 1000);
}

TEST_F(Navigator, ZoomsXFromTheLeftEdgeDownToTheMinimumSpan) {
  nav.PanRight();
  EXPECT_TRUE(nav.ZoomXIn());
  ExpectX(10000, 20000);
  EXPECT_TRUE(nav.ZoomXOut());
  EXPECT_TRUE(nav.ZoomXOut());
  ExpectX(10000, 50000);
  scale.SetXRange(0, 150);
  EXPECT_TRUE(nav.ZoomXIn());
  ExpectX(0, 100);  // 75 raised to the minimum
}

TEST_F(Navigator, ZoomsYAroundTheCentreOrUpFromTheBottom) {
  EXPECT_TRUE(nav.ZoomYIn(YReference::Centre));
  ExpectY(-500, 500);
  EXPECT_TRUE(nav.ZoomYOut(YReference::Centre));
  ExpectY(-1000, 1000);
  EXPECT_TRUE(nav.ZoomYIn(YReference::Bottom));
  ExpectY(-1000, 0);
  EXPECT_TRUE(nav.ZoomYOut(YReference::Bottom));
  ExpectY(-1000, 1000);

  scale.SetYRange(39, 0);  // half of 39 is below 20: no zoom in
  EXPECT_FALSE(nav.ZoomYIn(YReference::Centre));
  ExpectY(0, 39);
  EXPECT_TRUE(nav.ZoomYOut(YReference::Centre));
  ExpectY(-19.5, 58.5);
}

TEST_F(Navigator, AxisSettingsAndTheirRefusals) {
  nav.ApplyBaseLine(300, YReference::Centre);
  ExpectY(-700, 1300);
  nav.ApplyBaseLine(300, YReference::Bottom);
  ExpectY(300, 2300);

  EXPECT_FALSE(nav.ApplyYSpan(19, YReference::Centre));
  ExpectY(300, 2300);
  EXPECT_TRUE(nav.ApplyYSpan(500, YReference::Bottom));
  ExpectY(300, 800);
  EXPECT_TRUE(nav.ApplyYSpan(21, YReference::Centre));  // half of 21 is 10, so 20 around 550
  ExpectY(540, 560);

  EXPECT_FALSE(nav.ApplyXSpan(99));
  ExpectX(0, 20000);
  EXPECT_TRUE(nav.ApplyXSpan(100));
  ExpectX(0, 100);
}

TEST_F(Navigator, OriginAndCapture) {
  scale.SetXRange(5000, 9000);
  scale.SetYRange(700, 300);
  nav.Origin(YReference::Centre);
  ExpectX(0, 4000);
  ExpectY(-200, 200);
  nav.Origin(YReference::Bottom);
  ExpectY(0, 400);

  nav.Capture(MonitorSample{1500, 9100, 0});
  ExpectX(8000, 12000);
  ExpectY(1300, 1700);
}

TEST_F(Navigator, ZoomsToARectangleWhateverTheDragDirection) {
  scale.SetXRange(1000, 3000);
  scale.SetYRange(200, 0);
  // Dragged from the lower right to the upper left.
  EXPECT_TRUE(nav.ZoomTo(ChartSelection{0.75f, 0.25f, 0.25f, 0.75f}));
  ExpectX(1500, 2500);
  ExpectY(50, 150);
  // Too small both ways: ignored. Small one way only: taken, with the
  // minimum span on the small side.
  EXPECT_FALSE(nav.ZoomTo(ChartSelection{0.5f, 0.5f, 0.5f, 0.5f}));
  ExpectX(1500, 2500);
  EXPECT_TRUE(nav.ZoomTo(ChartSelection{0.0f, 0.5f, 1.0f, 0.55f}));
  ExpectX(1500, 2500);
  EXPECT_NEAR(scale.y.min, 100, 1e-3);
  EXPECT_DOUBLE_EQ(scale.y.span, 20);
}

}  // namespace
}  // namespace zembra
