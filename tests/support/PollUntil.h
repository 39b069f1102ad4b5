#pragma once
// Waiting in tests without a Qt event loop: poll a condition every
// millisecond until it holds or a deadline passes.
#include <chrono>
#include <functional>
#include <thread>

namespace zembra::test {

inline bool PollUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::milliseconds(5000)) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= end) return condition();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace zembra::test
