#include "skin/SkinnedWindow.h"

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

#include "skin/SkinRules.h"

namespace zembra {
namespace {

// Set on a skinned window; the guard that skins each window once.
constexpr char kSkinnedProperty[] = "skinWindow";

}  // namespace

SkinnedWindow::SkinnedWindow(QWidget* window, const QColor& background)
    : QObject(window), m_window(window), m_background(background) {}

bool SkinnedWindow::Attach(QWidget* window, const QColor& background) {
  if (!window || IsSkinned(*window)) return false;
  window->setProperty(kSkinnedProperty, true);
  window->installEventFilter(new SkinnedWindow(window, background));
  window->update();
  return true;
}

bool SkinnedWindow::IsSkinned(const QWidget& window) { return window.property(kSkinnedProperty).toBool(); }

bool SkinnedWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_window && event->type() == QEvent::Paint && SkinRules::FillsBackground(*m_window)) {
    QPainter painter(m_window);
    painter.fillRect(static_cast<QPaintEvent*>(event)->rect(), m_background);
  }
  return false;  // the window then paints itself over the colour
}

}  // namespace zembra
