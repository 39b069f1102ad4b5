// The page host: adding pages, switching by click (veto, refusal and the
// page messages posted), switching by keyboard, page lifetime, document
// updates, focus and the fit-to-page layout.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QCoreApplication>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <vector>
#include <memory>

#include "pagehost/PropertyView.h"
#include "platform/WindowMessages.h"
#include "tests/pagehost/ProbePage.h"

namespace zembra {
namespace {

using test::ProbePage;

void DeliverPostedMessages() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents();
}

void ClickTab(CPropertyView& view, int index) {
  CTabStrip* strip = view.TabStrip();
  QTest::mouseClick(strip, Qt::LeftButton, {}, strip->TabRect(index).center());
}

class PropertyViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view = std::make_unique<CPropertyView>();
    view->resize(900, 700);
    for (auto* p : {&first, &second, &third}) ASSERT_TRUE(view->AddPage(p));
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    DeliverPostedMessages();
    ClearLogs();
  }
  void ClearLogs() {
    for (auto* p : {&first, &second, &third}) p->log.clear();
  }
  bool NoMessages() const { return first.log.empty() && second.log.empty() && third.log.empty(); }

  // Pages are declared before the view; the view must let them go intact.
  ProbePage first{QStringLiteral("一")};
  ProbePage second{QStringLiteral("二")};
  ProbePage third{QStringLiteral("三")};
  std::unique_ptr<CPropertyView> view;
};

TEST(PropertyViewAddTest, FirstPageBecomesActiveWithoutRefreshingItsControls) {
  CPropertyView view;
  ProbePage a(QStringLiteral("甲"));
  ProbePage b(QStringLiteral("乙"));
  EXPECT_EQ(view.GetActiveIndex(), CPropertyView::kNoPage);
  EXPECT_EQ(view.GetActivePage(), nullptr);

  ASSERT_TRUE(view.AddPage(&a));
  ASSERT_TRUE(view.AddPage(&b, QStringLiteral("自定")));

  EXPECT_EQ(view.GetPageCount(), 2);
  EXPECT_EQ(view.TabStrip()->ItemText(0), "甲");
  EXPECT_EQ(view.TabStrip()->ItemText(1), "自定");
  EXPECT_EQ(view.GetActiveIndex(), 0);
  EXPECT_EQ(view.GetActivePage(), &a);
  EXPECT_EQ(view.TabStrip()->CurSel(), 0);
  EXPECT_EQ(a.setActiveCalls, 1);
  EXPECT_EQ(a.refreshes, 0);
  EXPECT_FALSE(a.IsFirstActivation());
  EXPECT_EQ(b.setActiveCalls, 0);
  EXPECT_TRUE(a.isVisibleTo(&view));
  EXPECT_TRUE(a.isEnabled());
  EXPECT_FALSE(b.isVisibleTo(&view));
  EXPECT_FALSE(b.isEnabled());
  EXPECT_EQ(a.HostView(), &view);
  EXPECT_EQ(a.PageWidth(), 300);
  EXPECT_EQ(a.PageHeight(), 200);
  EXPECT_EQ(view.GetPage(1), &b);
  EXPECT_EQ(view.GetPage(2), nullptr);
  EXPECT_EQ(view.GetPageIndex(&b), 1);
  EXPECT_EQ(view.GetPageIndex(nullptr), CPropertyView::kNoPage);

  // A later activation refreshes the controls.
  ASSERT_TRUE(view.SetActivePage(1));
  ASSERT_TRUE(view.SetActivePage(0));
  EXPECT_EQ(a.refreshes, 1);
}

TEST(PropertyViewAddTest, PageThatAlreadyHasAWindowIsRefusedAndNothingChanges) {
  CPropertyView view;
  CPropertyView other;
  ProbePage a(QStringLiteral("甲"));
  ProbePage b(QStringLiteral("乙"));
  ASSERT_TRUE(view.AddPage(&a));
  ASSERT_TRUE(view.AddPage(&b));
  ASSERT_TRUE(view.SetActivePage(1));

  EXPECT_FALSE(view.AddPage(&a));
  EXPECT_FALSE(view.AddPage(&b, QStringLiteral("新")));
  EXPECT_FALSE(other.AddPage(&a));
  EXPECT_FALSE(view.AddPage(nullptr));

  EXPECT_EQ(view.GetPageCount(), 2);
  EXPECT_EQ(other.GetPageCount(), 0);
  EXPECT_EQ(view.TabStrip()->ItemText(1), "乙");
  EXPECT_EQ(view.GetActiveIndex(), 1);
  EXPECT_EQ(a.HostView(), &view);
  EXPECT_EQ(a.parentWidget(), view.TabStrip());
  EXPECT_FALSE(a.isVisibleTo(&view));
}

