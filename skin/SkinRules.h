#pragma once
// Which widgets the window skin draws and which it leaves to the platform.
#include <QWidget>

namespace zembra {

enum class SkinTreatment {
  DrawButton,        // a push button or default push button: drawn from the bitmaps
  TransparentLabel,  // a label with text or an image: shows the painted background
  LeftAlone,         // check box, radio button, group box, tool button, owner-drawn button, empty label
  WalkThrough,       // anything else: not drawn, its children are looked at
};

// A push button whose owner paints it sets this property to true; the
// skin then leaves it alone.
inline constexpr char kOwnerDrawnProperty[] = "ownerDrawn";

class SkinRules {
 public:
  static SkinTreatment TreatmentOf(const QWidget& widget);

  // Whether the skin paints the widget's background: every skinned window
  // except a top-level window with a minimise box (the main window), which
  // keeps the platform's.
  static bool FillsBackground(const QWidget& widget);

  // Whether the skin follows a top-level widget when it is shown or
  // activated: windows and dialogs, not menus, tooltips or splash screens.
  static bool FollowsWindow(const QWidget& widget);
};

}  // namespace zembra
