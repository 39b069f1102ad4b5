#pragma once
// The link's console for a port without a window: counts the text replies
// the drive sends, whoever awaited them, so a sequence that does not wait
// for answers can still tell a drive that answers from one that went quiet.
#include <chrono>
#include <cstdint>

#include "platform/WindowRuntime.h"

namespace zembra::cli {

class LinkWatch : public MessageWindow {
 public:
  std::uint64_t Replies() const { return m_replies; }
  // When the last reply was taken; unset before the first.
  std::chrono::steady_clock::time_point LastReplyAt() const { return m_lastReplyAt; }

  std::intptr_t OnMessage(const WindowMessage& message) override;

 private:
  std::uint64_t m_replies = 0;
  std::chrono::steady_clock::time_point m_lastReplyAt{};
};

}  // namespace zembra::cli
