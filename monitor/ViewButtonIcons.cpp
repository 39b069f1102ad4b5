#include "monitor/ViewButtonIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zembra {
namespace {

const QColor kInk(40, 70, 120);
const QColor kLens(225, 238, 252);
const QColor kActive(214, 60, 40);

// An arrow across the middle of a 24 x 24 square, pointing right, turned
// by `degrees`.
void Arrow(QPainter& p, qreal degrees) {
  p.save();
  p.translate(12, 12);
  p.rotate(degrees);
  QPainterPath path;
  path.moveTo(-8, -3);
  path.lineTo(1, -3);
  path.lineTo(1, -8);
  path.lineTo(9, 0);
  path.lineTo(1, 8);
  path.lineTo(1, 3);
  path.lineTo(-8, 3);
  path.closeSubpath();
  p.setPen(QPen(kInk.darker(130), 1.2));
  p.setBrush(kInk);
  p.drawPath(path);
  p.restore();
}

// A magnifier with + or -, and a double arrow saying along which axis.
void Magnifier(QPainter& p, bool in, bool horizontal) {
  p.setPen(QPen(kInk, 2.0));
  p.setBrush(kLens);
  p.drawEllipse(QPointF(9.5, 9.5), 6.5, 6.5);
  p.setPen(QPen(kInk, 3.0, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(14.5, 14.5), QPointF(18, 18));
  p.setPen(QPen(kInk, 1.8, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(QPointF(6.5, 9.5), QPointF(12.5, 9.5));
  if (in) p.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 12.5));
  // The axis mark in the free corner.
  p.save();
  p.translate(19.5, 19.5);
  if (!horizontal) p.rotate(90);
  p.setPen(QPen(kActive, 1.4));
  p.drawLine(QPointF(-4, 0), QPointF(4, 0));
  p.drawLine(QPointF(-4, 0), QPointF(-2, -2));
  p.drawLine(QPointF(-4, 0), QPointF(-2, 2));
  p.drawLine(QPointF(4, 0), QPointF(2, -2));
  p.drawLine(QPointF(4, 0), QPointF(2, 2));
  p.restore();
}

// A dashed selection frame with a small magnifier; red when active.
void ZoomFrame(QPainter& p, bool on) {
  const QColor ink = on ? kActive : kInk;
  p.setPen(QPen(ink, 1.5, Qt::DashLine));
  p.setBrush(on ? QColor(252, 228, 222) : Qt::transparent);
  p.drawRect(QRectF(2.5, 2.5, 14, 12));
  p.setPen(QPen(ink, 1.8));
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(15, 15), 4.5, 4.5);
  p.setPen(QPen(ink, 2.6, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(18.5, 18.5), QPointF(21.5, 21.5));
}

QPixmap Paint(ViewIcon icon, int scale) {
  QPixmap pixmap(ViewButtonIcons::kSize * scale, ViewButtonIcons::kSize * scale);
  pixmap.setDevicePixelRatio(scale);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  switch (icon) {
    case ViewIcon::PanLeft: Arrow(p, 180); break;
    case ViewIcon::PanRight: Arrow(p, 0); break;
    case ViewIcon::PanUp: Arrow(p, -90); break;
    case ViewIcon::PanDown: Arrow(p, 90); break;
    case ViewIcon::ZoomXIn: Magnifier(p, true, true); break;
    case ViewIcon::ZoomXOut: Magnifier(p, false, true); break;
    case ViewIcon::ZoomYIn: Magnifier(p, true, false); break;
    case ViewIcon::ZoomYOut: Magnifier(p, false, false); break;
    case ViewIcon::ZoomModeOff: ZoomFrame(p, false); break;
    case ViewIcon::ZoomModeOn: ZoomFrame(p, true); break;
  }
  return pixmap;
}

}  // namespace

QIcon ViewButtonIcons::Make(ViewIcon icon) {
  QIcon result;
  result.addPixmap(Paint(icon, 1));
  result.addPixmap(Paint(icon, 2));
  return result;
}

}  // namespace zembra
