#include "skin/ButtonPainter.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>

#include "skin/NinePartLayout.h"

namespace zembra {
namespace {

constexpr int kTextFlags = Qt::AlignCenter | Qt::TextShowMnemonic;

}  // namespace

ButtonBitmap ButtonPainter::ChooseBitmap(const ButtonDrawState& state) {
  if (state.focus) return state.selected ? ButtonBitmap::Pressed : ButtonBitmap::Focus;
  return state.hover ? ButtonBitmap::Hover : ButtonBitmap::Normal;
}

void ButtonPainter::Paint(QPainter& painter, const QRect& rect, const ButtonDrawState& state,
                          const ButtonContent& content) const {
  const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  const QImage& bitmap = m_settings.Bitmap(ChooseBitmap(state), ratio);
  NinePartLayout(m_settings.corner, m_settings.stretchAll).Draw(painter, rect, bitmap);
  // While held down the caption moves, not the bitmap.
  PaintContent(painter, state.selected ? rect.translated(1, 1) : rect, state, content);
}

void ButtonPainter::PaintContent(QPainter& painter, const QRect& rect, const ButtonDrawState& state,
                                 const ButtonContent& content) const {
  painter.save();
  painter.setFont(content.font);
  QRect textRect = rect;
  if (!content.icon.isNull() && !content.iconSize.isEmpty()) {
    // Icon and caption side by side, the pair centred.
    const int textWidth = content.text.isEmpty()
                              ? 0
                              : QFontMetrics(content.font).size(Qt::TextShowMnemonic, content.text).width();
    const int gap = content.text.isEmpty() ? 0 : kIconSpacing;
    const int total = content.iconSize.width() + gap + textWidth;
    const int left = rect.left() + (rect.width() - total) / 2;
    const QRect iconRect(QPoint(left, rect.top() + (rect.height() - content.iconSize.height()) / 2),
                         content.iconSize);
    content.icon.paint(&painter, iconRect, Qt::AlignCenter, state.disabled ? QIcon::Disabled : QIcon::Normal);
    textRect = QRect(iconRect.right() + 1 + gap, rect.top(), textWidth, rect.height());
  }
  if (state.disabled) {
    // Embossed: a light copy one pixel down and right, the shadow on top.
    painter.setPen(content.palette.color(QPalette::Light));
    painter.drawText(textRect.translated(1, 1), kTextFlags, content.text);
    painter.setPen(content.palette.color(QPalette::Dark));
  } else {
    painter.setPen(content.palette.color(QPalette::ButtonText));
  }
  painter.drawText(textRect, kTextFlags, content.text);
  painter.restore();
}

}  // namespace zembra