TEST(PropertyViewAddTest, PageThatCannotBeCreatedIsLeftOutAndOthersStillAdd) {
  CPropertyView view;
  ProbePage broken(QStringLiteral("坏"));
  broken.failCreate = true;
  ProbePage good(QStringLiteral("好"));
  EXPECT_FALSE(view.AddPage(&broken));
  EXPECT_EQ(broken.HostView(), nullptr);
  EXPECT_FALSE(broken.IsCreated());
  EXPECT_EQ(view.GetPageCount(), 0);
  EXPECT_EQ(view.GetActiveIndex(), CPropertyView::kNoPage);

  ASSERT_TRUE(view.AddPage(&good));
  EXPECT_EQ(view.GetActivePage(), &good);
}

TEST_F(PropertyViewTest, ClickFromFirstPagePostsOnlyActivation) {
  ClickTab(*view, 1);
  EXPECT_EQ(view->GetActiveIndex(), 1);
  EXPECT_TRUE(second.isVisible());
  EXPECT_FALSE(first.isVisible());
  DeliverPostedMessages();
  EXPECT_TRUE(first.log.empty());
  EXPECT_EQ(second.log, std::vector<std::uint32_t>{WM_PAGE_ACTIVATED});
  EXPECT_TRUE(third.log.empty());
}

TEST_F(PropertyViewTest, ClickFromALaterPagePostsLeavingThenActivation) {
  ClickTab(*view, 2);
  DeliverPostedMessages();
  ClearLogs();

  ClickTab(*view, 0);
  EXPECT_EQ(view->GetActiveIndex(), 0);
  DeliverPostedMessages();
  EXPECT_EQ(third.log, std::vector<std::uint32_t>{WM_PAGE_LEAVING});
  EXPECT_EQ(first.log, std::vector<std::uint32_t>{WM_PAGE_ACTIVATED});
  EXPECT_TRUE(second.log.empty());

  ClickTab(*view, 1);
  ClickTab(*view, 2);
  DeliverPostedMessages();
  EXPECT_EQ(second.log, (std::vector<std::uint32_t>{WM_PAGE_ACTIVATED, WM_PAGE_LEAVING}));
  EXPECT_EQ(third.log, (std::vector<std::uint32_t>{WM_PAGE_LEAVING, WM_PAGE_ACTIVATED}));
}

TEST_F(PropertyViewTest, PageWithInvalidInputCannotBeLeftByClick) {
  ClickTab(*view, 1);
  DeliverPostedMessages();
  ClearLogs();
  second.invalidInput = true;

  ClickTab(*view, 0);
  EXPECT_EQ(second.saves, 1);
  EXPECT_EQ(view->GetActiveIndex(), 1);
  EXPECT_EQ(view->TabStrip()->CurSel(), 1);
  EXPECT_TRUE(second.isVisible());
  EXPECT_FALSE(first.isVisible());
  EXPECT_EQ(first.setActiveCalls, 1);
  DeliverPostedMessages();
  // Told nothing: it is not being left.
  EXPECT_TRUE(NoMessages());

  second.invalidInput = false;
  ClickTab(*view, 0);
  EXPECT_EQ(view->GetActiveIndex(), 0);
}

TEST_F(PropertyViewTest, PageThatRefusesActivationSendsTheSelectionBack) {
  ClickTab(*view, 2);
  DeliverPostedMessages();
  ClearLogs();
  second.refuseEnter = true;

  ClickTab(*view, 1);
  EXPECT_EQ(second.setActiveCalls, 1);
  EXPECT_EQ(view->GetActiveIndex(), 2);
  EXPECT_EQ(view->TabStrip()->CurSel(), 2);
  EXPECT_TRUE(third.isVisible());
  EXPECT_FALSE(second.isVisible());
  DeliverPostedMessages();
  EXPECT_TRUE(NoMessages());
}

