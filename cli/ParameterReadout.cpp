#include "cli/ParameterReadout.h"

#include <cstdio>

#include "link/ReplyText.h"
#include "drive/SchemeMapping.h"

namespace zembra::cli {

using drive::Field;
using drive::ParameterTable;

ParameterReadout::ParameterReadout(drive::ParameterSet start) : m_values(std::move(start)) {}

void ParameterReadout::Apply(const drive::ReadStepResult& result) {
  const auto step = static_cast<std::size_t>(result.index);
  if (step >= kSteps) return;
  switch (result.outcome) {
    case drive::ReadStepResult::Outcome::Answered:
      m_states[step] = StepState::Answered;
      m_replies[step] = result.reply;
      for (const drive::FieldUpdate& update : result.decoded.updates) {
        m_values.Set(update.field, update.value);
        m_shown[drive::Index(update.field)] = update.shownText;
        m_held[drive::Index(update.field)] = true;
      }
      break;
    case drive::ReadStepResult::Outcome::TimedOut:
      m_states[step] = StepState::TimedOut;
      break;
    case drive::ReadStepResult::Outcome::Refused:
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

std::string ParameterReadout::ShownText(Field field) const {
  if (const std::optional<std::string>& shown = m_shown[drive::Index(field)]) return *shown;
  const drive::FieldInfo& info = ParameterTable::Info(field);
  switch (info.kind) {
    case drive::ControlKind::Check:
      return m_values.Checked(field) ? "是" : "否";
    case drive::ControlKind::RadioGroup: {
      const auto captions = ParameterTable::ChoiceCaptions(field);
      const int index = m_values.Int(field);
      return index >= 0 && index < static_cast<int>(captions.size()) ? std::string(captions[static_cast<std::size_t>(index)])
                                                                     : std::string();
    }
    case drive::ControlKind::List:
      return std::string(field == Field::SerialBaud ? m_values.SerialBaudText() : m_values.CanBaudText());
    case drive::ControlKind::Edit:
    case drive::ControlKind::DisplayEdit:
      break;
  }
  if (info.type == drive::ValueType::Float) {
    char text[64];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(m_values.Float(field)));
    return text;
  }
  return std::to_string(m_values.Int(field));
}

QJsonValue ParameterReadout::JsonValue(std::size_t step) const {
  if (step >= kSteps || m_states[step] != StepState::Answered) return QJsonValue::Null;
  const drive::ReadStep& read = ParameterTable::ReadSteps()[step];
  switch (read.rule) {
    case drive::ReplyRule::ModeAndSignal:
      if (!Held(Field::RunMode)) return QJsonValue::Null;
      return drive::SchemeMapping::ModeValue(m_values);
    // What the drive holds, also when the page's list has no such item.
    case drive::ReplyRule::ListText:
      return LeadingInt(m_replies[step]);
    case drive::ReplyRule::BitsPerSecond:
      return LeadingInt(m_replies[step]) / 1000;
    default:
      break;
  }
  if (ParameterTable::Info(read.field).type == drive::ValueType::Float) return static_cast<double>(m_values.Float(read.field));
  return m_values.Int(read.field);
}

std::vector<Field> ParameterReadout::FieldsOf(const drive::ReadStep& step) {
  if (step.rule == drive::ReplyRule::ModeAndSignal) return {Field::RunMode, Field::SignalSource};
  return {step.field};
}

}  // namespace zembra::cli
