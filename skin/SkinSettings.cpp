#include "skin/SkinSettings.h"

#include <QString>

// Resource initialisers must be called from the global namespace; calling it
// also keeps the linker from dropping the images out of the static library.
static void InitSkinResources() { Q_INIT_RESOURCE(skin); }

namespace zembra {
namespace {

constexpr qreal kDenseRatio = 2.0;

const char* const kBitmapNames[kButtonBitmapCount] = {"normal", "focus", "hover", "pressed"};

QImage Load(const char* name, const char* suffix, qreal ratio) {
  QImage image(QStringLiteral(":/skin/button_%1%2.png").arg(QLatin1String(name), QLatin1String(suffix)));
  image.setDevicePixelRatio(ratio);
  return image;
}

}  // namespace

int SkinSettings::BitmapIndex(ButtonBitmap which) {
  switch (which) {
    case ButtonBitmap::Normal: return 0;
    case ButtonBitmap::Focus: return 1;
    case ButtonBitmap::Hover: return 2;
    case ButtonBitmap::Pressed: return 3;
  }
  return 0;
}

const QImage& SkinSettings::Bitmap(ButtonBitmap which, qreal devicePixelRatio) const {
  const int i = BitmapIndex(which);
  if (devicePixelRatio > 1.0 && !denseBitmaps[i].isNull()) return denseBitmaps[i];
  return bitmaps[i];
}

SkinSettings SkinSettings::Default() {
  InitSkinResources();
  SkinSettings settings;
  for (int i = 0; i < kButtonBitmapCount; ++i) {
    settings.bitmaps[i] = Load(kBitmapNames[i], "", 1.0);
    settings.denseBitmaps[i] = Load(kBitmapNames[i], "@2x", kDenseRatio);
  }
  return settings;
}

}  // namespace zembra
