// The program's sheet view: its two pages in order, the start state, and
// the page messages each page receives from clicks, keys and the frame.
// The parameter page shows that it heard a message by starting a read; its
// link has no port, so the read ends at its first step and says so.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QScrollBar>
#include <QTest>

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
  EXPECT_TRUE(monitor.MessageLog().empty());
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
  EXPECT_FALSE(ParamsRead());
  EXPECT_EQ(monitor.MessageLog(), std::vector<std::uint32_t>{WM_PAGE_ACTIVATED});

  Click(CZembraSheetView::kParameterPage);
  EXPECT_EQ(view.GetActivePage(), &params);
  EXPECT_TRUE(ParamsRead());
  EXPECT_EQ(monitor.MessageLog(), (std::vector<std::uint32_t>{WM_PAGE_ACTIVATED, WM_PAGE_LEAVING}));
  EXPECT_EQ(monitor.CountOf(WM_PAGE_LEAVING), 1);
}

TEST_F(ZembraSheetViewTest, KeyboardSwitchingPostsNothing) {
  QTest::keyClick(&params, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(view.GetActivePage(), &monitor);
  QTest::keyClick(&monitor, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(view.GetActivePage(), &params);
  QTest::keyClick(&params, Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(view.GetActivePage(), &monitor);
  DeliverPostedMessages();
  EXPECT_FALSE(ParamsRead());
  EXPECT_TRUE(monitor.MessageLog().empty());
}

TEST_F(ZembraSheetViewTest, FrameNotificationReachesTheParameterPage) {
  ASSERT_TRUE(PostMessage(params.Handle(), WM_PAGE_NOTIFY, CBasicParam::kNotifyDriveIdentified, 1));
  DeliverPostedMessages();
  EXPECT_TRUE(ParamsRead());
  EXPECT_TRUE(monitor.MessageLog().empty());
}

TEST_F(ZembraSheetViewTest, PlaceholderSaysWhatItIs) {
  EXPECT_EQ(params.accessibleName(), QStringLiteral("参数配置"));
  for (CPropertyViewPage* page : {static_cast<CPropertyViewPage*>(&monitor)}) {
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
