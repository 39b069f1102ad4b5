#include "app/ZembraSheetView.h"

#include <QDebug>

namespace zembra {

CZembraSheetView::CZembraSheetView(QWidget* parent) : CPropertyView(parent) {
  setObjectName(QStringLiteral("CZembraSheetView"));
  // A page that cannot be added leaves the other one in place.
  if (!AddPage(&m_basicParam)) qDebug("Failed to add the parameter page");
  if (!AddPage(&m_monitor)) qDebug("Failed to add the monitoring page");
}

CZembraSheetView::~CZembraSheetView() = default;

}  // namespace zembra
