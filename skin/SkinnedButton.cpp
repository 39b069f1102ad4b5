#include "skin/SkinnedButton.h"

#include <QEvent>
#include <QPainter>
#include <QPushButton>

namespace zembra {
namespace {

// Set on a skinned button; the guard that skins each button once.
constexpr char kSkinnedProperty[] = "skinButton";

}  // namespace

SkinnedButton::SkinnedButton(QPushButton* button, const SkinSettings& settings)
    : QObject(button), m_button(button), m_painter(settings), m_hover(button->underMouse()) {}

bool SkinnedButton::Attach(QPushButton* button, const SkinSettings& settings) {
  if (!button || IsSkinned(*button)) return false;
  button->setProperty(kSkinnedProperty, true);
  button->installEventFilter(new SkinnedButton(button, settings));
  button->update();
  return true;
}

bool SkinnedButton::IsSkinned(const QPushButton& button) { return button.property(kSkinnedProperty).toBool(); }

ButtonDrawState SkinnedButton::DrawState() const {
  ButtonDrawState state;
  // A click gives a button the focus on the desktop this look comes from;
  // a Qt button whose focus policy keeps the focus elsewhere is still shown
  // pressed while it is held down.
  state.focus = m_button->hasFocus() || m_button->isDown();
  state.selected = m_button->isDown();
  state.hover = m_hover;
  state.disabled = !m_button->isEnabled();
  return state;
}

void SkinnedButton::Paint() {
  QPainter painter(m_button);
  ButtonContent content{m_button->text(), m_button->font(), m_button->palette(), m_button->icon(),
                        m_button->iconSize()};
  m_painter.Paint(painter, m_button->rect(), DrawState(), content);
}

bool SkinnedButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched != m_button) return false;
  switch (event->type()) {
    case QEvent::Paint:
      Paint();
      return true;  // in place of the style's drawing
    case QEvent::Enter:
      m_hover = true;
      m_button->update();
      break;
    case QEvent::Leave:
      m_hover = false;
      m_button->update();
      break;
    default:
      break;
  }
  return false;
}

}  // namespace zembra
