#pragma once
#include <cstdint>

namespace zembra {

// One answer of the drive as charted: its value, its time in ms since the
// first sample of the session, and the tick count when it arrived.
struct MonitorSample {
  double value = 0.0;
  std::uint32_t time = 0;
  std::uint32_t tick = 0;
  friend bool operator==(const MonitorSample&, const MonitorSample&) = default;
};

}  // namespace zembra
