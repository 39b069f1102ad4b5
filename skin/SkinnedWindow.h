#pragma once
// The skin's hold on one window (a dialog, a message box, the main window,
// the dialog bar): it paints the window's background in the skin's colour
// before the window paints itself, unless the window keeps the platform's
// background (SkinRules::FillsBackground). It lives as the window's child.
#include <QColor>
#include <QObject>

class QWidget;

namespace zembra {

class SkinnedWindow : public QObject {
  Q_OBJECT

 public:
  // Skins the window unless it already is. Returns whether it did.
  static bool Attach(QWidget* window, const QColor& background);
  static bool IsSkinned(const QWidget& window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  SkinnedWindow(QWidget* window, const QColor& background);

  QWidget* m_window;
  QColor m_background;
};

}  // namespace zembra
