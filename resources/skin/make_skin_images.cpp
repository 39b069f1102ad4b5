// Draws the four push-button bitmaps of the window skin (normal, focus,
// hover, pressed; 73 x 21 pixels) and the same four at twice the size for
// high-density screens, as PNGs into the folder given on the command line.
// Build by hand when the artwork changes:
//   g++ -std=c++20 -fPIC make_skin_images.cpp $(pkg-config --cflags --libs Qt6Gui) -o make_skin_images
//   ./make_skin_images .
//
// The skin keeps the 3-pixel corners as they are, repeats the edges and
// stretches the centre, so every edge here is the same along its whole
// length and the centre is one flat colour: a button of any size then shows
// no seams. Only the corners are rounded.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <cstdio>

namespace {

constexpr int kWidth = 73;
constexpr int kHeight = 21;

struct Look {
  const char* name;
  QColor border;
  QColor fill;
  QColor topLeft;      // the inner line along the top and left edges
  QColor bottomRight;  // the inner line along the bottom and right edges
};

// Cool blue-grey, to sit on the skin's dialog colour RGB(231, 231, 247).
const Look kLooks[] = {
    {"normal", QColor(124, 138, 178), QColor(244, 245, 252), QColor(255, 255, 255), QColor(214, 218, 236)},
    {"focus", QColor(44, 92, 190), QColor(238, 242, 253), QColor(150, 178, 236), QColor(150, 178, 236)},
    {"hover", QColor(84, 124, 204), QColor(252, 253, 255), QColor(255, 255, 255), QColor(204, 216, 246)},
    {"pressed", QColor(44, 92, 190), QColor(212, 222, 244), QColor(176, 190, 226), QColor(226, 232, 248)},
};

QImage Draw(const Look& look, int scale) {
  QImage img(kWidth * scale, kHeight * scale, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.scale(scale, scale);
  // Inner lines first, without antialiasing, so they stay one logical
  // pixel wide and exactly on the edge rows and columns.
  p.fillRect(QRectF(1, 1, kWidth - 2, kHeight - 2), look.fill);
  p.fillRect(QRectF(2, 1, kWidth - 4, 1), look.topLeft);
  p.fillRect(QRectF(1, 2, 1, kHeight - 4), look.topLeft);
  p.fillRect(QRectF(2, kHeight - 2, kWidth - 4, 1), look.bottomRight);
  p.fillRect(QRectF(kWidth - 2, 2, 1, kHeight - 4), look.bottomRight);
  // The border, with rounded corners that stay inside the 3 x 3 corners.
  QPainterPath outside;
  outside.addRect(QRectF(0, 0, kWidth, kHeight));
  QPainterPath body;
  body.addRoundedRect(QRectF(0, 0, kWidth, kHeight), 2.5, 2.5);
  p.setRenderHint(QPainter::Antialiasing);
  p.setCompositionMode(QPainter::CompositionMode_Clear);
  p.fillPath(outside.subtracted(body), Qt::transparent);
  p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  p.setPen(QPen(look.border, 1.0));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(0.5, 0.5, kWidth - 1, kHeight - 1), 2.0, 2.0);
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  bool ok = true;
  for (const Look& look : kLooks) {
    const QString base = dir + QStringLiteral("/button_") + QLatin1String(look.name);
    ok = Draw(look, 1).save(base + QStringLiteral(".png")) && ok;
    ok = Draw(look, 2).save(base + QStringLiteral("@2x.png")) && ok;
  }
  if (!ok) std::fprintf(stderr, "could not write the images\n");
  return ok ? 0 : 1;
}
