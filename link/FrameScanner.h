#pragma once
// Finds the drive's frames in the received byte stream: "#text\r\n"
// replies, the "*", "$" and "@" sampling frames and the 128-byte "QN"
// parameter block. Knows nothing of threads, ports or windows, so it can be
// fed bytes directly.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "link/FrameType.h"

namespace zembra {

struct ScannedFrame {
  enum class Kind {
    TextReply,        // payload: the text between "#" and "\r"
    Sample,           // payload: channel byte + little-endian value (3 or 5 bytes)
    ParameterBlock,   // payload: all 128 bytes
    UnsolicitedStream // sampling frames while no drive is identified
  };
  Kind kind;
  FrameType type;
  std::string payload;
};

class FrameScanner {
 public:
  static constexpr std::size_t kCapacity = 256;
  static constexpr std::size_t kBlockSize = 128;

  // Appends the bytes and returns every frame they complete, in order.
  // `connected` tells whether sampling frames are expected: without an
  // identified drive they mean the drive streams on its own.
  std::vector<ScannedFrame> Feed(std::string_view bytes, bool connected);

  std::size_t Pending() const { return m_buffer.size(); }
  void Clear() { m_buffer.clear(); }

 private:
  enum class Step { Skip, Wait, Consumed, Flush };
  Step ScanAt(std::size_t j, bool connected, std::vector<ScannedFrame>& out);
  Step ScanSample(std::size_t j, FrameType type, std::size_t length, bool connected,
                  std::vector<ScannedFrame>& out);
  void ScanBuffer(bool connected, std::vector<ScannedFrame>& out);

  std::string m_buffer;
};

}  // namespace zembra
