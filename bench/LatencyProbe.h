#pragma once
// The GUI's event latency under load: a thread posts a probe every 10 ms
// carrying its posting time, and the window notes how long each one waited
// in the queue before the GUI thread handled it.
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/WindowRuntime.h"

namespace zembra::bench {

class LatencyProbe : public MessageWindow {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::uint32_t kProbe = 0x7F00;

  ~LatencyProbe() override { Stop(); }

  void Start() {
    m_stop = false;
    m_poster = std::thread([this] {
      while (!m_stop) {
        PostMessage(Handle(), kProbe, 0, static_cast<std::intptr_t>(Clock::now().time_since_epoch().count()));
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
    });
  }
  void Stop() {
    m_stop = true;
    if (m_poster.joinable()) m_poster.join();
  }

  std::intptr_t OnMessage(const WindowMessage& m) override {
    if (m.msg == kProbe) {
      const auto sent = Clock::time_point(Clock::duration(static_cast<Clock::rep>(m.lParam)));
      latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
    }
    return 0;
  }

  std::vector<double> latencies;

 private:
  std::atomic<bool> m_stop{false};
  std::thread m_poster;
};

}  // namespace zembra::bench
