#include "console/ConsoleLineFormer.h"

#include <cstdint>
#include <cstring>

#include "platform/Gbk.h"

namespace zembra {
namespace {

constexpr char kLineEnd[] = "\r\n";

// Payloads of text frames come from NUL-terminated ring slots on the drive
// side of the link; nothing after a NUL belongs to the text.
std::string_view UpToNul(std::string_view bytes) {
  auto nul = bytes.find('\0');
  return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

template <class Int>
Int ReadLittleEndian(std::string_view bytes) {
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < sizeof(Int); ++i)
    v |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
  return static_cast<Int>(v);
}

bool IsSampleType(FrameType type) {
  return type == FrameType::Sample16 || type == FrameType::Sample16At || type == FrameType::Sample32;
}

}  // namespace

std::optional<ConsoleLine> ConsoleLineFormer::Form(const WindowMessage& message) {
  auto kind = static_cast<DriveTextKind>(LowWord(message.lParam));
  if (kind != kDriveTextFrame && kind != kDriveTextString) return std::nullopt;
  return Form(kind, static_cast<FrameType>(HighWord(message.lParam)), message.Text());
}

std::optional<ConsoleLine> ConsoleLineFormer::Form(DriveTextKind kind, FrameType type, std::string_view payload) {
  if (type == FrameType::Text) {
    if (kind == kDriveTextString) return FormCommand(payload);
    return FormReply(payload);
  }
  if (!IsSampleType(type)) return std::nullopt;
  if (kind == kDriveTextString) {
    return ConsoleLine{ConsoleLineKind::Notice, QString(kLineEnd) + ' ' + FromGbk(UpToNul(payload))};
  }
  return FormSample(type, payload);
}

ConsoleLine ConsoleLineFormer::FormCommand(std::string_view payload) {
  std::string_view text = UpToNul(payload);
  auto cr = text.find('\r');
  if (cr != std::string_view::npos) text = text.substr(0, cr);
  m_lastCommand = FromGbk(text);
  return {ConsoleLineKind::Command, QString(kLineEnd) + ' ' + m_lastCommand};
}

ConsoleLine ConsoleLineFormer::FormReply(std::string_view payload) const {
  const int dots = kAlignWidth - static_cast<int>(m_lastCommand.size());
  QString line(" ");
  if (dots > 0) line += QString(dots, '.');
  line += ' ';
  line += FromGbk(UpToNul(payload));
  return {ConsoleLineKind::Reply, line};
}

std::optional<ConsoleLine> ConsoleLineFormer::FormSample(FrameType type, std::string_view payload) {
  const std::size_t valueSize = type == FrameType::Sample32 ? sizeof(std::int32_t) : sizeof(std::int16_t);
  if (payload.size() < 1 + valueSize) return std::nullopt;
  const int channel = static_cast<unsigned char>(payload[0]);
  const long long value = type == FrameType::Sample32 ? ReadLittleEndian<std::int32_t>(payload.substr(1))
                                                      : ReadLittleEndian<std::int16_t>(payload.substr(1));
  return ConsoleLine{ConsoleLineKind::Sample, QString::asprintf("          %03d/%lld%s", channel, value, kLineEnd)};
}

}  // namespace zembra
