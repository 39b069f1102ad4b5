#include "cli/JobPlanner.h"

#include <QFile>
#include <QHash>
#include <cstdlib>
#include <optional>

#include "cli/FileTemplate.h"
#include "cli/SchemeBackup.h"
#include "cli/SendTask.h"
#include "common/IniStore.h"
#include "drive/SchemeCheck.h"
#include "drive/WriteEncoder.h"

namespace zembra::cli {
namespace {

// The file read as the page would load it, once every key has proved to
// mean exactly what the page would show: nothing is sent for a file that
// holds "abc", a sign where none belongs, or a number beyond its range.
std::optional<QString> LoadScheme(const QString& file, drive::SchemeUse use, bool changeBaud,
                                  drive::ParameterSet& set) {
  CIniStore store(QFile::encodeName(file).toStdString());
  if (!store.LoadExisting()) return QStringLiteral("无法读取文件 %1").arg(file);
  set = drive::ParameterSet();
  const std::optional<drive::SchemeProblem> problem = drive::CheckScheme(store, use, changeBaud, set);
  if (!problem) return std::nullopt;
  const QString reason = QString::fromStdString(problem->reason);
  if (problem->key.empty()) return QStringLiteral("%1：%2").arg(file, reason);
  const QString key = QString::fromStdString(problem->key);
  if (problem->value.empty()) return QStringLiteral("%1：“%2”：%3").arg(file, key, reason);
  return QStringLiteral("%1：“%2=%3”：%4").arg(file, key, QString::fromStdString(problem->value), reason);
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
        problem = LoadScheme(plan.file, drive::SchemeUse::Compare, false, plan.start);
        break;
      case CliCommand::Restore: {
        drive::ParameterSet set;
        problem = LoadScheme(plan.file, drive::SchemeUse::Write, options.changeBaud, set);
        if (problem) break;
        plan.restore.values = set;
        plan.restore.commands = drive::EncodeWrite(set, options.changeBaud);
        plan.restore.verify = options.verify;
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
