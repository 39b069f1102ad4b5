#include "drive/ParameterReadout.h"

#include "drive/DriveText.h"
#include "drive/SchemeMapping.h"

namespace zembra::drive {

ParameterReadout::ParameterReadout(ParameterSet start) : m_shown(start) {}

void ParameterReadout::Apply(const ReadStepResult& result) {
  const auto step = static_cast<std::size_t>(result.index);
  if (step >= kSteps) return;
  switch (result.outcome) {
    case ReadStepResult::Outcome::Answered:
      m_states[step] = StepState::Answered;
      m_replies[step] = result.reply;
      for (const FieldUpdate& update : result.decoded.updates) {
        m_shown.SetFromDrive(update.field, update.value, update.shownText);
        m_held[Index(update.field)] = true;
      }
      break;
    case ReadStepResult::Outcome::TimedOut:
      m_states[step] = StepState::TimedOut;
      break;
    case ReadStepResult::Outcome::Refused:
      m_states[step] = StepState::Refused;
      break;
  }
}

bool ParameterReadout::AllAnswered() const {
  for (StepState state : m_states)
    if (state != StepState::Answered) return false;
  return true;
}

std::vector<std::string_view> ParameterReadout::TimedOut() const {
  std::vector<std::string_view> mnemonics;
  const auto steps = ParameterTable::ReadSteps();
  for (std::size_t i = 0; i < kSteps && i < steps.size(); ++i)
    if (m_states[i] == StepState::TimedOut) mnemonics.push_back(steps[i].mnemonic);
  return mnemonics;
}

std::vector<std::string_view> ParameterReadout::AnsweredErr() const {
  std::vector<std::string_view> mnemonics;
  const auto steps = ParameterTable::ReadSteps();
  for (std::size_t i = 0; i < kSteps && i < steps.size(); ++i)
    if (m_states[i] == StepState::Answered && ContainsErr(m_replies[i])) mnemonics.push_back(steps[i].mnemonic);
  return mnemonics;
}

QJsonValue ParameterReadout::JsonValue(std::size_t step) const {
  if (step >= kSteps || m_states[step] != StepState::Answered) return QJsonValue::Null;
  const ReadStep& read = ParameterTable::ReadSteps()[step];
  switch (read.rule) {
    case ReplyRule::ModeAndSignal:
      if (!Held(Field::RunMode)) return QJsonValue::Null;
      return SchemeMapping::ModeValue(Values());
    // What the drive holds, also when the page's list has no such item.
    case ReplyRule::ListText:
      return LeadingInt(m_replies[step]);
    case ReplyRule::BitsPerSecond:
      return LeadingInt(m_replies[step]) / 1000;
    default:
      break;
  }
  if (ParameterTable::Info(read.field).type == ValueType::Float) return static_cast<double>(Values().Float(read.field));
  return Values().Int(read.field);
}

}  // namespace zembra::drive
