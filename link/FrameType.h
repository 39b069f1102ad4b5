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

#include <cstdint>

#include "link/CommandVocabulary.h"

namespace zembra {

// WM_DRIVE_REPLY's lParam: low word = CommandCode of the awaited command
// (-1 travels as 0xFFFF), high word = frame type.
constexpr std::intptr_t MakeReplyLParam(CommandCode code, FrameType type) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(type) << 16) |
                                    (static_cast<std::uint32_t>(code) & 0xFFFFu));
}
constexpr CommandCode ReplyCodeOf(std::intptr_t lParam) {
  return static_cast<CommandCode>(static_cast<std::int16_t>(static_cast<std::uint16_t>(lParam & 0xFFFF)));
}
constexpr FrameType FrameTypeOf(std::intptr_t lParam) {
  return static_cast<FrameType>((static_cast<std::uint32_t>(lParam) >> 16) & 0xFFFF);
}

}  // namespace zembra
