#pragma once
// Manual- or auto-reset event with a timed wait, for threads that hand a
// "something happened" signal to each other.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace zembra {

class Event {
 public:
  enum class Reset { Manual, Auto };
  explicit Event(Reset mode, bool initiallySet = false);

  void Set();
  void ResetEvent();
  bool IsSet() const;
  // Waits until the event is set or the time-out passes; true when set. An
  // auto-reset event is cleared by the wait that takes it.
  bool Wait(std::chrono::milliseconds timeout);
  void WaitForever();

 private:
  const Reset m_mode;
  mutable std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_set;
};

}  // namespace zembra
