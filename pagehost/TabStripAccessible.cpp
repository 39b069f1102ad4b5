#include "pagehost/TabStripAccessible.h"

#include <QWidget>
#include <mutex>

#include "pagehost/TabStrip.h"

namespace zembra {
namespace {

QAccessibleInterface* Factory(const QString& className, QObject* object) {
  if (className == QLatin1String("zembra::CTabStrip") && object && object->isWidgetType())
    return new TabStripAccessible(static_cast<CTabStrip*>(object));
  return nullptr;
}

}  // namespace

TabStripAccessible::TabStripAccessible(CTabStrip* strip) : QAccessibleWidget(strip, QAccessible::PageTabList) {}

TabStripAccessible::~TabStripAccessible() {
  for (const auto& [index, id] : m_children) QAccessible::deleteAccessibleInterface(id);
}

void TabStripAccessible::Register() {
  static std::once_flag once;
  std::call_once(once, [] { QAccessible::installFactory(Factory); });
}

CTabStrip* TabStripAccessible::Strip() const { return static_cast<CTabStrip*>(widget()); }

// The page tabs come first, then the widgets that sit in the strip: the
// pages, whose controls a screen reader must reach like any other.
int TabStripAccessible::childCount() const { return Strip()->ItemCount() + QAccessibleWidget::childCount(); }

QAccessibleInterface* TabStripAccessible::child(int index) const {
  const int tabs = Strip()->ItemCount();
  if (index < 0 || index >= childCount()) return nullptr;
  if (index >= tabs) return QAccessibleWidget::child(index - tabs);
  auto it = m_children.find(index);
  if (it != m_children.end()) return QAccessible::accessibleInterface(it->second);
  auto* item = new TabItemAccessible(Strip(), index);
  m_children[index] = QAccessible::registerAccessibleInterface(item);
  return item;
}

int TabStripAccessible::indexOfChild(const QAccessibleInterface* child) const {
  const int tabs = Strip()->ItemCount();
  for (const auto& [index, id] : m_children)
    if (QAccessible::accessibleInterface(id) == child) return index < tabs ? index : -1;
  const int widget = QAccessibleWidget::indexOfChild(child);
  return widget < 0 ? -1 : tabs + widget;
}

QAccessibleInterface* TabStripAccessible::childAt(int x, int y) const {
  const int index = Strip()->TabAt(Strip()->mapFromGlobal(QPoint(x, y)));
  return index >= 0 ? child(index) : QAccessibleWidget::childAt(x, y);
}

TabItemAccessible::TabItemAccessible(CTabStrip* strip, int index) : m_strip(strip), m_index(index) {}

bool TabItemAccessible::isValid() const { return m_strip && m_index < m_strip->ItemCount(); }

QWindow* TabItemAccessible::window() const {
  return m_strip && m_strip->window() ? m_strip->window()->windowHandle() : nullptr;
}

QAccessibleInterface* TabItemAccessible::parent() const {
  return m_strip ? QAccessible::queryAccessibleInterface(m_strip.data()) : nullptr;
}

QString TabItemAccessible::text(QAccessible::Text t) const {
  if (!isValid()) return {};
  switch (t) {
    case QAccessible::Name:
      return m_strip->ItemText(m_index);
    case QAccessible::Description:
      return QStringLiteral("tab_%1").arg(m_index);
    default:
      return {};
  }
}

QRect TabItemAccessible::rect() const {
  if (!isValid()) return {};
  const QRect local = m_strip->TabRect(m_index);
  return QRect(m_strip->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State TabItemAccessible::state() const {
  QAccessible::State s;
  if (!isValid()) {
    s.invalid = true;
    return s;
  }
  s.selectable = true;
  s.selected = m_strip->CurSel() == m_index;
  s.invisible = !m_strip->isVisible();
  s.disabled = !m_strip->isEnabled();
  return s;
}

void* TabItemAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
  return nullptr;
}

QStringList TabItemAccessible::actionNames() const { return {pressAction()}; }

void TabItemAccessible::doAction(const QString& actionName) {
  // The same road as a click: the page being left may refuse.
  if (actionName == pressAction() && isValid() && m_strip->isEnabled()) m_strip->ClickTab(m_index);
}

}  // namespace zembra
