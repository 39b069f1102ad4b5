#pragma once
// The reply time-out of the window that awaits a reply. Only the link
// starts and kills it: the send arms it on the awaiting window, the receive
// thread kills it when the reply comes, and the typed request kills it when
// it gives the link back. A window that started or killed it by itself
// would end a wait the link still counts on, so the link counts every call
// it makes; a test compares them with what the window runtime saw.
#include <atomic>
#include <cstdint>

#include "platform/WindowRuntime.h"

namespace zembra {

class ReplyTimer {
 public:
  static void Start(HWND window, std::uint32_t periodMs);
  static void Kill(HWND window);
  static bool Running(HWND window);
  // Calls made through here, to compare with TimerCalls(TIMER_REPLY).
  static TimerCallCounts Calls();

 private:
  static std::atomic<std::uint64_t> s_starts;
  static std::atomic<std::uint64_t> s_kills;
};

}  // namespace zembra
