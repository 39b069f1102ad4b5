#pragma once
// The monitoring page on an engine over a virtual drive: connected, shown
// in a host window, its controls found by their "idc_<id>" names, and its
// message boxes recorded instead of shown.
#include <QAbstractButton>
#include <QRect>
#include <QSize>
#include <QWidget>

#include "monitor/Monitor.h"
#include "tests/support/EngineOnVirtualDrive.h"
#include "tests/support/RecordingPrompter.h"

namespace zembra::test {

class MonitorPageOnDrive : public EngineOnVirtualDrive {
 protected:
  // Sinks and sources the page needs are set before this.
  void OpenPage(QSize size) {
    link.connected.store(true);
    page.AttachLink(engine);
    host.resize(size);
    ASSERT_TRUE(page.Create(&host));
    page.setGeometry(QRect(QPoint(0, 0), size));
    page.show();
    host.show();
  }

  template <class T = QAbstractButton>
  T* Get(int id) {
    T* w = page.findChild<T*>(QStringLiteral("idc_%1").arg(id));
    EXPECT_NE(w, nullptr) << id;
    return w;
  }

  RecordingPrompter prompter;
  QWidget host;
  CMonitor page;
};

}  // namespace zembra::test
