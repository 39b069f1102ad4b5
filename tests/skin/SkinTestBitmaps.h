#pragma once
// Bitmaps for skin tests whose every part can be told apart: each corner,
// edge strip and the centre carry their own colours, and the colours along
// an edge or across the centre change from pixel to pixel, so a test sees
// whether a part was copied, repeated or stretched.
#include <QColor>
#include <QImage>

#include "skin/SkinSettings.h"

namespace zembra::test {

inline constexpr int kBitmapWidth = 73;
inline constexpr int kBitmapHeight = 21;
inline constexpr int kCorner = 3;

// `tag` (0 to 255) marks which bitmap a pixel came from: it is the blue
// channel of every centre pixel.
inline QImage PartsBitmap(int tag, int scale = 1) {
  const int w = kBitmapWidth * scale, h = kBitmapHeight * scale, c = kCorner * scale;
  QImage img(w, h, QImage::Format_ARGB32);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      QRgb p;
      const bool left = x < c, right = x >= w - c, top = y < c, bottom = y >= h - c;
      if ((left || right) && (top || bottom)) {
        // corners: which corner in red, the pixel within it in green
        const int corner = (right ? 1 : 0) + (bottom ? 2 : 0);
        p = qRgb(200 + corner * 10, (y % c) * 16 + (x % c), 250 - tag / 8);
      } else if (top) {
        p = qRgb(x, 10 + y, 1);
      } else if (bottom) {
        p = qRgb(x, 40 + (h - 1 - y), 2);
      } else if (left) {
        p = qRgb(10 + x, y, 3);
      } else if (right) {
        p = qRgb(40 + (w - 1 - x), y, 4);
      } else {
        p = qRgb(x, 100 + y, tag);
      }
      img.setPixel(x, y, p);
    }
  }
  if (scale > 1) img.setDevicePixelRatio(scale);
  return img;
}

inline QImage FlatBitmap(const QColor& colour) {
  QImage img(kBitmapWidth, kBitmapHeight, QImage::Format_ARGB32);
  img.fill(colour);
  return img;
}

// Tags of the four bitmaps of PartsSettings().
inline constexpr int kNormalTag = 11;
inline constexpr int kFocusTag = 22;
inline constexpr int kHoverTag = 33;
inline constexpr int kPressedTag = 44;

inline SkinSettings PartsSettings() {
  SkinSettings s;
  s.bitmaps[SkinSettings::BitmapIndex(ButtonBitmap::Normal)] = PartsBitmap(kNormalTag);
  s.bitmaps[SkinSettings::BitmapIndex(ButtonBitmap::Focus)] = PartsBitmap(kFocusTag);
  s.bitmaps[SkinSettings::BitmapIndex(ButtonBitmap::Hover)] = PartsBitmap(kHoverTag);
  s.bitmaps[SkinSettings::BitmapIndex(ButtonBitmap::Pressed)] = PartsBitmap(kPressedTag);
  return s;
}

// The tag of the bitmap whose centre shows at (x, y), or -1.
inline int CentreTag(const QImage& img, int x, int y) {
  const QRgb p = img.pixel(x, y);
  return qGreen(p) >= 100 && qGreen(p) < 130 ? qBlue(p) : -1;
}

}  // namespace zembra::test
