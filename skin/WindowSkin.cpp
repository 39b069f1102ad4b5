#include "skin/WindowSkin.h"

#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QWidget>

#include "skin/SkinRules.h"
#include "skin/SkinnedButton.h"
#include "skin/SkinnedWindow.h"

namespace zembra {

WindowSkin::WindowSkin(SkinSettings followed, QObject* parent) : QObject(parent), m_followed(std::move(followed)) {}

WindowSkin::~WindowSkin() { Remove(); }

QColor WindowSkin::Background() const { return m_first ? m_first->background : m_followed.background; }

void WindowSkin::Apply(const SkinSettings& settings, QWidget* window) {
  if (!window) return;
  if (!m_first) m_first = settings;
  if (!m_following) {
    qApp->installEventFilter(this);
    m_following = true;
  }
  Walk(window, settings);
  SkinnedWindow::Attach(window, Background());
}

void WindowSkin::Remove() {
  if (!m_following) return;
  qApp->removeEventFilter(this);
  m_following = false;
}

void WindowSkin::Walk(QWidget* parent, const SkinSettings& settings) {
  for (QObject* child : parent->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    // Another window below this one (a dialog owned by it) is skinned
    // when it is shown itself.
    if (!widget || widget->isWindow()) continue;
    switch (SkinRules::TreatmentOf(*widget)) {
      case SkinTreatment::DrawButton:
        SkinnedButton::Attach(static_cast<QPushButton*>(widget), settings);
        break;
      case SkinTreatment::TransparentLabel:
        widget->setAutoFillBackground(false);
        break;
      case SkinTreatment::LeftAlone:
      case SkinTreatment::WalkThrough:
        break;
    }
    Walk(widget, settings);
  }
}

bool WindowSkin::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Show:
    case QEvent::WindowActivate: {
      auto* widget = qobject_cast<QWidget*>(watched);
      if (widget && SkinRules::FollowsWindow(*widget)) Apply(m_followed, widget);
      break;
    }
    case QEvent::Polish: {
      // A button added to a window after it was skinned is polished when
      // it is first shown.
      auto* button = qobject_cast<QPushButton*>(watched);
      if (button && SkinnedWindow::IsSkinned(*button->window()) &&
          SkinRules::TreatmentOf(*button) == SkinTreatment::DrawButton)
        SkinnedButton::Attach(button, m_followed);
      break;
    }
    default:
      break;
  }
  return false;
}

}  // namespace zembra
