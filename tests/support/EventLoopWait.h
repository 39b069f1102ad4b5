#pragma once
// Waiting in tests: run the Qt event loop until a condition holds or a
// deadline passes. Tests decide on conditions, never on fixed sleeps.
#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <functional>

namespace zembra::test {

inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::milliseconds(5000)) {
  auto end = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return condition();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

// Runs the event loop for a while, for checks that something does NOT
// happen within a window that comfortably covers when it would.
inline void PumpFor(std::chrono::milliseconds span) {
  auto end = std::chrono::steady_clock::now() + span;
  while (std::chrono::steady_clock::now() < end) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
}

}  // namespace zembra::test
