#pragma once
// The images of the view buttons, painted by the program itself: arrows
// for panning, magnifiers for zooming along one axis, and the zoom-mode
// frame in its off and on state.
#include <QIcon>

namespace zembra {

enum class ViewIcon {
  PanLeft,
  PanRight,
  PanUp,
  PanDown,
  ZoomXIn,
  ZoomXOut,
  ZoomYIn,
  ZoomYOut,
  ZoomModeOff,
  ZoomModeOn,
};

class ViewButtonIcons {
 public:
  static constexpr int kSize = 24;  // logical pixels
  // Sharp at normal and double density.
  static QIcon Make(ViewIcon icon);
};

}  // namespace zembra
