#include "sim/WireFormat.h"

#include <cstdio>

namespace zembra::sim {

std::string WireFormat::TextReply(std::string_view text) {
  std::string reply;
  reply.reserve(text.size() + 3);
  reply += '#';
  reply += text;
  reply += "\r\n";
  return reply;
}

std::uint8_t WireFormat::AdditiveCheck(std::string_view bytes) {
  unsigned sum = 0;
  for (char c : bytes) sum += static_cast<unsigned char>(c);
  return static_cast<std::uint8_t>(sum & 0xFFu);
}

std::size_t WireFormat::SampleFrameLength(SampleLead lead) {
  return lead == SampleLead::Long ? 7 : 5;
}

std::string WireFormat::SampleFrame(SampleLead lead, std::uint8_t channel, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  std::string frame;
  frame += static_cast<char>(lead);
  frame += static_cast<char>(channel);
  const int valueBytes = lead == SampleLead::Long ? 4 : 2;
  for (int i = 0; i < valueBytes; ++i) {
    frame += static_cast<char>((bits >> (8 * i)) & 0xFFu);
  }
  frame += static_cast<char>(AdditiveCheck(frame));
  return frame;
}

std::optional<SampleLead> WireFormat::SampleLeadOf(char c) {
  switch (c) {
    case '*': return SampleLead::Short;
    case '$': return SampleLead::Long;
    case '@': return SampleLead::Alternate;
    default: return std::nullopt;
  }
}

std::string WireFormat::Printable(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", byte);
      out += hex;
    }
  }
  return out;
}

}  // namespace zembra::sim
