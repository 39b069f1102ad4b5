#pragma once
#include <cstdint>

namespace zembra {

// Kinds of frame the drive sends; the number travels in the high word of
// WM_DRIVE_TEXT's and WM_DRIVE_REPLY's lParam.
enum class FrameType : std::uint16_t {
  Text = 0,      // "#text\r\n" reply, or the 128-byte "QN" parameter block
  Sample16 = 1,  // "*" channel + 16-bit value + check byte
  Sample32 = 2,  // "$" channel + 32-bit value + check byte
  Sample16At = 3 // "@" channel + 16-bit value + check byte
};

}  // namespace zembra
