// The chart window: nothing drawn before the image exists, lines and
// series pens in the image, the index checks, the rubber band over the
// image with its selection fractions, the cross-hair, and an image that
// follows the window's size.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QSignalSpy>
#include <optional>

#include "monitor/ChartSelection.h"
#include "monitor/LineChartCtrl.h"
#include "platform/WindowMessages.h"

namespace zembra {
namespace {

class SelectionReceiver : public MessageWindow {
 public:
  std::intptr_t OnMessage(const WindowMessage& m) override {
    if (m.msg == WM_CHART_SELECT) selections.push_back(*reinterpret_cast<const ChartSelection*>(m.wParam));
    return 0;
  }
  std::vector<ChartSelection> selections;
};

void Mouse(QWidget& w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(at), w.mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
  QCoreApplication::sendEvent(&w, &event);
}

void Drag(QWidget& w, QPoint from, QPoint to) {
  Mouse(w, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
  Mouse(w, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

class Chart : public ::testing::Test {
 protected:
  void SetUp() override {
    chart.resize(400, 200);
    chart.SetNotifyWindow(receiver.Handle());
  }
  QColor At(int x, int y) const { return chart.Image().pixelColor(x, y); }

  SelectionReceiver receiver;
  CLineChartCtrl chart;
};

TEST_F(Chart, DrawsNothingBeforeItsImageExists) {
  const int s = chart.AddSeries(Qt::red);
  EXPECT_EQ(chart.MoveTo(s, 0, 0), 0);
  chart.LineTo(s, 100, 100);
  chart.DrawHorizontalLine(1, 2, Qt::black, Qt::SolidLine);
  EXPECT_FALSE(chart.Attached());
  chart.AttachToFrame();
  ASSERT_EQ(chart.Image().deviceIndependentSize().toSize(), QSize(400, 200));
  EXPECT_EQ(chart.Image().pixelColor(200, 100), QColor(Qt::white));
  EXPECT_EQ(chart.objectName(), QStringLiteral("idc_1009"));
  EXPECT_EQ(chart.accessibleDescription(), QStringLiteral("idc_1009"));
  EXPECT_EQ(chart.cursor().shape(), Qt::CrossCursor);
}

TEST_F(Chart, GridLinesAndSeriesSegmentsLandOnTheirPixels) {
  chart.AttachToFrame();
  chart.SetXRange(0, 1000);
  chart.SetYRange(100, -100);
  chart.DrawHorizontalLine(50, 100, Qt::black, Qt::SolidLine);
  chart.DrawVerticalLine(1, 10, QColor(0xF0, 0xF0, 0xF0), Qt::SolidLine);
  EXPECT_EQ(At(300, 100), QColor(Qt::black));
  EXPECT_EQ(At(40, 30), QColor(0xF0, 0xF0, 0xF0));

  const int s = chart.AddSeries(Qt::blue);
  ASSERT_EQ(chart.MoveTo(s, 500, 50), 0);
  chart.LineTo(s, 750, 50);  // level inside the plot: drawn
  EXPECT_EQ(At(250, 50), QColor(Qt::blue));
  EXPECT_EQ(At(299, 50), QColor(Qt::blue));
  EXPECT_EQ(At(320, 50), QColor(Qt::white));
  EXPECT_EQ(chart.Series(s)->current, (ChartPoint{300, 50}));
}

TEST_F(Chart, ValuesPinnedToAnEdgeLeaveNoLineButTheStepIntoItShows) {
  chart.AttachToFrame();
  chart.SetXRange(0, 400);
  chart.SetYRange(100, 0);
  const int s = chart.AddSeries(Qt::red);
  chart.MoveTo(s, 50, 50);
  chart.LineTo(s, 100, 500);  // up into the top edge
  chart.LineTo(s, 300, 900);  // along the top edge
  chart.LineTo(s, 350, 50);   // back down
  EXPECT_EQ(At(75, 50), QColor(Qt::red));
  EXPECT_EQ(At(98, 4), QColor(Qt::red));
  EXPECT_EQ(At(200, 0), QColor(Qt::white));
  EXPECT_EQ(At(325, 50), QColor(Qt::red));
}

TEST_F(Chart, AnIndexEqualToTheSeriesCountIsRefused) {
  chart.AttachToFrame();
  chart.SetXRange(0, 400);
  chart.SetYRange(100, 0);
  const int s = chart.AddSeries(Qt::red);
  chart.MoveTo(s, 10, 10);
  const QImage before = chart.Image().copy();
  EXPECT_EQ(chart.MoveTo(chart.SeriesCount(), 200, 50), 1);
  chart.LineTo(chart.SeriesCount(), 200, 50);
  chart.LineTo(-1, 200, 50);
  EXPECT_EQ(chart.Image(), before);
  EXPECT_EQ(chart.Series(s)->current, (ChartPoint{10, 180}));
}

TEST_F(Chart, AClickSendsEqualCornersAndTheBandNeverTouchesTheImage) {
  chart.AttachToFrame();
  const QImage before = chart.Image().copy();
  Mouse(chart, QEvent::MouseButtonPress, QPoint(100, 50), Qt::LeftButton, Qt::LeftButton);
  Mouse(chart, QEvent::MouseMove, QPoint(300, 150), Qt::NoButton, Qt::LeftButton);
  EXPECT_TRUE(chart.Dragging());
  // On screen the band shows ...
  const QImage onScreen = chart.grab().toImage();
  EXPECT_NE(onScreen.pixelColor(100, 50), QColor(Qt::white));
  // ... but the plot itself is untouched.
  EXPECT_EQ(chart.Image(), before);
  Mouse(chart, QEvent::MouseButtonRelease, QPoint(300, 150), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(chart.grab().toImage().pixelColor(100, 50), QColor(Qt::white));

  Drag(chart, QPoint(100, 50), QPoint(100, 50));
  ASSERT_EQ(receiver.selections.size(), 2u);
  const ChartSelection& dragged = receiver.selections[0];
  EXPECT_FLOAT_EQ(dragged.x1, 0.25f);
  EXPECT_FLOAT_EQ(dragged.y1, 0.75f);
  EXPECT_FLOAT_EQ(dragged.x2, 0.75f);
  EXPECT_FLOAT_EQ(dragged.y2, 0.25f);
  const ChartSelection& click = receiver.selections[1];
  EXPECT_EQ(click.x1, click.x2);
  EXPECT_EQ(click.y1, click.y2);
}

TEST_F(Chart, ADragThatLeavesTheWindowReportsFractionsWithinThePlot) {
  chart.AttachToFrame();
  Drag(chart, QPoint(200, 100), QPoint(-60, 290));
  Drag(chart, QPoint(10, 10), QPoint(900, -40));
  ASSERT_EQ(receiver.selections.size(), 2u);
  for (const ChartSelection& s : receiver.selections) {
    for (float f : {s.x1, s.y1, s.x2, s.y2}) {
      EXPECT_GE(f, 0.0f);
      EXPECT_LE(f, 1.0f);
    }
  }
  EXPECT_EQ(receiver.selections[0].x2, 0.0f);
  EXPECT_EQ(receiver.selections[0].y2, 0.0f);
  EXPECT_EQ(receiver.selections[1].x2, 1.0f);
  EXPECT_EQ(receiver.selections[1].y2, 1.0f);
}

TEST_F(Chart, MouseMovesAreReadBackAsFractions) {
  chart.AttachToFrame();
  Mouse(chart, QEvent::MouseMove, QPoint(100, 150), Qt::NoButton, Qt::NoButton);
  auto [fx, fy] = chart.GetCursorFractions();
  EXPECT_DOUBLE_EQ(fx, 0.25);
  EXPECT_DOUBLE_EQ(fy, 0.25);
  EXPECT_TRUE(receiver.selections.empty());
}

TEST_F(Chart, TheImageFollowsTheWindowAndAsksForARedraw) {
  QSignalSpy resized(&chart, &CLineChartCtrl::plotResized);
  chart.show();  // a hidden window hears of its size only when shown
  chart.resize(300, 100);  // before the image exists: nothing to redo
  EXPECT_EQ(resized.count(), 0);
  chart.AttachToFrame();
  chart.SetXRange(0, 1000);
  chart.SetYRange(100, 0);
  chart.DrawHorizontalLine(1, 2, Qt::black, Qt::SolidLine);
  chart.resize(600, 240);
  EXPECT_EQ(resized.count(), 1);
  EXPECT_EQ(chart.Image().deviceIndependentSize().toSize(), QSize(600, 240));
  EXPECT_EQ(At(300, 120), QColor(Qt::white));  // blank until the host redraws
  EXPECT_EQ(chart.Scale().ToPixel(1000, 0), (ChartPoint{600, 240}));
}

}  // namespace
}  // namespace zembra
