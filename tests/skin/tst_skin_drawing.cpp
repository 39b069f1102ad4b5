// The skin's drawing rules on images: which bitmap a button state shows,
// the nine-part layout (corners unscaled, edges repeated or stretched,
// centre stretched), the dense bitmap set, the caption's pressed offset and
// its embossed disabled look, and our own artwork's sizes.
#include <gtest/gtest.h>

#include <QPainter>
#include <cstdlib>
#include <optional>

#include "skin/ButtonPainter.h"
#include "skin/NinePartLayout.h"
#include "tests/skin/SkinTestBitmaps.h"

namespace zembra {
namespace {

using test::CentreTag;
using test::kCorner;
using test::PartsBitmap;

QImage Canvas(int w, int h, qreal ratio = 1.0) {
  QImage img(qRound(w * ratio), qRound(h * ratio), QImage::Format_ARGB32);
  img.setDevicePixelRatio(ratio);
  img.fill(Qt::white);
  return img;
}

QImage Laid(int w, int h, const QImage& bitmap, bool stretchAll = false) {
  QImage img = Canvas(w, h);
  QPainter p(&img);
  NinePartLayout({kCorner, kCorner}, stretchAll).Draw(p, QRect(0, 0, w, h), bitmap);
  return img;
}

TEST(ButtonBitmapChoice, FocusPressAndHoverPickTheBitmap) {
  struct Case {
    bool focus, selected, hover;
    ButtonBitmap expected;
  };
  const Case cases[] = {
      {false, false, false, ButtonBitmap::Normal}, {false, false, true, ButtonBitmap::Hover},
      {true, false, false, ButtonBitmap::Focus},   {true, false, true, ButtonBitmap::Focus},
      {true, true, false, ButtonBitmap::Pressed},  {true, true, true, ButtonBitmap::Pressed},
      // Held down without the focus: the rule looks at the focus first.
      {false, true, false, ButtonBitmap::Normal},
  };
  const ButtonPainter painter(test::PartsSettings());
  for (const Case& c : cases) {
    ButtonDrawState state;
    state.focus = c.focus;
    state.selected = c.selected;
    state.hover = c.hover;
    EXPECT_EQ(ButtonPainter::ChooseBitmap(state), c.expected) << c.focus << c.selected << c.hover;

    // And the painted button shows that bitmap's centre.
    QImage img = Canvas(90, 30);
    QPainter p(&img);
    painter.Paint(p, img.rect(), state, ButtonContent{});
    p.end();
    const int expectedTag = c.expected == ButtonBitmap::Normal  ? test::kNormalTag
                            : c.expected == ButtonBitmap::Focus ? test::kFocusTag
                            : c.expected == ButtonBitmap::Hover ? test::kHoverTag
                                                                : test::kPressedTag;
    EXPECT_EQ(CentreTag(img, 45, 15), expectedTag);
  }
}

TEST(NinePartLayout, CornersAreCopiedUnscaledOntoAWideTallButton) {
  const QImage bitmap = PartsBitmap(1);
  const QImage img = Laid(140, 40, bitmap);
  const int w = bitmap.width(), h = bitmap.height();
  for (int i = 0; i < kCorner; ++i) {
    for (int j = 0; j < kCorner; ++j) {
      EXPECT_EQ(img.pixel(i, j), bitmap.pixel(i, j));
      EXPECT_EQ(img.pixel(140 - kCorner + i, j), bitmap.pixel(w - kCorner + i, j));
      EXPECT_EQ(img.pixel(i, 40 - kCorner + j), bitmap.pixel(i, h - kCorner + j));
      EXPECT_EQ(img.pixel(140 - kCorner + i, 40 - kCorner + j), bitmap.pixel(w - kCorner + i, h - kCorner + j));
    }
  }
}

TEST(NinePartLayout, EdgesRepeatAndTheCentreStretches) {
  const QImage bitmap = PartsBitmap(1);
  const int strip = bitmap.width() - 2 * kCorner;         // 67
  const int column = bitmap.height() - 2 * kCorner;       // 15
  const QImage img = Laid(kCorner * 2 + strip * 2, 40, bitmap);  // 140 wide

  // Top and bottom edges: the second tile starts where the first ends and
  // repeats it pixel for pixel.
  for (int k : {0, 10, 40, strip - 1}) {
    EXPECT_EQ(img.pixel(kCorner + k, 0), bitmap.pixel(kCorner + k, 0));
    EXPECT_EQ(img.pixel(kCorner + strip + k, 0), bitmap.pixel(kCorner + k, 0)) << k;
    EXPECT_EQ(img.pixel(kCorner + strip + k, 39), bitmap.pixel(kCorner + k, bitmap.height() - 1)) << k;
  }
  // Left and right edges repeat downwards; the third tile is cut off
  // before the bottom corners.
  for (int k : {0, 7, column - 1}) {
    EXPECT_EQ(img.pixel(0, kCorner + column + k), bitmap.pixel(0, kCorner + k)) << k;
    EXPECT_EQ(img.pixel(139, kCorner + column + k), bitmap.pixel(bitmap.width() - 1, kCorner + k)) << k;
  }
  EXPECT_EQ(img.pixel(1, kCorner + 2 * column + 3), bitmap.pixel(1, kCorner + 3));

  // The centre is one bitmap centre stretched over 134 x 34 pixels: twice
  // as wide, so each source column covers two target columns.
  for (int k : {0, 20, strip - 1}) {
    const QRgb source = bitmap.pixel(kCorner + k, kCorner);
    EXPECT_EQ(img.pixel(kCorner + 2 * k, kCorner), source) << k;
    EXPECT_EQ(img.pixel(kCorner + 2 * k + 1, kCorner), source) << k;
  }
  EXPECT_EQ(CentreTag(img, 70, 36), 1);  // the centre reaches down to the bottom edge
}

TEST(NinePartLayout, StretchAllStretchesTheEdgesToo) {
  const QImage bitmap = PartsBitmap(1);
  const QImage img = Laid(140, 21, bitmap, true);
  // Twice as wide: source column k covers target columns 2k and 2k + 1.
  EXPECT_EQ(img.pixel(kCorner + 2 * 40, 0), bitmap.pixel(kCorner + 40, 0));
  EXPECT_NE(img.pixel(kCorner + 67, 0), bitmap.pixel(kCorner, 0));  // no second tile
  EXPECT_EQ(img.pixel(0, 0), bitmap.pixel(0, 0));
}

TEST(NinePartLayout, ABitmapNoLargerThanItsCornersDrawsOnlyCorners) {
  // No edge or centre part is left: drawing must end (not repeat an empty
  // tile forever) and still put the corners in place.
  QImage bitmap(6, 6, QImage::Format_ARGB32);
  bitmap.fill(QColor(1, 2, 3));
  const QImage img = Laid(50, 20, bitmap);
  EXPECT_EQ(img.pixel(0, 0), qRgb(1, 2, 3));
  EXPECT_EQ(img.pixel(49, 19), qRgb(1, 2, 3));
  EXPECT_EQ(img.pixel(25, 10), qRgb(255, 255, 255));
}

TEST(NinePartLayout, TransparentCornerPixelsShowWhatWasBeneathNotATile) {
  QImage bitmap = PartsBitmap(1);
  bitmap.setPixel(bitmap.width() - 1, 0, qRgba(0, 0, 0, 0));
  const QImage img = Laid(100, 21, bitmap);  // the last top tile runs into the right corner
  EXPECT_EQ(img.pixel(99, 0), qRgb(255, 255, 255));
}

TEST(ButtonPainter, ADenseScreenGetsTheDoubleSizeBitmapsWithCornersOfThreeLogicalPixels) {
  SkinSettings settings = test::PartsSettings();
  for (int i = 0; i < kButtonBitmapCount; ++i) settings.denseBitmaps[i] = PartsBitmap(100 + i, 2);
  QImage img = Canvas(100, 30, 2.0);
  QPainter p(&img);
  ButtonPainter(settings).Paint(p, QRect(0, 0, 100, 30), ButtonDrawState{}, ButtonContent{});
  p.end();
  const QImage& dense = settings.denseBitmaps[0];
  for (int i = 0; i < 2 * kCorner; ++i) {
    EXPECT_EQ(img.pixel(i, i), dense.pixel(i, i)) << i;
    EXPECT_EQ(img.pixel(199 - i, 59 - i), dense.pixel(dense.width() - 1 - i, dense.height() - 1 - i)) << i;
  }
  EXPECT_EQ(CentreTag(img, 100, 30), 100);  // the dense normal bitmap

  // Without a dense set the standard one is scaled up.
  settings.denseBitmaps = {};
  QImage plain = Canvas(100, 30, 2.0);
  QPainter q(&plain);
  ButtonPainter(settings).Paint(q, QRect(0, 0, 100, 30), ButtonDrawState{}, ButtonContent{});
  q.end();
  EXPECT_EQ(CentreTag(plain, 100, 30), test::kNormalTag);
}

// Caption tests use one flat colour for every bitmap, so every pixel of
// another colour belongs to the caption.
class ButtonCaption : public ::testing::Test {
 protected:
  const QColor kFace{230, 230, 230};
  const QColor kText{0, 0, 0};
  const QColor kLight{255, 0, 0};
  const QColor kShadow{0, 0, 255};

