#include "link/SendResult.h"

namespace zembra {

QString DescribeRefusal(SendResult result) {
  switch (result) {
    case SendResult::Sent:
      return {};
    case SendResult::Busy:
    case SendResult::Monitoring:
      return QStringLiteral("正在进行其他操作，请稍后重试......");
    case SendResult::NotWritten:
      return QStringLiteral("命令未能发出：串口未打开或已断开。");
  }
  return {};
}

QString RefusalReason(SendResult result) {
  switch (result) {
    case SendResult::Sent:
      return {};
    case SendResult::Busy:
      return QStringLiteral("正在进行其他操作");
    case SendResult::Monitoring:
      return QStringLiteral("正在进行监测");
    case SendResult::NotWritten:
      return QStringLiteral("串口未打开或已断开");
  }
  return {};
}

}  // namespace zembra
