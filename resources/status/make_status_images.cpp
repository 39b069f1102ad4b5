// Draws the three button images of the drive status strip (link up, link
// down, refresh) as 32 x 32 PNGs into the folder given on the command line.
// Build by hand when the artwork changes:
//   g++ -std=c++20 -fPIC make_status_images.cpp $(pkg-config --cflags --libs Qt6Gui) -o make_status_images
//   ./make_status_images .
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kSize = 32;

QImage Blank() {
  QImage img(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  return img;
}

// One half of a connector: a rounded body with two pins pointing right.
void DrawPlug(QPainter& p, const QColor& body) {
  p.setPen(QPen(body.darker(160), 1.2));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(0, -5, 8, 10), 2, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(90, 90, 90));
  p.drawRect(QRectF(8, -3.5, 4, 2));
  p.drawRect(QRectF(8, 1.5, 4, 2));
  // cable
  p.setPen(QPen(body.darker(140), 2.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(0, 0), QPointF(-5, 0));
}

// The receptacle: a body with two holes facing left.
void DrawSocket(QPainter& p, const QColor& body) {
  p.setPen(QPen(body.darker(160), 1.2));
  p.setBrush(body);
  p.drawRoundedRect(QRectF(0, -5, 8, 10), 2, 2);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(40, 40, 40));
  p.drawRect(QRectF(0.5, -3.5, 2.5, 2));
  p.drawRect(QRectF(0.5, 1.5, 2.5, 2));
  p.setPen(QPen(body.darker(140), 2.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(8, 0), QPointF(13, 0));
}

QImage LinkImage(bool up) {
  QImage img = Blank();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor body = up ? QColor(46, 160, 67) : QColor(150, 150, 150);
  p.save();
  p.translate(up ? 6 : 3, 16);
  p.rotate(0);
  DrawPlug(p, body);
  p.restore();
  p.save();
  p.translate(up ? 18 : 21, 16);
  DrawSocket(p, body);
  p.restore();
  if (!up) {
    // a red cross in the gap
    p.setPen(QPen(QColor(210, 40, 40), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 6), QPointF(19, 11));
    p.drawLine(QPointF(19, 6), QPointF(14, 11));
  } else {
    // a small spark of signal above the joint
    p.setPen(QPen(QColor(46, 160, 67), 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(12, 4, 8, 8), 30 * 16, 120 * 16);
    p.drawArc(QRectF(9, 1, 14, 14), 40 * 16, 100 * 16);
  }
  return img;
}

QImage RefreshImage() {
  QImage img = Blank();
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor blue(33, 110, 200);
  const QRectF ring(6, 6, 20, 20);
  p.setPen(QPen(blue, 3.2, Qt::SolidLine, Qt::FlatCap));
  p.setBrush(Qt::NoBrush);
  // Two arcs with a gap each, arrow heads at their ends.
  p.drawArc(ring, 100 * 16, 150 * 16);
  p.drawArc(ring, 280 * 16, 150 * 16);
  auto arrowAt = [&](double angleDeg) {
    const double a = angleDeg * M_PI / 180.0;
    const QPointF c = ring.center();
    const double r = ring.width() / 2;
    const QPointF tip(c.x() + r * std::cos(a), c.y() - r * std::sin(a));
    // tangent direction, counter-clockwise
    const QPointF t(-std::sin(a), -std::cos(a));
    const QPointF n(std::cos(a), -std::sin(a));
    QPainterPath head;
    head.moveTo(tip + t * 5.0);
    head.lineTo(tip + n * 4.5);
    head.lineTo(tip - n * 4.5);
    head.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(blue);
    p.drawPath(head);
  };
  arrowAt(250);
  arrowAt(70);
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  bool ok = LinkImage(true).save(dir + "/link_up.png");
  ok = LinkImage(false).save(dir + "/link_down.png") && ok;
  ok = RefreshImage().save(dir + "/refresh.png") && ok;
  if (!ok) std::fprintf(stderr, "could not write the images\n");
  return ok ? 0 : 1;
}
