#pragma once
// The monitoring page, second tab of the sheet view. Until live charting
// and jogging land it is a placeholder that logs the page messages it
// receives.
#include "pagehost/PlaceholderPage.h"

namespace zembra {

class CMonitor : public CPlaceholderPage {
  Q_OBJECT

 public:
  enum : int { IDD = 142 };
  // The size the page is laid out for; the host fits its view to it.
  static constexpr QSize kTemplateSize{800, 560};

  CMonitor();
};

}  // namespace zembra
