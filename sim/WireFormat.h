#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zembra::sim {

// Lead character of a sampling frame; the stream-stop command for a stream
// is its lead followed by "S".
enum class SampleLead : char {
  Short = '*',      // channel + 16-bit value
  Long = '$',       // channel + 32-bit value
  Alternate = '@',  // channel + 16-bit value
};

// Byte layouts the drive puts on the wire: text replies, sampling frames and
// the 128-byte parameter block, all with the drive's additive check byte.
class WireFormat {
 public:
  static constexpr std::size_t kParameterBlockSize = 128;
  static constexpr std::size_t kParameterBlockCheckIndex = 127;

  // "#" + text + "\r\n".
  static std::string TextReply(std::string_view text);
  // Sum of the bytes modulo 256.
  static std::uint8_t AdditiveCheck(std::string_view bytes);
  static std::size_t SampleFrameLength(SampleLead lead);
  // Lead, channel, value little-endian (16 or 32 bits), check byte.
  static std::string SampleFrame(SampleLead lead, std::uint8_t channel, std::int32_t value);
  static std::optional<SampleLead> SampleLeadOf(char c);
  // Escapes control and non-ASCII bytes ("\r", "\n", "\xNN") for logs.
  static std::string Printable(std::string_view bytes);
};

}  // namespace zembra::sim
