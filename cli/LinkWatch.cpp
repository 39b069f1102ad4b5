#include "cli/LinkWatch.h"

#include "link/FrameType.h"
#include "platform/WindowMessages.h"

namespace zembra::cli {

std::intptr_t LinkWatch::OnMessage(const WindowMessage& message) {
  if (message.msg == WM_DRIVE_TEXT && LowWord(message.lParam) == kDriveTextFrame &&
      HighWord(message.lParam) == static_cast<std::uint16_t>(FrameType::Text)) {
    ++m_replies;
    m_lastReplyAt = std::chrono::steady_clock::now();
    return 0;
  }
  return MessageWindow::OnMessage(message);
}

}  // namespace zembra::cli
