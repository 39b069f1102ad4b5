#pragma once
// How a skinned push button looks: which bitmap its state shows, the bitmap
// laid out over the button in nine parts, and the caption centred in the
// button's font, one pixel right and down while pressed and embossed while
// disabled. Paints onto any QPainter, so it is checked on an image.
#include <QFont>
#include <QIcon>
#include <QPalette>
#include <QRect>
#include <QSize>
#include <QString>
#include <utility>

#include "skin/SkinSettings.h"

class QPainter;

namespace zembra {

struct ButtonDrawState {
  bool focus = false;     // the button has the keyboard focus
  bool selected = false;  // the button is held down
  bool hover = false;     // the mouse is over the button
  bool disabled = false;
};

struct ButtonContent {
  QString text;
  QFont font;
  QPalette palette;
  QIcon icon;
  QSize iconSize;
};

class ButtonPainter {
 public:
  explicit ButtonPainter(SkinSettings settings) : m_settings(std::move(settings)) {}

  // With the focus: pressed while held down, else focus. Without it:
  // hover while the mouse is over the button, else normal.
  static ButtonBitmap ChooseBitmap(const ButtonDrawState& state);

  void Paint(QPainter& painter, const QRect& rect, const ButtonDrawState& state, const ButtonContent& content) const;

  // Gap between a button's icon and its caption.
  static constexpr int kIconSpacing = 4;

 private:
  void PaintContent(QPainter& painter, const QRect& rect, const ButtonDrawState& state,
                    const ButtonContent& content) const;

  SkinSettings m_settings;
};

}  // namespace zembra
