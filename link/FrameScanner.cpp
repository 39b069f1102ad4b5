#include "link/FrameScanner.h"

#include <algorithm>

namespace zembra {
namespace {

std::uint8_t Sum(std::string_view bytes) {
  unsigned sum = 0;
  for (unsigned char c : bytes) sum += c;
  return static_cast<std::uint8_t>(sum & 0xFF);
}

}  // namespace

std::vector<ScannedFrame> FrameScanner::Feed(std::string_view bytes, bool connected) {
  std::vector<ScannedFrame> out;
  // A large read is taken in pieces that fit the buffer, scanning after
  // each, so a burst of several frames is not cut off at 256 bytes. The
  // buffer is only emptied when it is full of bytes that complete nothing.
  while (!bytes.empty()) {
    if (m_buffer.size() >= kCapacity) m_buffer.clear();
    std::size_t take = std::min(bytes.size(), kCapacity - m_buffer.size());
    m_buffer.append(bytes.substr(0, take));
    bytes.remove_prefix(take);
    ScanBuffer(connected, out);
  }
  return out;
}

void FrameScanner::ScanBuffer(bool connected, std::vector<ScannedFrame>& out) {
  std::size_t j = 0;
  while (j < m_buffer.size()) {
    switch (ScanAt(j, connected, out)) {
      case Step::Skip:
        ++j;
        break;
      case Step::Wait:
        return;
      case Step::Consumed:
        // Bytes after the frame may hold the next one: rescan from the start.
        j = 0;
        break;
      case Step::Flush:
        m_buffer.clear();
        return;
    }
  }
}

FrameScanner::Step FrameScanner::ScanAt(std::size_t j, bool connected, std::vector<ScannedFrame>& out) {
  const char lead = m_buffer[j];
  switch (lead) {
    case '#': {
      std::size_t cr = m_buffer.find("\r\n", j);
      if (cr == std::string::npos || cr - j <= 1) return Step::Skip;
      // A stray "#" from line noise must not become part of the reply
      // text: the reply starts after the last "#" before its line end.
      std::size_t start = m_buffer.rfind('#', cr);
      if (cr - start <= 1) {
        m_buffer.erase(0, cr + 2);
        return Step::Consumed;
      }
      out.push_back({ScannedFrame::Kind::TextReply, FrameType::Text,
                     m_buffer.substr(start + 1, cr - start - 1)});
      m_buffer.erase(0, cr + 2);
      return Step::Consumed;
    }
    case '*':
      return ScanSample(j, FrameType::Sample16, 5, connected, out);
    case '$':
      return ScanSample(j, FrameType::Sample32, 7, connected, out);
    case '@':
      if (j + 1 < m_buffer.size() && m_buffer[j + 1] == '@') return Step::Skip;
      return ScanSample(j, FrameType::Sample16At, 5, connected, out);
    case 'Q': {
      if (j + 1 >= m_buffer.size() || m_buffer[j + 1] != 'N') return Step::Skip;
      if (m_buffer.size() - j < kBlockSize) return Step::Wait;
      std::string_view block(m_buffer.data() + j, kBlockSize);
      if (Sum(block.substr(0, kBlockSize - 1)) != static_cast<std::uint8_t>(block[kBlockSize - 1]))
        return Step::Skip;
      out.push_back({ScannedFrame::Kind::ParameterBlock, FrameType::Text, std::string(block)});
      m_buffer.erase(0, j + kBlockSize);
      return Step::Consumed;
    }
    default:
      return Step::Skip;
  }
}

FrameScanner::Step FrameScanner::ScanSample(std::size_t j, FrameType type, std::size_t length, bool connected,
                                            std::vector<ScannedFrame>& out) {
  if (!connected) {
    out.push_back({ScannedFrame::Kind::UnsolicitedStream, type, {}});
    return Step::Flush;
  }
  if (m_buffer.size() - j < length) return Step::Wait;
  const char lead = m_buffer[j];
  if (m_buffer[j + 1] == lead || m_buffer[j + length - 1] == lead) return Step::Skip;
  std::string_view frame(m_buffer.data() + j, length);
  if (Sum(frame.substr(0, length - 1)) != static_cast<std::uint8_t>(frame[length - 1])) return Step::Skip;
  out.push_back({ScannedFrame::Kind::Sample, type, std::string(frame.substr(1, length - 2))});
  m_buffer.erase(0, j + length);
  return Step::Consumed;
}

}  // namespace zembra
