#include "drive/ReplyDecoder.h"

#include "drive/DriveText.h"
#include "platform/Gbk.h"

namespace zembra::drive {
namespace {

// A digit character as a number, or -1 for anything else: a garbled status
// word must not turn into a radio index outside its group.
int DigitOf(char c) { return c >= '0' && c <= '9' ? c - '0' : -1; }

// The reply as the page shows it: the drive speaks GBK, the page UTF-8.
std::string Shown(std::string_view reply) { return FromGbk(reply).toStdString(); }

}  // namespace

DecodedReply DecodeReply(const ReadStep& step, std::string_view reply) {
  DecodedReply decoded;
  auto set = [&](Field field, double value, std::optional<std::string> text = std::nullopt) {
    decoded.updates.push_back({field, value, std::move(text)});
  };
  const int number = LeadingInt(reply);
  const bool firstIsOne = !reply.empty() && reply.front() == '1';
  switch (step.rule) {
    case ReplyRule::Number:
      set(step.field, number, ContainsErr(reply) ? std::string("0") : Shown(reply));
      break;
    case ReplyRule::RawNumber:
      set(step.field, number, Shown(reply));
      break;
    case ReplyRule::FlagCharacter:
      set(step.field, firstIsOne ? 1 : 0);
      break;
    case ReplyRule::CheckValue:
      set(step.field, number != 0 ? 1 : 0);
      break;
    case ReplyRule::Direction:
      set(step.field, firstIsOne ? 0 : 1);  // '1' is forward (正转), index 0
      break;
    case ReplyRule::NodeType:
      set(step.field, number == 1 ? 1 : 0);
      break;
    case ReplyRule::ModeAndSignal: {
      if (reply.size() < 5) break;
      const int mode = DigitOf(reply[0]);
      const int signal = DigitOf(reply[1]);
      set(Field::RunMode, mode >= 0 && mode < 4 ? mode : 0);
      // The drive's code 5 is the single-ended source; its code 4 and
      // anything unknown show as digital.
      set(Field::SignalSource, signal == 5 ? 4 : (signal >= 0 && signal <= 3 ? signal : 0));
      break;
    }
    case ReplyRule::ListText: {
      const int index = ParameterTable::FindSerialBaud(reply);
      if (index >= 0) set(step.field, index);
      break;
    }
    case ReplyRule::BitsPerSecond: {
      const int index = ParameterTable::FindCanBaud(std::to_string(number / 1000));
      if (index >= 0) set(step.field, index);
      break;
    }
  }
  return decoded;
}

}  // namespace zembra::drive
