#pragma once
// What one bulk read learned from a drive, without touching a page: the
// values a page would hold after the read (the start values with every
// answered step's changes applied, each field with the text it would
// show), which steps were answered, and the drive's own replies. The
// command-line tool prints it and the page compares itself with it.
#include <QJsonValue>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "drive/HeldValues.h"
#include "drive/ParameterReadSequence.h"
#include "drive/ParameterSet.h"
#include "drive/ParameterTable.h"

namespace zembra::drive {

class ParameterReadout {
 public:
  enum class StepState { NotRun, Answered, TimedOut, Refused };
  static constexpr std::size_t kSteps = 39;

  explicit ParameterReadout(ParameterSet start);

  void Apply(const ReadStepResult& result);

  const ParameterSet& Values() const { return m_shown.Values(); }
  const HeldValues& Shown() const { return m_shown; }
  StepState StateOf(std::size_t step) const { return m_states[step]; }
  // The drive's reply as received (its bytes), for answered steps.
  const std::string& ReplyOf(std::size_t step) const { return m_replies[step]; }
  // True when an answered read gave the field its value (a status word too
  // short for mode and signal, or a baud not in its list, gives none).
  bool Held(Field field) const { return m_held[Index(field)]; }
  bool AllAnswered() const;

  std::vector<std::string_view> TimedOut() const;
  // Steps the drive answered with "ERR".
  std::vector<std::string_view> AnsweredErr() const;

  // The field as the page shows it (UTF-8): an edit's text, a check as
  // 是/否, a radio group's chosen caption, a list's item.
  std::string ShownText(Field field) const { return m_shown.DisplayText(field); }
  // The value of a step for a program to read: the number the field holds
  // (for "GSI" the scheme's mode value, for the baud rates the drive's rate
  // as a scheme file writes it: bit/s for RS-232, kbit/s for CAN), null
  // when the step was not answered or gave nothing.
  QJsonValue JsonValue(std::size_t step) const;

 private:
  HeldValues m_shown;
  std::array<StepState, kSteps> m_states{};
  std::array<std::string, kSteps> m_replies;
  std::array<bool, kFieldCount> m_held{};
};

}  // namespace zembra::drive
