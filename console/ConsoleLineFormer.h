#pragma once
// Turns one WM_DRIVE_TEXT message into console text. Remembers the last
// echoed command so that its reply can be aligned after it.
#include <optional>
#include <string_view>

#include "console/ConsoleLine.h"
#include "link/FrameType.h"
#include "platform/WindowMessages.h"
#include "platform/WindowRuntime.h"

namespace zembra {

class ConsoleLineFormer {
 public:
  // Commands this long or longer get their reply without alignment dots.
  static constexpr int kAlignWidth = 6;

  // Nothing is formed for a frame type the link does not send, or for a
  // sampling payload too short to hold its channel and value.
  std::optional<ConsoleLine> Form(DriveTextKind kind, FrameType type, std::string_view payload);
  std::optional<ConsoleLine> Form(const WindowMessage& message);

  // The last echoed command, cut at its first "\r".
  const QString& LastCommand() const { return m_lastCommand; }

 private:
  ConsoleLine FormCommand(std::string_view payload);
  ConsoleLine FormReply(std::string_view payload) const;
  static std::optional<ConsoleLine> FormSample(FrameType type, std::string_view payload);

  QString m_lastCommand;
};

}  // namespace zembra
