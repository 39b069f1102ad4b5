#include "cli/JobPlanner.h"

#include <QFile>
#include <QHash>
#include <cstdlib>
#include <optional>

#include "cli/FileTemplate.h"
#include "cli/SchemeBackup.h"
#include "cli/SendTask.h"
#include "common/IniStore.h"
#include "drive/ParameterValidation.h"
#include "drive/SchemeMapping.h"
#include "drive/WriteEncoder.h"

namespace zembra::cli {
namespace {

// The page's "加载参数方案" into a fresh set.
std::optional<QString> LoadScheme(const QString& file, drive::ParameterSet& set) {
  CIniStore store(QFile::encodeName(file).toStdString());
  if (!store.LoadExisting()) return QStringLiteral("无法读取文件 %1").arg(file);
  set = drive::ParameterSet();
  if (drive::SchemeMapping::Load(store, set) != drive::SchemeLoadResult::Loaded)
    return QStringLiteral("%1 不是参数方案文件（没有“option”一节或其中没有参数）").arg(file);
  return std::nullopt;
}

// The page's checks before "设 置", in its order.
std::optional<QString> CheckForWrite(const QString& file, const drive::ParameterSet& set, bool changeBaud) {
  std::optional<std::string> problem = drive::CheckRanges(set);
  if (!problem) problem = drive::ValidateForWrite(set, changeBaud);
  if (!problem) return std::nullopt;
  return QStringLiteral("%1：%2").arg(file, QString::fromStdString(*problem));
}

}  // namespace

PlanResult JobPlanner::Plan(const CliOptions& options, const QStringList& devices, int baud,
                            const drive::ParameterSet& freshPage) {
  PlanResult result;
  const FileTemplate files(options.file);
  if (CliOptions::WritesFilePerPort(options.command) && devices.size() > 1 && !files.HasPlaceholder()) {
    result.error = QStringLiteral("%1 个端口时，文件名必须含有 {n} 或 {port}，每台驱动器才各有自己的文件")
                       .arg(devices.size());
    return result;
  }

  std::vector<std::string> sendCommands;
  for (const QString& text : options.texts) {
    std::optional<std::string> command = SendTask::CommandText(text);
    if (!command) {
      result.error = QStringLiteral("send: “%1” 中没有可发送的内容").arg(text);
      return result;
    }
    sendCommands.push_back(*command);
  }

  QHash<QString, int> writers;  // backup file -> port index
  for (qsizetype i = 0; i < devices.size(); ++i) {
    PortPlan plan;
    plan.index = static_cast<int>(i) + 1;
    plan.device = devices[i];
    plan.baud = baud;
    plan.command = options.command;
    plan.start = freshPage;
    if (!options.file.isEmpty()) plan.file = files.Expand(plan.index, plan.device);

    std::optional<QString> problem;
    switch (options.command) {
      case CliCommand::Backup: {
        if (writers.contains(plan.file)) {
          result.error = QStringLiteral("端口 %1 和 %2 会写入同一个文件 %3")
                             .arg(writers.value(plan.file))
                             .arg(plan.index)
                             .arg(plan.file);
          return result;
        }
        writers.insert(plan.file, plan.index);
        if (std::optional<std::string> error =
                SchemeBackup::StartValues(QFile::encodeName(plan.file).toStdString(), freshPage, plan.start))
          problem = QString::fromStdString(*error);
        break;
      }
      case CliCommand::Verify:
        problem = LoadScheme(plan.file, plan.start);
        break;
      case CliCommand::Restore: {
        drive::ParameterSet set;
        problem = LoadScheme(plan.file, set);
        if (!problem) problem = CheckForWrite(plan.file, set, options.changeBaud);
        if (problem) break;
        plan.restore.commands = drive::EncodeWrite(set, options.changeBaud);
        plan.restore.eeprom = options.eeprom;
        plan.restore.changeBaud = options.changeBaud;
        plan.restore.serialBaud = std::atoi(std::string(set.SerialBaudText()).c_str());
        plan.restore.device = plan.device;
        break;
      }
      case CliCommand::Send:
        plan.sendCommands = sendCommands;
        break;
      case CliCommand::Read:
      case CliCommand::None:
        break;
    }
    if (problem) {
      result.error = *problem;
      result.plans.clear();
      return result;
    }
    result.plans.push_back(std::move(plan));
  }
  return result;
}

}  // namespace zembra::cli
