#include "cli/TextReport.h"

#include <QStringList>

#include "drive/EepromSave.h"
#include "drive/ParameterTable.h"
#include "platform/Gbk.h"

namespace zembra::cli {
namespace {

using drive::ParameterTable;

void Line(std::ostream& out, const QString& text) { out << text.toStdString() << '\n'; }

QString U(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

template <class Strings>
QString Joined(const Strings& items) {
  QStringList list;
  for (const auto& item : items) list << U(item);
  return list.join(QLatin1Char(' '));
}

// The baud warning the page shows after a write with a baud change.
const QString kBaudChanged = QStringLiteral(
    "RS232和CAN的波特率都已经更改，请使用新的波特率重新打开RS232或CAN通讯设备，否则会无法通讯。");

}  // namespace

QString TextReport::StatusWord(CliCommand command, ExitStatus status) {
  switch (status) {
    case ExitStatus::Success:
      return QStringLiteral("成功");
    case ExitStatus::NotConfirmed:
      return command == CliCommand::Verify ? QStringLiteral("不一致") : QStringLiteral("未确认");
    case ExitStatus::Usage:
      return QStringLiteral("文件错误");
    case ExitStatus::NoDrive:
      return QStringLiteral("未连接");
    case ExitStatus::Interrupted:
      return QStringLiteral("已中断");
  }
  return {};
}

QString TextReport::ReplyText(const std::string& reply) {
  bool binary = false;
  for (char c : reply) binary = binary || (static_cast<unsigned char>(c) < 0x20);
  if (!binary) return FromGbk(reply);
  QStringList bytes;
  for (char c : reply) bytes << QStringLiteral("%1").arg(static_cast<unsigned char>(c), 2, 16, QLatin1Char('0')).toUpper();
  return bytes.join(QLatin1Char(' '));
}

void TextReport::Write(CliCommand command, const std::vector<PortReport>& reports, std::ostream& out,
                       std::ostream& err) {
  const bool several = reports.size() > 1;
  for (const PortReport& report : reports) {
    if (several) Line(out, QStringLiteral("== [%1] %2 ==").arg(report.index).arg(report.device));
    WriteBlock(command, report, out);
    if (report.status != ExitStatus::Success && !report.messageShown && !report.message.isEmpty())
      Line(err, QStringLiteral("zembra-cli: %1: %2").arg(report.device, report.message));
  }
  if (!several) return;
  for (const PortReport& report : reports) {
    QString line = QStringLiteral("[%1] %2\t%3 (%4)")
                       .arg(report.index)
                       .arg(report.device, StatusWord(command, report.status))
                       .arg(ExitCode(report.status));
    if (report.status != ExitStatus::Success && !report.message.isEmpty()) line += QLatin1Char('\t') + report.message;
    Line(out, line);
  }
}

void TextReport::WriteBlock(CliCommand command, const PortReport& report, std::ostream& out) {
  switch (command) {
    case CliCommand::Read:
      WriteReadout(report, out);
      break;
    case CliCommand::Backup:
      if (report.fileWritten) Line(out, QStringLiteral("方案保存成功：%1").arg(report.file));
      break;
    case CliCommand::Verify:
      for (const SchemeDifference& d : report.differences)
        Line(out, QStringLiteral("%1\t%2\t%3").arg(U(d.key), U(d.fileValue), U(d.driveValue)));
      if (!report.unverified.empty()) Line(out, QStringLiteral("未能核对：%1").arg(Joined(report.unverified)));
      if (report.status == ExitStatus::Success) Line(out, QStringLiteral("与 %1 一致").arg(report.file));
      break;
    case CliCommand::Restore:
      if (report.sent.empty()) break;
      Line(out, QStringLiteral("已发送 %1/%2 条命令").arg(report.sent.size()).arg(report.commandCount));
      if (static_cast<int>(report.sent.size()) < report.commandCount)
        Line(out, QStringLiteral("已发送的命令：%1").arg(Joined(report.sent)));
      if (!report.answeredErr.empty()) Line(out, QStringLiteral("驱动器回复ERR：%1").arg(Joined(report.answeredErr)));
      if (report.unconfirmed > 0) Line(out, QStringLiteral("未得到确认的命令：%1 条").arg(report.unconfirmed));
      if (report.baudChanged) Line(out, kBaudChanged);
      if (report.verification) Line(out, U(report.verification->Describe()));
      if (report.eeprom) Line(out, U(drive::DescribeEepromResult(*report.eeprom)));
      break;
    case CliCommand::Send:
      for (const Exchange& e : report.exchanges) {
        const QString reply = e.outcome == LinkReply::Outcome::Answered ? ReplyText(e.reply) : QStringLiteral("（无回复）");
        Line(out, QStringLiteral("%1\t%2").arg(FromGbk(e.command), reply));
      }
      break;
    case CliCommand::None:
      break;
  }
  if (command != CliCommand::Read && report.readout && !report.readout->TimedOut().empty())
    Line(out, QStringLiteral("超时：%1").arg(Joined(report.readout->TimedOut())));
}

void TextReport::WriteReadout(const PortReport& report, std::ostream& out) {
  if (!report.identified) return;
  Line(out, QStringLiteral("型号\tGDTY\t%1").arg(U(report.model)));
  Line(out, QStringLiteral("版本\tGVER\t%1").arg(U(report.version)));
  if (!report.readout) return;
  const ParameterReadout& readout = *report.readout;
  const auto steps = ParameterTable::ReadSteps();
  for (std::size_t i = 0; i < steps.size(); ++i) {
    for (drive::Field field : ParameterTable::FieldsOf(steps[i])) {
      QString value;
      switch (readout.StateOf(i)) {
        case ParameterReadout::StepState::Answered:
          value = U(readout.ShownText(field));
          break;
        case ParameterReadout::StepState::TimedOut:
          value = QStringLiteral("（超时）");
          break;
        case ParameterReadout::StepState::Refused:
        case ParameterReadout::StepState::NotRun:
          value = QStringLiteral("（未读取）");
          break;
      }
      Line(out, QStringLiteral("%1\t%2\t%3").arg(U(ParameterTable::Info(field).name), U(steps[i].mnemonic), value));
    }
  }
  if (!readout.TimedOut().empty()) Line(out, QStringLiteral("超时：%1").arg(Joined(readout.TimedOut())));
}

}  // namespace zembra::cli