  SkinSettings FlatSettings() const {
    SkinSettings s;
    for (auto& b : s.bitmaps) b = test::FlatBitmap(kFace);
    return s;
  }

  QImage PaintCaption(const ButtonDrawState& state) const {
    ButtonContent content;
    content.text = QStringLiteral("GM");
    content.font.setPixelSize(13);
    content.font.setStyleStrategy(QFont::NoAntialias);
    content.palette.setColor(QPalette::ButtonText, kText);
    content.palette.setColor(QPalette::Light, kLight);
    content.palette.setColor(QPalette::Dark, kShadow);
    QImage img = Canvas(60, 24);
    QPainter p(&img);
    ButtonPainter(FlatSettings()).Paint(p, img.rect(), state, content);
    return img;
  }

  // Bounding box of the pixels of one colour.
  static std::optional<QRect> Box(const QImage& img, const QColor& colour) {
    std::optional<QRect> box;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        if (img.pixel(x, y) == colour.rgb()) box = box ? box->united(QRect(x, y, 1, 1)) : QRect(x, y, 1, 1);
    return box;
  }
};

TEST_F(ButtonCaption, IsCentredAndMovesOnePixelRightAndDownWhilePressed) {
  ButtonDrawState up;
  up.focus = true;
  ButtonDrawState down = up;
  down.selected = true;
  const auto released = Box(PaintCaption(up), kText);
  const auto pressed = Box(PaintCaption(down), kText);
  ASSERT_TRUE(released && pressed);
  EXPECT_EQ(pressed->topLeft(), released->topLeft() + QPoint(1, 1));
  EXPECT_EQ(pressed->size(), released->size());
  // Centred: equal room left and right, give or take the odd pixel.
  EXPECT_LE(std::abs(released->left() - (59 - released->right())), 1);
  EXPECT_LE(std::abs(released->top() - (23 - released->bottom())), 2);
}

TEST_F(ButtonCaption, IsEmbossedWhileDisabled) {
  ButtonDrawState state;
  state.disabled = true;
  const QImage img = PaintCaption(state);
  EXPECT_FALSE(Box(img, kText)) << "a disabled caption is not drawn in the text colour";
  const auto light = Box(img, kLight);
  const auto shadow = Box(img, kShadow);
  ASSERT_TRUE(light && shadow);
  // The light copy lies one pixel right and down, under the shadow.
  EXPECT_EQ(light->right(), shadow->right() + 1);
  EXPECT_EQ(light->bottom(), shadow->bottom() + 1);

  state.disabled = false;
  const QImage enabled = PaintCaption(state);
  EXPECT_TRUE(Box(enabled, kText));
  EXPECT_FALSE(Box(enabled, kLight));
  EXPECT_FALSE(Box(enabled, kShadow));
}

TEST(SkinArtwork, FourBitmapsOfTheButtonSizeAndADenseSetOfTwiceThat) {
  const SkinSettings settings = SkinSettings::Default();
  for (int i = 0; i < kButtonBitmapCount; ++i) {
    EXPECT_EQ(settings.bitmaps[i].size(), QSize(73, 21)) << i;
    EXPECT_EQ(settings.denseBitmaps[i].size(), QSize(146, 42)) << i;
    EXPECT_EQ(settings.denseBitmaps[i].devicePixelRatio(), 2.0);
  }
  // Each state has a look of its own.
  for (int i = 0; i < kButtonBitmapCount; ++i)
    for (int j = i + 1; j < kButtonBitmapCount; ++j) EXPECT_NE(settings.bitmaps[i], settings.bitmaps[j]) << i << j;
  EXPECT_EQ(settings.background, QColor(231, 231, 247));
  EXPECT_EQ(settings.corner, QSize(3, 3));
  EXPECT_FALSE(settings.stretchAll);
}

}  // namespace
}  // namespace zembra
