#pragma once
// The skin's hold on one push button: it paints the button from the skin's
// bitmaps in place of the style and follows the mouse for the hover look.
// It lives as the button's child and goes with it. The button itself is
// untouched, so its accessible name, description and press action stay.
#include <QObject>

#include "skin/ButtonPainter.h"

class QPushButton;

namespace zembra {

class SkinnedButton : public QObject {
  Q_OBJECT

 public:
  // Skins the button unless it already is. Returns whether it did.
  static bool Attach(QPushButton* button, const SkinSettings& settings);
  static bool IsSkinned(const QPushButton& button);

  // The state the button is drawn in now.
  ButtonDrawState DrawState() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  SkinnedButton(QPushButton* button, const SkinSettings& settings);
  void Paint();

  QPushButton* m_button;
  ButtonPainter m_painter;
  bool m_hover = false;
};

}  // namespace zembra
