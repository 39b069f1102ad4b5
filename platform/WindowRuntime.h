#pragma once
// A small window runtime: numbered messages with two integer arguments and
// window timers with fixed ids, delivered on the GUI thread through Qt's
// event loop. Windows are addressed by handle, so a message or tick aimed at
// a window that no longer exists is dropped instead of touching freed memory.
#include <cstdint>
#include <memory>
#include <string>

namespace zembra {

using HWND = std::uint32_t;  // 0 = no window

// Bytes that travel with a message (a reply, a sampling frame, an echoed
// command). Immutable and shared, so a receive thread can hand them across
// threads without the receiver reading a buffer that is being overwritten.
using Payload = std::shared_ptr<const std::string>;
Payload MakePayload(std::string bytes);

struct WindowMessage {
  std::uint32_t msg = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  Payload payload;
  // Text view of the payload; empty when there is none.
  const std::string& Text() const;
};

// Base of every object that takes messages and timer ticks. Construct and
// destroy on the GUI thread; handlers run on the GUI thread only.
class MessageWindow {
 public:
  MessageWindow();
  virtual ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  HWND Handle() const { return m_hwnd; }

  virtual std::intptr_t OnMessage(const WindowMessage& message);
  virtual void OnTimer(std::uint32_t timerId);

 private:
  HWND m_hwnd;
};

// Callable from any thread. FIFO per window; false (and nothing queued)
// when the window does not exist; a message whose window is destroyed
// before delivery is dropped.
bool PostMessage(HWND hwnd, std::uint32_t msg, std::uintptr_t wParam = 0,
                 std::intptr_t lParam = 0, Payload payload = {});

// On the GUI thread: calls the handler at once and returns its result.
// From any other thread it posts a copy and returns 0, so a worker never
// blocks on the GUI (which would deadlock at shutdown).
std::intptr_t SendMessage(HWND hwnd, std::uint32_t msg, std::uintptr_t wParam = 0,
                          std::intptr_t lParam = 0, Payload payload = {});

bool IsWindow(HWND hwnd);

// Periodic timer; setting an id that runs restarts it with the new period.
// Callable from any thread.
void SetTimer(HWND hwnd, std::uint32_t timerId, std::uint32_t periodMs);

// Callable from any thread. Once it returns, no tick of that id is
// delivered, not even one that was already queued.
void KillTimer(HWND hwnd, std::uint32_t timerId);

bool IsTimerRunning(HWND hwnd, std::uint32_t timerId);

// How often SetTimer and KillTimer were called with a timer id, on any
// window, since the program started. A subsystem that owns a timer id
// counts its own calls too; the two agreeing shows that nobody else used it.
struct TimerCallCounts {
  std::uint64_t sets = 0;
  std::uint64_t kills = 0;
  friend bool operator==(const TimerCallCounts&, const TimerCallCounts&) = default;
};
TimerCallCounts TimerCalls(std::uint32_t timerId);

// True on the thread that runs the Qt event loop.
bool IsGuiThread();

}  // namespace zembra
