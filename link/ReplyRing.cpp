#include "link/ReplyRing.h"

namespace zembra {

int ReplyRing::Store(std::string_view payload) {
  std::lock_guard lock(m_mutex);
  m_index = (m_index + 1) % kSlots;
  m_slots[m_index].assign(payload.substr(0, kSlotSize));
  return m_index;
}

std::string ReplyRing::Read(int slot) const {
  std::lock_guard lock(m_mutex);
  if (slot < 0 || slot >= kSlots) return {};
  return m_slots[slot];
}

int ReplyRing::LastIndex() const {
  std::lock_guard lock(m_mutex);
  return m_index;
}

}  // namespace zembra
