#pragma once
// What a screen reader (and any outside test driver) sees of the tab strip:
// the strip paints its tabs itself, so without this they would be pixels.
// The strip is a page-tab list whose children are page tabs named by their
// captions; pressing one does what a click on it does, so the page can
// refuse to be left just as it does for the mouse.
#include <QAccessibleWidget>
#include <QPointer>
#include <map>

namespace zembra {

class CTabStrip;

class TabStripAccessible : public QAccessibleWidget {
 public:
  explicit TabStripAccessible(CTabStrip* strip);
  ~TabStripAccessible() override;

  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;

  CTabStrip* Strip() const;

  // Installs the factory that gives every CTabStrip this interface. Safe to
  // call more than once.
  static void Register();

 private:
  // One interface per tab index, created on first use and kept for the
  // strip's life: a screen reader holds on to the ids it was given.
  mutable std::map<int, QAccessible::Id> m_children;
};

class TabItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
 public:
  TabItemAccessible(CTabStrip* strip, int index);

  bool isValid() const override;
  QObject* object() const override { return nullptr; }
  QWindow* window() const override;
  QAccessibleInterface* parent() const override;
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QString text(QAccessible::Text t) const override;
  void setText(QAccessible::Text, const QString&) override {}
  QRect rect() const override;
  QAccessible::Role role() const override { return QAccessible::PageTab; }
  QAccessible::State state() const override;
  void* interface_cast(QAccessible::InterfaceType type) override;

  QStringList actionNames() const override;
  void doAction(const QString& actionName) override;
  QStringList keyBindingsForAction(const QString&) const override { return {}; }

 private:
  QPointer<CTabStrip> m_strip;
  int m_index;
};

}  // namespace zembra
