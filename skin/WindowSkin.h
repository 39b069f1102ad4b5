#pragma once
// The window skin: gives every window the program shows one look without
// changing the windows themselves. Applied to a window, it skins the push
// buttons and labels below it and paints its background; from then on it
// follows every window the GUI thread shows or activates (message boxes and
// file dialogs included) until it is removed, which the main window does
// before it goes. Each window and button is skinned once.
//
// Why an application-wide event filter and not a QProxyStyle: a style
// changes every widget of the process at once, windows the skin was never
// applied to included, and cannot be taken back for some windows only; it
// also has no notion of "this window is skinned" that makes a second
// activation change nothing. The filter sees each window as it is shown or
// activated and hangs a small object on each skinned window and button,
// which goes with its widget.
#include <QObject>
#include <optional>

#include "skin/SkinSettings.h"

class QWidget;

namespace zembra {

class WindowSkin : public QObject {
  Q_OBJECT

 public:
  // `followed`: the settings for the windows the skin follows.
  explicit WindowSkin(SkinSettings followed, QObject* parent = nullptr);
  ~WindowSkin() override;

  // Skins `window` (a top-level window or a bar inside one) and everything
  // below it, and starts following the GUI thread's windows.
  void Apply(const SkinSettings& settings, QWidget* window);
  void Apply(QWidget* window) { Apply(m_followed, window); }

  // Stops following windows; windows already skinned keep their look.
  void Remove();
  bool IsFollowing() const { return m_following; }

  // The background colour of every skinned window: that of the first
  // settings ever applied.
  QColor Background() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Walk(QWidget* parent, const SkinSettings& settings);

  SkinSettings m_followed;
  std::optional<SkinSettings> m_first;
  bool m_following = false;
};

}  // namespace zembra
