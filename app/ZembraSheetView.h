#pragma once
// The main view of the program: the page host with its two pages, the
// parameter page first and the monitoring page second.
#include "pagehost/PropertyView.h"
#include "monitor/Monitor.h"
#include "params/BasicParam.h"

namespace zembra {

class CZembraSheetView : public CPropertyView {
  Q_OBJECT

 public:
  enum PageIndex : int { kParameterPage = 0, kMonitorPage = 1 };
  static constexpr QSize kInitialSize{824, 700};

  explicit CZembraSheetView(QWidget* parent = nullptr);
  ~CZembraSheetView() override;

  // The main frame posts the parameter page's notifications to its Handle().
  CBasicParam& ParameterPage() { return m_basicParam; }
  CMonitor& MonitorPage() { return m_monitor; }

  // True when both pages made it into the view.
  bool HasAllPages() const { return GetPageCount() == 2; }

 private:
  // Declared after the base, so they die before it and leave it cleanly.
  CBasicParam m_basicParam;
  CMonitor m_monitor;
};

}  // namespace zembra
