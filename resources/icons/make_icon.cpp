// Draws the program's icon: writes it as SVG (the scalable icon) and renders
// the same shapes as PNGs of the sizes the desktop asks for, into the folder
// given on the command line. One description of the shapes feeds both, so
// they cannot drift apart.
// Build by hand when the artwork changes:
//   g++ -std=c++20 -fPIC make_icon.cpp $(pkg-config --cflags --libs Qt6Gui) -o make_icon
//   ./make_icon .
//
// The picture: a drive's motor seen from its end, with its shaft, under the
// square wave of a serial line, on a blue tile.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QString>
#include <QTextStream>
#include <cstdio>

namespace {

constexpr double kCanvas = 256;
const char* const kName = "org.example.zembra";

const QColor kTileTop(74, 126, 214);
const QColor kTileBottom(28, 62, 146);
const QColor kMotorBody(236, 240, 250);
const QColor kMotorDark(22, 40, 92);
const QColor kWave(255, 200, 64);

const QRectF kTile(16, 16, 224, 224);
constexpr double kTileRadius = 40;
const QPointF kMotorCentre(108, 154);
constexpr double kMotorRadius = 62;
constexpr double kMotorStroke = 8;
constexpr double kHubRadius = 22;
const QRectF kShaft(166, 144, 52, 20);
constexpr double kWaveStroke = 12;
const QPolygonF kWavePoints = QPolygonF({{44, 78}, {74, 78}, {74, 46}, {114, 46}, {114, 78}, {154, 78},
                                         {154, 46}, {194, 46}, {194, 78}, {214, 78}});

QString Colour(const QColor& c) { return c.name(); }

QString Svg() {
  QString points;
  for (const QPointF& p : kWavePoints) points += QStringLiteral("%1,%2 ").arg(p.x()).arg(p.y());
  return QStringLiteral(
             "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
             "  <defs>\n"
             "    <linearGradient id=\"tile\" gradientUnits=\"userSpaceOnUse\" x1=\"0\" y1=\"%5\" x2=\"0\" y2=\"%24\">\n"
             "      <stop offset=\"0\" stop-color=\"%2\"/>\n"
             "      <stop offset=\"1\" stop-color=\"%3\"/>\n"
             "    </linearGradient>\n"
             "  </defs>\n"
             "  <rect x=\"%4\" y=\"%5\" width=\"%6\" height=\"%7\" rx=\"%8\" fill=\"url(#tile)\"/>\n"
             "  <rect x=\"%9\" y=\"%10\" width=\"%11\" height=\"%12\" rx=\"4\" fill=\"%13\"/>\n"
             "  <circle cx=\"%14\" cy=\"%15\" r=\"%16\" fill=\"%17\" stroke=\"%18\" stroke-width=\"%19\"/>\n"
             "  <circle cx=\"%14\" cy=\"%15\" r=\"%20\" fill=\"%18\"/>\n"
             "  <polyline points=\"%21\" fill=\"none\" stroke=\"%22\" stroke-width=\"%23\" "
             "stroke-linejoin=\"round\" stroke-linecap=\"round\"/>\n"
             "</svg>\n")
      .arg(kCanvas)
      .arg(Colour(kTileTop), Colour(kTileBottom))
      .arg(kTile.x())
      .arg(kTile.y())
      .arg(kTile.width())
      .arg(kTile.height())
      .arg(kTileRadius)
      .arg(kShaft.x())
      .arg(kShaft.y())
      .arg(kShaft.width())
      .arg(kShaft.height())
      .arg(Colour(kMotorDark))
      .arg(kMotorCentre.x())
      .arg(kMotorCentre.y())
      .arg(kMotorRadius)
      .arg(Colour(kMotorBody), Colour(kMotorDark))
      .arg(kMotorStroke)
      .arg(kHubRadius)
      .arg(points.trimmed(), Colour(kWave))
      .arg(kWaveStroke)
      .arg(kTile.bottom());
}

QImage Render(int size) {
  QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / kCanvas, size / kCanvas);
  QLinearGradient tile(kTile.topLeft(), kTile.bottomLeft());
  tile.setColorAt(0, kTileTop);
  tile.setColorAt(1, kTileBottom);
  p.setPen(Qt::NoPen);
  p.setBrush(tile);
  p.drawRoundedRect(kTile, kTileRadius, kTileRadius);
  p.setBrush(kMotorDark);
  p.drawRoundedRect(kShaft, 4, 4);
  p.setPen(QPen(kMotorDark, kMotorStroke));
  p.setBrush(kMotorBody);
  p.drawEllipse(kMotorCentre, kMotorRadius, kMotorRadius);
  p.setPen(Qt::NoPen);
  p.setBrush(kMotorDark);
  p.drawEllipse(kMotorCentre, kHubRadius, kHubRadius);
  p.setPen(QPen(kWave, kWaveStroke, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(kWavePoints);
  return img;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  bool ok = true;
  QFile svg(dir + QStringLiteral("/%1.svg").arg(QLatin1String(kName)));
  if (svg.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    QTextStream(&svg) << Svg();
  } else {
    ok = false;
  }
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    ok = Render(size).save(dir + QStringLiteral("/%1-%2.png").arg(QLatin1String(kName)).arg(size)) && ok;
  if (!ok) std::fprintf(stderr, "could not write the icon files\n");
  return ok ? 0 : 1;
}
