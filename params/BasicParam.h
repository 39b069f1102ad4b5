#pragma once
// The parameter page, first tab of the sheet view. Until the read and
// write of the drive's parameters land it is a placeholder that logs the
// page messages it receives.
#include "pagehost/PlaceholderPage.h"

namespace zembra {

class CBasicParam : public CPlaceholderPage {
  Q_OBJECT

 public:
  enum : int { IDD = 141 };
  // The size the page is laid out for; the host fits its view to it.
  static constexpr QSize kTemplateSize{800, 600};

  CBasicParam();
};

}  // namespace zembra
