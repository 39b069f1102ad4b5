#pragma once
#include <QString>

// What became of a command handed to the link. A refusal says why, so a
// caller can tell "try again when the link is free" from "the port is gone".

namespace zembra {

enum class [[nodiscard]] SendResult {
  Sent,        // the bytes left for the drive
  Busy,        // another window awaits a reply
  Monitoring,  // the monitoring page owns the link
  NotWritten,  // accepted, but the port could not take the bytes (closed, unplugged)
};

constexpr bool WasSent(SendResult result) { return result == SendResult::Sent; }
// Busy and Monitoring pass once the link is free again; NotWritten does not.
constexpr bool IsTransientRefusal(SendResult result) {
  return result == SendResult::Busy || result == SendResult::Monitoring;
}

// The words a user is shown for a refusal; empty for Sent.
QString DescribeRefusal(SendResult result);
// Why a command did not go out, as a clause to build a sentence around
// ("正在进行其他操作", "串口未打开或已断开"); empty for Sent.
QString RefusalReason(SendResult result);

}  // namespace zembra
