#include "drive/WriteEncoder.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "drive/ParameterTable.h"

namespace zembra::drive {
namespace {

std::string Format(std::string_view format, int value) {
  char buffer[64];
  const std::string f(format);
  std::snprintf(buffer, sizeof buffer, f.c_str(), value);
  return buffer;
}

std::string CommandFor(const WriteStep& step, const ParameterSet& set) {
  switch (step.rule) {
    case WriteRule::Integer:
      return Format(step.format, set.Int(step.field));
    case WriteRule::TruncatedFloat:
      return Format(step.format, TruncateToInt(set.Float(step.field)));
    case WriteRule::CheckOneZero:
      return Format(step.format, set.Checked(step.field) ? 1 : 0);
    case WriteRule::CheckFixed:
      return set.Checked(step.field) ? "SPOF1\r" : "SPOF0\r";
    case WriteRule::Direction:
      return set.Int(step.field) == 1 ? "SL\r" : "SR\r";
    case WriteRule::ModeWord:
      return Format(step.format, set.ModeWord());
  }
  return {};
}

}  // namespace

int TruncateToInt(float value) {
  if (!std::isfinite(value)) return 0;
  const double truncated = std::trunc(static_cast<double>(value));
  if (truncated <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  if (truncated >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(truncated);
}

std::vector<DriveCommand> EncodeWrite(const ParameterSet& set, bool changeBaud) {
  std::vector<DriveCommand> commands;
  for (const WriteStep& step : ParameterTable::WriteSteps())
    commands.push_back({CommandFor(step, set), step.mnemonic, step.field, kWritePause});
  if (changeBaud) {
    commands.push_back({"BAUD" + std::string(set.SerialBaudText()) + "\r", "BAUD", Field::SerialBaud, kWritePause});
    const int canKbps = std::atoi(std::string(set.CanBaudText()).c_str());
    commands.push_back({Format("SCBD%d\r", canKbps * 1000), "SCBD", Field::CanBaud, std::chrono::milliseconds(0)});
  }
  return commands;
}

}  // namespace zembra::drive
