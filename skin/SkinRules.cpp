#include "skin/SkinRules.h"

#include <QLabel>
#include <QPushButton>

namespace zembra {

SkinTreatment SkinRules::TreatmentOf(const QWidget& widget) {
  if (const auto* button = qobject_cast<const QPushButton*>(&widget)) {
    // A class of its own (a command link, a button that paints itself)
    // draws itself; so does a button its owner marks as owner-drawn.
    if (button->metaObject() != &QPushButton::staticMetaObject) return SkinTreatment::LeftAlone;
    if (button->property(kOwnerDrawnProperty).toBool()) return SkinTreatment::LeftAlone;
    return SkinTreatment::DrawButton;
  }
  // Check boxes, radio buttons, tool buttons and group boxes are no push
  // buttons and keep the platform's look.
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
    if (!label->text().isEmpty() || !label->pixmap().isNull()) return SkinTreatment::TransparentLabel;
    return SkinTreatment::LeftAlone;
  }
  if (widget.inherits("QAbstractButton") || widget.inherits("QGroupBox")) return SkinTreatment::LeftAlone;
  return SkinTreatment::WalkThrough;
}

bool SkinRules::FillsBackground(const QWidget& widget) {
  return !(widget.isWindow() && widget.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

bool SkinRules::FollowsWindow(const QWidget& widget) {
  if (!widget.isWindow()) return false;
  switch (widget.windowType()) {
    case Qt::Window:
    case Qt::Dialog:
    case Qt::Sheet:
      return true;
    default:
      return false;
  }
}

}  // namespace zembra
