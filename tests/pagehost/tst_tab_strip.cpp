// The custom-painted tab strip: items and selection, the veto of a click,
// the display-area arithmetic, row wrapping and the painted picture.
#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "pagehost/TabStrip.h"

namespace zembra {
namespace {

class TabStripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    strip.resize(500, 300);
    strip.InsertItem(0, QStringLiteral("参数配置"), nullptr);
    strip.InsertItem(1, QStringLiteral("PID调试"), nullptr);
  }
  CTabStrip strip;
};

TEST_F(TabStripTest, CarriesItsControlIdAndNeverTakesFocus) {
  EXPECT_EQ(strip.objectName(), "idc_29029");
  EXPECT_EQ(strip.accessibleDescription(), "idc_29029");
  EXPECT_FALSE(strip.accessibleName().isEmpty());
  EXPECT_EQ(strip.focusPolicy(), Qt::NoFocus);
}

TEST_F(TabStripTest, ItemsKeepOrderTextAndSelection) {
  EXPECT_EQ(strip.ItemCount(), 2);
  EXPECT_EQ(strip.ItemText(0), "参数配置");
  EXPECT_EQ(strip.ItemText(1), "PID调试");
  EXPECT_EQ(strip.CurSel(), CTabStrip::kNoSelection);
  strip.SetCurSel(1);
  EXPECT_EQ(strip.CurSel(), 1);
  // Inserting in front keeps the same item selected.
  EXPECT_EQ(strip.InsertItem(0, QStringLiteral("前"), nullptr), 0);
  EXPECT_EQ(strip.CurSel(), 2);
  EXPECT_TRUE(strip.RemoveItem(2));
  EXPECT_EQ(strip.CurSel(), CTabStrip::kNoSelection);
  EXPECT_FALSE(strip.RemoveItem(5));
  EXPECT_EQ(strip.InsertItem(-1, QStringLiteral("x"), nullptr), -1);
  EXPECT_FALSE(strip.SetItemText(7, QStringLiteral("x")));
  strip.SetCurSel(9);
  EXPECT_EQ(strip.CurSel(), CTabStrip::kNoSelection);
}

TEST_F(TabStripTest, ClickAsksFirstAndReportsAfter) {
  strip.SetCurSel(0);
  bool veto = true;
  int asked = 0, told = 0;
  strip.onSelChanging = [&] {
    ++asked;
    return veto;
  };
  strip.onSelChange = [&] { ++told; };

  EXPECT_FALSE(strip.ClickTab(1));
  EXPECT_EQ(strip.CurSel(), 0);
  EXPECT_EQ(told, 0);

  veto = false;
  QTest::mouseClick(&strip, Qt::LeftButton, {}, strip.TabRect(1).center());
  EXPECT_EQ(strip.CurSel(), 1);
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(told, 1);

  // The selected tab and the empty strip beside the tabs do nothing.
  QTest::mouseClick(&strip, Qt::LeftButton, {}, strip.TabRect(1).center());
  QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(480, 10));
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(told, 1);
}

TEST_F(TabStripTest, DisplayRectAndControlRectConvertBothWays) {
  const QRect display(0, 0, 304, 204);
  const QRect control = strip.AdjustRect(true, display);
  EXPECT_GT(control.height(), display.height() + CTabStrip::kTabHeight - 1);
  EXPECT_EQ(strip.AdjustRect(false, control), display);
  // Tabs sit above the display area.
  EXPECT_LE(strip.TabRect(0).bottom(), strip.DisplayRect().top());
}

TEST_F(TabStripTest, MultiLineWrapsTabsIntoRows) {
  strip.resize(150, 300);
  EXPECT_EQ(strip.RowCount(), 1);
  const int singleTop = strip.DisplayRect().top();
  strip.SetMultiLine(true);
  EXPECT_EQ(strip.RowCount(), 2);
  EXPECT_EQ(strip.TabRect(1).top(), CTabStrip::kTabHeight);
  EXPECT_EQ(strip.DisplayRect().top(), singleTop + CTabStrip::kTabHeight);
  strip.resize(500, 300);
  EXPECT_EQ(strip.RowCount(), 1);
}

TEST_F(TabStripTest, LongTitlesWidenTheirTabs) {
  strip.SetItemText(0, QStringLiteral("一个非常非常非常非常长的选项卡标题"));
  const QRect first = strip.TabRect(0);
  EXPECT_GT(first.width(), CTabStrip::kMinTabWidth);
  EXPECT_GE(strip.TabRect(1).left(), first.right());
}

TEST(TabStripPictureTest, ThreeSelectionPicturesExist) {
  for (int i = 0; i < 3; ++i) {
    const QImage picture = CTabStrip::SelectionPicture(i);
    ASSERT_FALSE(picture.isNull()) << i;
    EXPECT_GE(picture.height(), CTabStrip::kTabHeight);
    EXPECT_GE(picture.width(), 3 * CTabStrip::kMinTabWidth);
  }
  EXPECT_TRUE(CTabStrip::SelectionPicture(3).isNull());
  EXPECT_TRUE(CTabStrip::SelectionPicture(-1).isNull());
}

TEST_F(TabStripTest, PaintsBackgroundAndThePictureOfTheSelection) {
  const QColor background(222, 231, 247);
  const QPoint farRight(490, 290);
  QImage plain = strip.grab().toImage();
  EXPECT_EQ(plain.pixelColor(farRight), background);
  // Nothing selected: the tab row shows only background and labels.
  EXPECT_EQ(plain.pixelColor(QPoint(48, 1)), background);

  for (int sel = 0; sel < 3; ++sel) {
    if (sel == 2) strip.InsertItem(2, QStringLiteral("第三"), nullptr);
    strip.SetCurSel(sel);
    const QImage painted = strip.grab().toImage();
    const QImage picture = CTabStrip::SelectionPicture(sel).convertToFormat(QImage::Format_ARGB32);
    // The top edge of the selected tab comes from its picture, unhidden by
    // the label, and differs from the pictures of the other selections.
    const QPoint top(sel * CTabStrip::kMinTabWidth + CTabStrip::kMinTabWidth / 2, 1);
    EXPECT_EQ(painted.pixelColor(top), picture.pixelColor(top)) << sel;
    EXPECT_NE(painted.pixelColor(top), background) << sel;
    EXPECT_EQ(painted.pixelColor(farRight), background) << sel;
  }
}

}  // namespace
}  // namespace zembra