TEST_F(PropertyViewTest, KeyboardSwitchingWrapsBothWaysAndPostsNothing) {
  QWidget* target = first.edit;
  QTest::keyClick(target, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(view->GetActiveIndex(), 1);
  QTest::keyClick(second.edit, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(view->GetActiveIndex(), 2);
  QTest::keyClick(third.edit, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(view->GetActiveIndex(), 0);  // last -> first
  QTest::keyClick(first.edit, Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(view->GetActiveIndex(), 2);  // first -> last
  QTest::keyClick(third.edit, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(view->GetActiveIndex(), 1);
  QTest::keyClick(view.get(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(view->GetActiveIndex(), 0);
  EXPECT_EQ(view->TabStrip()->CurSel(), 0);
  EXPECT_TRUE(first.isVisible());
  DeliverPostedMessages();
  EXPECT_TRUE(NoMessages());
}

TEST_F(PropertyViewTest, KeyboardSwitchingRespectsARefusingPage) {
  first.invalidInput = true;
  QTest::keyClick(first.edit, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(view->GetActiveIndex(), 0);
  first.invalidInput = false;
  second.refuseEnter = true;
  QTest::keyClick(first.edit, Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(view->GetActiveIndex(), 0);
}

TEST_F(PropertyViewTest, PagesNeverSwallowTheViewsNavigationKeys) {
  first.swallowKeys = true;
  QTest::keyClick(first.edit, Qt::Key_A);
  EXPECT_EQ(first.swallowedKeys, std::vector<int>{Qt::Key_A});
  EXPECT_TRUE(first.edit->text().isEmpty());
  first.swallowedKeys.clear();
  for (Qt::Key key : {Qt::Key_F4, Qt::Key_F6, Qt::Key_PageDown}) {
    QTest::keyClick(first.edit, key, Qt::ControlModifier);
    // The page may see the Control key itself, never the navigation key.
    EXPECT_EQ(std::count(first.swallowedKeys.begin(), first.swallowedKeys.end(), key), 0) << key;
  }
  EXPECT_EQ(view->GetActiveIndex(), 1);
  // Keys without Control reach the page's own control.
  QTest::keyClick(second.edit, Qt::Key_B);
  EXPECT_EQ(second.edit->text(), "b");
  EXPECT_EQ(view->GetActiveIndex(), 1);
}

TEST(PropertyViewPageKeyTest, OnlyControlNavigationKeysBelongToTheHost) {
  auto press = [](int key, Qt::KeyboardModifiers mods) { return QKeyEvent(QEvent::KeyPress, key, mods); };
  for (int key : {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_F4, Qt::Key_F6}) {
    EXPECT_TRUE(CPropertyViewPage::IsHostNavigationKey(press(key, Qt::ControlModifier))) << key;
    EXPECT_TRUE(CPropertyViewPage::IsHostNavigationKey(press(key, Qt::ControlModifier | Qt::ShiftModifier)));
    EXPECT_FALSE(CPropertyViewPage::IsHostNavigationKey(press(key, Qt::NoModifier))) << key;
    EXPECT_FALSE(CPropertyViewPage::IsHostNavigationKey(
        QKeyEvent(QEvent::KeyRelease, key, Qt::ControlModifier)));
  }
  EXPECT_FALSE(CPropertyViewPage::IsHostNavigationKey(press(Qt::Key_F5, Qt::ControlModifier)));
  EXPECT_FALSE(CPropertyViewPage::IsHostNavigationKey(press(Qt::Key_Home, Qt::ControlModifier)));
}

TEST_F(PropertyViewTest, SetActivePageChecksItsArguments) {
  EXPECT_FALSE(view->SetActivePage(-1));
  EXPECT_FALSE(view->SetActivePage(3));
  ProbePage stranger(QStringLiteral("外"));
  EXPECT_FALSE(view->SetActivePage(&stranger));
  EXPECT_EQ(view->GetActiveIndex(), 0);
  const int calls = first.setActiveCalls;
  EXPECT_TRUE(view->SetActivePage(0));  // already active: nothing to do
  EXPECT_EQ(first.setActiveCalls, calls);
  EXPECT_TRUE(view->SetActivePage(&third));
  EXPECT_EQ(view->GetActivePage(), &third);
  EXPECT_EQ(view->TabStrip()->CurSel(), 2);
}

TEST_F(PropertyViewTest, InitialUpdateAndDocumentUpdatesReachEveryPage) {
  view->OnInitialUpdate();
  for (auto* p : {&first, &second, &third}) {
    EXPECT_EQ(p->refreshes, 1);
    EXPECT_EQ(p->pageUpdates, 1);
    EXPECT_EQ(p->lastSender, nullptr);
  }
  QObject sender, object;
  view->OnUpdate(&sender, 7, &object);
  for (auto* p : {&first, &second, &third}) {
    EXPECT_EQ(p->pageUpdates, 2);
    EXPECT_EQ(p->lastSender, &sender);
    EXPECT_EQ(p->lastHint, 7);
    EXPECT_EQ(p->lastObject, &object);
  }
}

TEST_F(PropertyViewTest, TitlesCanBeChanged) {
  EXPECT_TRUE(view->SetPageTitle(2, QStringLiteral("第三页")));
  EXPECT_EQ(view->TabStrip()->ItemText(2), "第三页");
  EXPECT_FALSE(view->SetPageTitle(3, QStringLiteral("无")));
}

TEST_F(PropertyViewTest, ActivePageGetsTheFocus) {
  view->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
  view->setFocus();
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == first.edit; }, 2000));
  ASSERT_TRUE(view->SetActivePage(1));
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == second.edit; }, 2000));
}

TEST_F(PropertyViewTest, ADestroyedPageLeavesTheView) {
  {
    ProbePage temporary(QStringLiteral("临时"));
    ASSERT_TRUE(view->AddPage(&temporary));
    ASSERT_TRUE(view->SetActivePage(3));
  }
  EXPECT_EQ(view->GetPageCount(), 3);
  EXPECT_EQ(view->GetActivePage(), nullptr);
  EXPECT_EQ(view->TabStrip()->CurSel(), CTabStrip::kNoSelection);
  EXPECT_TRUE(view->SetActivePage(1));
}

TEST(PropertyViewLifetimeTest, PagesSurviveTheirView) {
  ProbePage page(QStringLiteral("留"));
  {
    CPropertyView view;
    ASSERT_TRUE(view.AddPage(&page));
  }
  EXPECT_EQ(page.HostView(), nullptr);
  EXPECT_FALSE(page.IsCreated());
  EXPECT_EQ(page.parentWidget(), nullptr);
  // And it can be shown by another view.
  CPropertyView again;
  EXPECT_TRUE(again.AddPage(&page));
}

class PropertyViewLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view.AddPage(&page);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  }
  CPropertyView view;
  ProbePage page{QStringLiteral("大"), QSize(600, 400)};
};

TEST_F(PropertyViewLayoutTest, SmallViewScrollsToShowTheWholePage) {
  view.resize(300, 200);
  QCoreApplication::processEvents();
  EXPECT_TRUE(view.IsSized());
  EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(view.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(page.size(), QSize(600, 400));
  // The canvas holds page, frame and tab strip.
  EXPECT_GE(view.Canvas()->width(), 600 + 2 * CPropertyView::kPageMargin);
  EXPECT_GE(view.Canvas()->height(), 400 + CTabStrip::kTabHeight + CPropertyView::kTabTop);
  const QRect pageInCanvas(page.mapTo(view.Canvas(), QPoint(0, 0)), page.size());
  EXPECT_TRUE(QRect(QPoint(0, 0), view.Canvas()->size()).contains(pageInCanvas));
}

TEST_F(PropertyViewLayoutTest, LargeViewStretchesTheTabStripToTheClientArea) {
  view.resize(1200, 900);
  QCoreApplication::processEvents();
  EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(view.Canvas()->size(), view.viewport()->size());
  EXPECT_EQ(view.TabStrip()->width(), view.viewport()->width());
  EXPECT_EQ(view.TabStrip()->geometry().bottom(), view.viewport()->height() - 1);
  EXPECT_EQ(view.TabStrip()->y(), CPropertyView::kTabTop);
  // The page fills the display area of the stretched strip.
  const QRect display = view.TabStrip()->DisplayRect();
  const int m = CPropertyView::kPageMargin;
  EXPECT_EQ(page.geometry(), display.adjusted(m, m, -m, -m));
  EXPECT_GT(page.width(), 600);
}

TEST_F(PropertyViewLayoutTest, WithoutFitToPageTheTabStripIsTheClientArea) {
  view.resize(300, 200);
  view.SetFitToPage(false);
  QCoreApplication::processEvents();
  EXPECT_FALSE(view.IsFitToPage());
  EXPECT_EQ(view.horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(view.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(view.TabStrip()->geometry(), QRect(QPoint(0, 0), view.viewport()->size()));
  view.SetFitToPage(true);
  QCoreApplication::processEvents();
  EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
}

TEST(PropertyViewMultiLineTest, WrappedTabsPushThePageDown) {
  CPropertyView view;
  ProbePage small(QStringLiteral("小"), QSize(200, 100));
  ProbePage wide(QStringLiteral("很长很长很长很长很长很长很长很长很长很长的标题"));
  ASSERT_TRUE(view.AddPage(&small));
  ASSERT_TRUE(view.AddPage(&wide));
  view.resize(300, 400);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  ASSERT_GT(view.TabStrip()->TabRect(1).right(), view.TabStrip()->width());

  const int belowOneRow = CTabStrip::kTabHeight + CTabStrip::kFrame + CPropertyView::kPageMargin;
  EXPECT_EQ(small.y(), belowOneRow);
  const int heightInOneRow = small.height();
  view.SetMultiLine(true);
  EXPECT_TRUE(view.IsMultiLine());
  EXPECT_EQ(view.TabStrip()->RowCount(), 2);
  EXPECT_EQ(small.y(), belowOneRow + CTabStrip::kTabHeight);
  EXPECT_EQ(small.height(), heightInOneRow - CTabStrip::kTabHeight);
  view.SetMultiLine(false);
  EXPECT_EQ(small.y(), belowOneRow);
}

// Screen readers and outside drivers see the tabs the strip paints as page
// tabs named by their captions, and pressing one switches pages the way a
// click does, refusal included.
TEST_F(PropertyViewTest, PageTabsAreAccessibleAndPressable) {
  QAccessibleInterface* strip = QAccessible::queryAccessibleInterface(view->TabStrip());
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->role(), QAccessible::PageTabList);
  // Three tabs, then the three pages that sit in the strip: their
  // controls are reached through them.
  ASSERT_EQ(strip->childCount(), 6);
  std::vector<QObject*> pages;
  for (int i = 3; i < 6; ++i) {
    QAccessibleInterface* page = strip->child(i);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->parent(), strip);
    EXPECT_EQ(strip->indexOfChild(page), i);
    pages.push_back(page->object());
  }
  for (QObject* page : {static_cast<QObject*>(&first), static_cast<QObject*>(&second), static_cast<QObject*>(&third)})
    EXPECT_NE(std::find(pages.begin(), pages.end(), page), pages.end());
  QAccessibleInterface* tab = strip->child(1);
  ASSERT_NE(tab, nullptr);
  EXPECT_EQ(tab->role(), QAccessible::PageTab);
  EXPECT_EQ(tab->text(QAccessible::Name), "二");
  EXPECT_EQ(strip->indexOfChild(tab), 1);
  EXPECT_EQ(tab->parent(), strip);
  EXPECT_TRUE(strip->child(0)->state().selected);
  EXPECT_FALSE(tab->state().selected);
  EXPECT_FALSE(tab->rect().isEmpty());
  // The same child for the same tab: readers keep the ids they were given.
  EXPECT_EQ(strip->child(1), tab);

  QAccessibleActionInterface* action = tab->actionInterface();
  ASSERT_NE(action, nullptr);
  ASSERT_TRUE(action->actionNames().contains(QAccessibleActionInterface::pressAction()));
  action->doAction(QAccessibleActionInterface::pressAction());
  DeliverPostedMessages();
  EXPECT_EQ(view->GetActiveIndex(), 1);
  EXPECT_TRUE(tab->state().selected);
  // Like a click, a press posts the page messages.
  EXPECT_EQ(second.Count(WM_PAGE_ACTIVATED), 1);
  strip->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  DeliverPostedMessages();
  EXPECT_EQ(view->GetActiveIndex(), 2);
  EXPECT_EQ(second.Count(WM_PAGE_LEAVING), 1);
  EXPECT_EQ(third.Count(WM_PAGE_ACTIVATED), 1);

  // A page with invalid input cannot be left by a press either.
  third.invalidInput = true;
  strip->child(0)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  DeliverPostedMessages();
  EXPECT_EQ(view->GetActiveIndex(), 2);
}

}  // namespace
}  // namespace zembra
