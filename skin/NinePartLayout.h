#pragma once
// Draws a bitmap onto a rectangle of any size in nine parts: the four
// corners as they are, the four edges repeated along the sides (or
// stretched), and the centre stretched. Sizes are logical pixels; a bitmap
// with a device pixel ratio above 1 gives a crisp result on a dense screen.
#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

namespace zembra {

class NinePartLayout {
 public:
  NinePartLayout(QSize corner, bool stretchAll) : m_corner(corner), m_stretchAll(stretchAll) {}

  void Draw(QPainter& painter, const QRect& target, const QImage& bitmap) const;

 private:
  // Fills `area` with the bitmap part `source` (logical pixels of the
  // bitmap): stretched, or repeated from the area's top-left corner
  // across or down and cut off where the area ends. An empty part draws
  // nothing, so a bitmap smaller than its corners cannot loop forever.
  enum class Fill { Stretch, RepeatAcross, RepeatDown };
  void DrawPart(QPainter& painter, const QRectF& area, const QImage& bitmap, const QRectF& source, Fill fill) const;

  QSize m_corner;
  bool m_stretchAll;
};

}  // namespace zembra
