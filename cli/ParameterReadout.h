#pragma once
// What one bulk read learned from a drive: the parameter set as the page
// holds it after the read (the start values with every answered step's
// changes applied), which steps were answered, and what each edit shows.
#include <QJsonValue>
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drive/ParameterReadSequence.h"
#include "drive/ParameterSet.h"
#include "drive/ParameterTable.h"

namespace zembra::cli {

class ParameterReadout {
 public:
  enum class StepState { NotRun, Answered, TimedOut, Refused };
  static constexpr std::size_t kSteps = 39;

  explicit ParameterReadout(drive::ParameterSet start);

  void Apply(const drive::ReadStepResult& result);

  const drive::ParameterSet& Values() const { return m_values; }
  StepState StateOf(std::size_t step) const { return m_states[step]; }
  const std::string& ReplyOf(std::size_t step) const { return m_replies[step]; }
  // True when an answered read gave the field its value (a status word too
  // short for mode and signal, or a baud not in its list, gives none).
  bool Held(drive::Field field) const { return m_held[drive::Index(field)]; }
  bool AllAnswered() const;

  std::vector<std::string_view> TimedOut() const;
  // Steps the drive answered with "ERR".
  std::vector<std::string_view> AnsweredErr() const;

  // The field as the page shows it (UTF-8): an edit's text, a check as
  // 是/否, a radio group's chosen caption, a list's item ("" when none).
  std::string ShownText(drive::Field field) const;
  // The value of a step for a program to read: the number the field holds
  // (for "GSI" the scheme's mode value, for the baud rates the drive's rate
  // as a scheme file writes it: bit/s for RS-232, kbit/s for CAN), null
  // when the step was not answered or gave nothing.
  QJsonValue JsonValue(std::size_t step) const;

  // The fields a step fills: "GSI" fills mode and signal source.
  static std::vector<drive::Field> FieldsOf(const drive::ReadStep& step);

 private:
  drive::ParameterSet m_values;
  std::array<StepState, kSteps> m_states{};
  std::array<std::string, kSteps> m_replies;
  std::array<std::optional<std::string>, drive::kFieldCount> m_shown;
  std::array<bool, drive::kFieldCount> m_held{};
};

}  // namespace zembra::cli
