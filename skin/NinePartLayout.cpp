#include "skin/NinePartLayout.h"

#include <QPainter>

namespace zembra {

void NinePartLayout::DrawPart(QPainter& painter, const QRectF& area, const QImage& bitmap, const QRectF& source,
                              Fill fill) const {
  if (area.width() <= 0 || area.height() <= 0 || source.width() <= 0 || source.height() <= 0) return;
  const qreal ratio = bitmap.devicePixelRatio();
  const QRectF pixels(source.x() * ratio, source.y() * ratio, source.width() * ratio, source.height() * ratio);
  if (fill == Fill::Stretch) {
    painter.drawImage(area, bitmap, pixels);
    return;
  }
  // Tiles that run past the edge are cut at it, so a corner with
  // transparent pixels never shows a tile beneath it.
  painter.save();
  painter.setClipRect(area, Qt::IntersectClip);
  if (fill == Fill::RepeatAcross) {
    for (qreal x = area.left(); x < area.right(); x += source.width())
      painter.drawImage(QRectF(x, area.top(), source.width(), area.height()), bitmap, pixels);
  } else {
    for (qreal y = area.top(); y < area.bottom(); y += source.height())
      painter.drawImage(QRectF(area.left(), y, area.width(), source.height()), bitmap, pixels);
  }
  painter.restore();
}

void NinePartLayout::Draw(QPainter& painter, const QRect& target, const QImage& bitmap) const {
  if (bitmap.isNull() || target.isEmpty()) return;
  const qreal w = bitmap.width() / bitmap.devicePixelRatio();
  const qreal h = bitmap.height() / bitmap.devicePixelRatio();
  const qreal cx = m_corner.width();
  const qreal cy = m_corner.height();
  const qreal W = target.width();
  const qreal H = target.height();
  const QPointF o = target.topLeft();
  const Fill across = m_stretchAll ? Fill::Stretch : Fill::RepeatAcross;
  const Fill down = m_stretchAll ? Fill::Stretch : Fill::RepeatDown;

  DrawPart(painter, QRectF(o.x() + cx, o.y(), W - 2 * cx, cy), bitmap, QRectF(cx, 0, w - 2 * cx, cy), across);
  DrawPart(painter, QRectF(o.x() + cx, o.y() + H - cy, W - 2 * cx, cy), bitmap, QRectF(cx, h - cy, w - 2 * cx, cy),
           across);
  DrawPart(painter, QRectF(o.x(), o.y() + cy, cx, H - 2 * cy), bitmap, QRectF(0, cy, cx, h - 2 * cy), down);
  DrawPart(painter, QRectF(o.x() + W - cx, o.y() + cy, cx, H - 2 * cy), bitmap, QRectF(w - cx, cy, cx, h - 2 * cy),
           down);
  DrawPart(painter, QRectF(o.x() + cx, o.y() + cy, W - 2 * cx, H - 2 * cy), bitmap,
           QRectF(cx, cy, w - 2 * cx, h - 2 * cy), Fill::Stretch);

  // Corners last and unscaled, over whatever ran into them.
  const QSizeF c(cx, cy);
  DrawPart(painter, QRectF(o, c), bitmap, QRectF(QPointF(0, 0), c), Fill::Stretch);
  DrawPart(painter, QRectF(QPointF(o.x() + W - cx, o.y()), c), bitmap, QRectF(QPointF(w - cx, 0), c), Fill::Stretch);
  DrawPart(painter, QRectF(QPointF(o.x(), o.y() + H - cy), c), bitmap, QRectF(QPointF(0, h - cy), c), Fill::Stretch);
  DrawPart(painter, QRectF(QPointF(o.x() + W - cx, o.y() + H - cy), c), bitmap, QRectF(QPointF(w - cx, h - cy), c),
           Fill::Stretch);
}

}  // namespace zembra
