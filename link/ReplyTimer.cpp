#include "link/ReplyTimer.h"

#include "platform/WindowMessages.h"

namespace zembra {

std::atomic<std::uint64_t> ReplyTimer::s_starts{0};
std::atomic<std::uint64_t> ReplyTimer::s_kills{0};

// Counted before the runtime's own count moves, so the link's count is
// never behind the runtime's while a call is under way.
void ReplyTimer::Start(HWND window, std::uint32_t periodMs) {
  s_starts.fetch_add(1);
  SetTimer(window, TIMER_REPLY, periodMs);
}

void ReplyTimer::Kill(HWND window) {
  s_kills.fetch_add(1);
  KillTimer(window, TIMER_REPLY);
}

bool ReplyTimer::Running(HWND window) { return IsTimerRunning(window, TIMER_REPLY); }

TimerCallCounts ReplyTimer::Calls() { return {s_starts.load(), s_kills.load()}; }

}  // namespace zembra
