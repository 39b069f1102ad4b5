#include "drive/WriteVerification.h"

#include <algorithm>

#include "drive/DriveText.h"
#include "drive/HeldValues.h"
#include "drive/ParameterTable.h"

namespace zembra::drive {
namespace {

bool IsBaudChange(const DriveCommand& command) {
  return command.field == Field::SerialBaud || command.field == Field::CanBaud;
}

int StepIndex(const ReadStep* step) {
  if (!step) return -1;
  return static_cast<int>(step - ParameterTable::ReadSteps().data());
}

std::string Joined(const std::vector<std::string>& items, const std::string& separator) {
  std::string text;
  for (const std::string& item : items) text += (text.empty() ? "" : separator) + item;
  return text;
}

}  // namespace

std::vector<int> WriteVerification::ReadBackSteps(const std::vector<DriveCommand>& commands,
                                                  const std::vector<bool>& sent) {
  std::vector<int> steps;
  for (std::size_t i = 0; i < commands.size() && i < sent.size(); ++i) {
    if (!sent[i] || IsBaudChange(commands[i])) continue;
    const int step = StepIndex(ParameterTable::ReadStepOf(commands[i].field));
    if (step >= 0 && std::find(steps.begin(), steps.end(), step) == steps.end()) steps.push_back(step);
  }
  return steps;
}

VerificationResult WriteVerification::Judge(const ParameterSet& written, const std::vector<DriveCommand>& commands,
                                            const std::vector<bool>& sent, const ParameterReadout& readBack) {
  VerificationResult result;
  const HeldValues writtenShown(written);
  // The drive's values encoded exactly as the write encoded the page's.
  const std::vector<DriveCommand> again = EncodeWrite(readBack.Values(), false);
  for (std::size_t i = 0; i < commands.size() && i < sent.size(); ++i) {
    const DriveCommand& command = commands[i];
    if (!sent[i] || IsBaudChange(command)) continue;
    ++result.checked;
    const std::string name(ParameterTable::Info(command.field).name);
    bool held = true;
    for (Field field : ParameterTable::FieldsOf(*ParameterTable::WriteStepOf(command.field)))
      held = held && readBack.Held(field);
    // "ERR" reads as 0 on the page, but it is no value the drive holds.
    const int step = StepIndex(ParameterTable::ReadStepOf(command.field));
    if (step >= 0 && ContainsErr(readBack.ReplyOf(static_cast<std::size_t>(step)))) held = false;
    if (!held) {
      result.unread.push_back(name);
      continue;
    }
    const auto match = std::find_if(again.begin(), again.end(), [&](const DriveCommand& c) { return c.field == command.field; });
    if (match != again.end() && match->text == command.text) {
      ++result.verified;
      continue;
    }
    std::string writtenText = writtenShown.DisplayText(command.field);
    std::string driveText = readBack.ShownText(command.field);
    if (command.field == Field::RunMode) {
      writtenText += "/" + writtenShown.DisplayText(Field::SignalSource);
      driveText += "/" + readBack.ShownText(Field::SignalSource);
    }
    result.differences.push_back({name, writtenText, driveText});
  }
  return result;
}

std::string VerificationResult::Describe() const {
  if (Passed()) return "校验通过：" + std::to_string(verified) + "/" + std::to_string(checked);
  std::vector<std::string> parts;
  if (!differences.empty()) {
    std::vector<std::string> items;
    for (const VerifiedDifference& d : differences)
      items.push_back(d.name + "（写入 " + d.written + "，驱动器 " + d.drive + "）");
    parts.push_back("与写入的值不同：" + Joined(items, "，"));
  }
  if (!unread.empty()) parts.push_back("未能读回：" + Joined(unread, "，"));
  if (parts.empty()) parts.push_back("没有可校验的参数");
  return "校验未通过（" + std::to_string(verified) + "/" + std::to_string(checked) + "）：" + Joined(parts, "；");
}

}  // namespace zembra::drive
