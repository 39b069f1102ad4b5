#pragma once
// Reading structured choices out of fuzz bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zembra::fuzz {

class FuzzBytes {
 public:
  FuzzBytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
  bool Empty() const { return m_pos >= m_size; }
  std::uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  std::uint32_t U32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(Byte()) << (8 * i);
    return v;
  }
  // Up to `n` bytes (fewer at the end).
  std::string Take(std::size_t n) {
    const std::size_t k = n < m_size - m_pos ? n : m_size - m_pos;
    std::string out(reinterpret_cast<const char*>(m_data + m_pos), k);
    m_pos += k;
    return out;
  }
  std::string Rest() { return Take(m_size - m_pos); }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_pos = 0;
};

}  // namespace zembra::fuzz
