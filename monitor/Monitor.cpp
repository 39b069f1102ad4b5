#include "monitor/Monitor.h"

namespace zembra {

CMonitor::CMonitor()
    : CPlaceholderPage(IDD, kTemplateSize, QStringLiteral("PID调试"),
                       QStringLiteral("本页面正在建设中：曲线监测与电机运动控制即将提供。")) {
  setObjectName(QStringLiteral("CMonitor"));
}

}  // namespace zembra
