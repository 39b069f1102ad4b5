#pragma once
// What the window skin draws with: the four push-button bitmaps (and the
// same four at twice the size for high-density screens), the size of the
// bitmaps' fixed corners, whether edges are stretched instead of repeated,
// and the background colour of skinned windows.
#include <QColor>
#include <QImage>
#include <QSize>
#include <array>

namespace zembra {

// The bitmap a button shows, by its resource number.
enum class ButtonBitmap : int { Normal = 187, Focus = 188, Hover = 189, Pressed = 190 };
inline constexpr int kButtonBitmapCount = 4;

struct SkinSettings {
  // Indexed by BitmapIndex(); the dense set may be empty.
  std::array<QImage, kButtonBitmapCount> bitmaps;
  std::array<QImage, kButtonBitmapCount> denseBitmaps;
  QSize corner{3, 3};
  bool stretchAll = false;
  QColor background{231, 231, 247};

  static int BitmapIndex(ButtonBitmap which);

  // The bitmap for a paint device of the given pixel ratio: the dense set
  // above a ratio of 1 when there is one. Its devicePixelRatio says how
  // many of its pixels make one logical pixel.
  const QImage& Bitmap(ButtonBitmap which, qreal devicePixelRatio) const;

  // Our own artwork, from the program's resources.
  static SkinSettings Default();
};

}  // namespace zembra
