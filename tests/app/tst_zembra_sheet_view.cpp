// The program's sheet view: its two pages in order, the start state, and
// the page messages each page receives from clicks, keys and the frame.
// The parameter page shows that it heard a message by starting a read (its
// link has no port, so the read ends at its first step and says so); the
// monitoring page by switching its zoom mode off when a click leaves it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QToolButton>

#include "app/ZembraSheetView.h"
#include "link/TransactionEngine.h"
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
    link.connected = true;
    params.AttachLink(engine);
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
  // Whether the parameter page started a read since the last look.
  bool ParamsRead() {
    auto* result = params.findChild<QLabel*>(QStringLiteral("parameterResult"));
    const bool read = result && result->text().startsWith(QStringLiteral("参数读取"));
    if (result) result->clear();
    return read;
  }
  LinkState link;
  TransactionEngine engine{link};
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
  // The parameter page is laid out at the size its controls need.
  EXPECT_EQ(params.PageWidth(), params.sizeHint().width());
  EXPECT_EQ(monitor.PageHeight(), CMonitor::kTemplateSize.height());
  // Being shown first is not a tab click: no activation message.
  EXPECT_FALSE(ParamsRead());
}

TEST_F(ZembraSheetViewTest, ASheetTooSmallForThePageScrollsInsteadOfCuttingItOff) {
  view.resize(600, 400);
  DeliverPostedMessages();
  EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(view.verticalScrollBar()->maximum(), 0);
  EXPECT_GE(params.width(), params.minimumSizeHint().width());
  EXPECT_GE(params.height(), params.minimumSizeHint().height());
}

TEST_F(ZembraSheetViewTest, ClicksPostTheMessagesEachPageActsOn) {
  Click(CZembraSheetView::kMonitorPage);
  EXPECT_EQ(view.GetActivePage(), &monitor);
  EXPECT_TRUE(monitor.isVisible());
  EXPECT_FALSE(ParamsRead());
  monitor.Controls().zoomMode->click();
  ASSERT_TRUE(monitor.ZoomMode());

  Click(CZembraSheetView::kParameterPage);
  EXPECT_EQ(view.GetActivePage(), &params);
  EXPECT_TRUE(ParamsRead());
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
  EXPECT_FALSE(ParamsRead());
  EXPECT_TRUE(monitor.ZoomMode());
}

TEST_F(ZembraSheetViewTest, FrameNotificationReachesTheParameterPage) {
  ASSERT_TRUE(PostMessage(params.Handle(), WM_PAGE_NOTIFY, CBasicParam::kNotifyDriveIdentified, 1));
  DeliverPostedMessages();
  EXPECT_TRUE(ParamsRead());
}

}  // namespace
}  // namespace zembra
