#pragma once
// The last 100 frames received, by slot. Messages name the slot a frame
// went to; the frame's bytes also travel with the message itself, so a
// slot that is overwritten before its message is handled harms nothing.
#include <array>
#include <mutex>
#include <string>
#include <string_view>

namespace zembra {

class ReplyRing {
 public:
  static constexpr int kSlots = 100;
  static constexpr std::size_t kSlotSize = 256;

  // Advances the index, then stores (the first store goes to slot 1, after
  // slot 99 comes slot 0). Longer payloads are cut to the slot size.
  int Store(std::string_view payload);
  std::string Read(int slot) const;
  int LastIndex() const;

 private:
  mutable std::mutex m_mutex;
  std::array<std::string, kSlots> m_slots;
  int m_index = 0;
};

}  // namespace zembra
