// The program's sheet view: its two pages in order, the start state, and
// the page messages each page receives from clicks, keys and the frame
// (the monitoring page shows them by switching its zoom mode off when a
// click leaves it).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "app/ZembraSheetView.h"
#include "platform/WindowMessages.h"

namespace zembra {
namespace {

void DeliverPostedMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

class ZembraSheetViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view.resize(CZembraSheetView::kInitialSize);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.OnInitialUpdate();
    DeliverPostedMessages();
  }
  void Click(int index) {
    CTabStrip* strip = view.TabStrip();
    QTest::mouseClick(strip, Qt::LeftButton, {}, strip->TabRect(index).center());
    DeliverPostedMessages();
  }
  CZembraSheetView view;
  CBasicParam& params = view.ParameterPage();
  CMonitor& monitor = view.MonitorPage();
};

TEST_F(ZembraSheetViewTest, StartsWithParameterPageActiveAndNoMessages) {
  ASSERT_TRUE(view.HasAllPages());
  EXPECT_EQ(view.TabStrip()->ItemText(CZembraSheetView::kParameterPage), "参数配置");
  EXPECT_EQ(view.TabStrip()->ItemText(CZembraSheetView::kMonitorPage), "PID调试");
  EXPECT_EQ(view.GetPage(CZembraSheetView::kParameterPage), &params);
  EXPECT_EQ(view.GetPage(CZembraSheetView::kMonitorPage), &monitor);
  EXPECT_EQ(view.GetActivePage(), &params);
  EXPECT_TRUE(params.isVisible());
  EXPECT_FALSE(monitor.isVisible());
  EXPECT_EQ(params.TemplateId(), 141);
  EXPECT_EQ(monitor.TemplateId(), 142);
  EXPECT_EQ(params.PageWidth(), CBasicParam::kTemplateSize.width());
  EXPECT_EQ(monitor.PageHeight(), CMonitor::kTemplateSize.height());
  // Being shown first is not a tab click: no activation message.
  EXPECT_TRUE(params.MessageLog().empty());
}

TEST_F(ZembraSheetViewTest, InitialSizeShowsTheWholeParameterPage) {
  EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
  EXPECT_GE(params.width(), CBasicParam::kTemplateSize.width());
  EXPECT_GE(params.height(), CBasicParam::kTemplateSize.height());
}

TEST_F(ZembraSheetViewTest, ClicksPostTheMessagesEachPageActsOn) {
  Click(CZembraSheetView::kMonitorPage);
  EXPECT_EQ(view.GetActivePage(), &monitor);
  EXPECT_TRUE(monitor.isVisible());
  EXPECT_TRUE(params.MessageLog().empty());
  monitor.Controls().zoomMode->click();
  ASSERT_TRUE(monitor.ZoomMode());

  Click(CZembraSheetView::kParameterPage);
  EXPECT_EQ(view.GetActivePage(), &params);
  EXPECT_EQ(params.MessageLog(), std::vector<std::uint32_t>{WM_PAGE_ACTIVATED});
  EXPECT_EQ(params.CountOf(WM_PAGE_LEAVING), 0);
  EXPECT_FALSE(monitor.ZoomMode());  // the monitoring page heard it was left
}

TEST_F(ZembraSheetViewTest, KeyboardSwitchingPostsNothing) {
  QTest::keyClick(&params, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(view.GetActivePage(), &monitor);
  monitor.Controls().zoomMode->click();
  QTest::keyClick(&monitor, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(view.GetActivePage(), &params);
  QTest::keyClick(&params, Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(view.GetActivePage(), &monitor);
  DeliverPostedMessages();
  EXPECT_TRUE(params.MessageLog().empty());
  EXPECT_TRUE(monitor.ZoomMode());
}

TEST_F(ZembraSheetViewTest, FrameNotificationReachesTheParameterPage) {
  ASSERT_TRUE(PostMessage(params.Handle(), WM_PAGE_NOTIFY));
  DeliverPostedMessages();
  EXPECT_EQ(params.CountOf(WM_PAGE_NOTIFY), 1);
}

TEST_F(ZembraSheetViewTest, PlaceholdersSayWhatTheyAre) {
  for (CPropertyViewPage* page : {static_cast<CPropertyViewPage*>(&params)}) {
    EXPECT_FALSE(page->accessibleName().isEmpty());
    const auto labels = page->findChildren<QLabel*>();
    ASSERT_GE(labels.size(), 2);
    EXPECT_EQ(labels[0]->text(), page->windowTitle());
    EXPECT_TRUE(labels[1]->text().contains(QStringLiteral("正在建设中")));
    for (QLabel* label : labels) EXPECT_FALSE(label->accessibleName().isEmpty());
  }
}

}  // namespace
}  // namespace zembra
