#pragma once

#include <array>
#include <cstdint>

namespace zembra::sim {

// One CAN 2.0 frame as it travels on the virtual bus, independent of any
// controller's register layout.
struct CanFrame {
  bool extended = false;  // 29-bit identifier when set, else 11-bit
  bool remote = false;    // remote transmission request: no data bytes travel
  std::uint32_t id = 0;
  std::uint8_t length = 0;  // data length code 0..8 (9..15 travel as 8 bytes)
  std::array<std::uint8_t, 8> data{};

  bool operator==(const CanFrame&) const = default;
};

}  // namespace zembra::sim
