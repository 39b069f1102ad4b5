#include "cli/JsonReport.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "cli/TextReport.h"
#include "drive/ParameterTable.h"
#include "platform/Gbk.h"

namespace zembra::cli {
namespace {

QString U(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

template <class List>
QJsonArray Strings(const List& items) {
  QJsonArray array;
  for (const auto& item : items) array.append(U(item));
  return array;
}

QString OutcomeName(LinkReply::Outcome outcome) {
  switch (outcome) {
    case LinkReply::Outcome::Answered: return QStringLiteral("answered");
    case LinkReply::Outcome::TimedOut: return QStringLiteral("timedOut");
    case LinkReply::Outcome::Sent: return QStringLiteral("sent");
    case LinkReply::Outcome::Refused: return QStringLiteral("refused");
  }
  return {};
}

QString EepromName(drive::EepromResult::Outcome outcome) {
  switch (outcome) {
    case drive::EepromResult::Outcome::Stored: return QStringLiteral("stored");
    case drive::EepromResult::Outcome::DriveError: return QStringLiteral("driveError");
    case drive::EepromResult::Outcome::NoAnswer: return QStringLiteral("noAnswer");
    case drive::EepromResult::Outcome::Refused: return QStringLiteral("refused");
  }
  return {};
}

QString StateName(drive::ParameterReadout::StepState state) {
  switch (state) {
    case drive::ParameterReadout::StepState::Answered: return QStringLiteral("answered");
    case drive::ParameterReadout::StepState::TimedOut: return QStringLiteral("timedOut");
    case drive::ParameterReadout::StepState::Refused: return QStringLiteral("refused");
    case drive::ParameterReadout::StepState::NotRun: return QStringLiteral("notRun");
  }
  return {};
}

// Both sides of every parameter: what the page would show, and what the
// drive answered, so a script can tell "GLR answered 1" from 正转.
QJsonArray Readout(const drive::ParameterReadout& readout) {
  QJsonArray entries;
  const auto steps = drive::ParameterTable::ReadSteps();
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const bool answered = readout.StateOf(i) == drive::ParameterReadout::StepState::Answered;
    for (drive::Field field : drive::ParameterTable::FieldsOf(steps[i])) {
      entries.append(QJsonObject{
          {QStringLiteral("read"), U(steps[i].mnemonic)},
          {QStringLiteral("name"), U(drive::ParameterTable::Info(field).name)},
          {QStringLiteral("state"), StateName(readout.StateOf(i))},
          {QStringLiteral("shown"), answered && readout.Held(field) ? QJsonValue(U(readout.ShownText(field))) : QJsonValue()},
          {QStringLiteral("reply"), answered ? QJsonValue(TextReport::ReplyText(readout.ReplyOf(i))) : QJsonValue()}});
    }
  }
  return entries;
}

QJsonObject Verification(const drive::VerificationResult& result) {
  QJsonArray differences;
  for (const drive::VerifiedDifference& d : result.differences)
    differences.append(QJsonObject{{QStringLiteral("name"), U(d.name)},
                                   {QStringLiteral("written"), U(d.written)},
                                   {QStringLiteral("drive"), U(d.drive)}});
  return {{QStringLiteral("passed"), result.Passed()},
          {QStringLiteral("checked"), result.checked},
          {QStringLiteral("verified"), result.verified},
          {QStringLiteral("differences"), differences},
          {QStringLiteral("unread"), Strings(result.unread)}};
}

}  // namespace

QJsonObject JsonReport::Document(CliCommand command, const std::vector<PortReport>& reports, ExitStatus status) {
  QJsonArray ports;
  for (const PortReport& report : reports) ports.append(Port(command, report));
  return {{QStringLiteral("command"), CliOptions::CommandName(command)},
          {QStringLiteral("status"), ExitCode(status)},
          {QStringLiteral("ports"), ports}};
}

QJsonObject JsonReport::Refusal(CliCommand command, ExitStatus status, const QString& error) {
  return {{QStringLiteral("command"), CliOptions::CommandName(command)},
          {QStringLiteral("status"), ExitCode(status)},
          {QStringLiteral("error"), error},
          {QStringLiteral("ports"), QJsonArray()}};
}

void JsonReport::Write(const QJsonObject& document, std::ostream& out) {
  out << QJsonDocument(document).toJson(QJsonDocument::Indented).toStdString();
}

QJsonObject JsonReport::Port(CliCommand command, const PortReport& report) {
  QJsonObject port{{QStringLiteral("index"), report.index},
                   {QStringLiteral("port"), report.device},
                   {QStringLiteral("status"), ExitCode(report.status)},
                   {QStringLiteral("result"), TextReport::StatusWord(command, report.status)},
                   {QStringLiteral("message"), report.message},
                   {QStringLiteral("model"), !report.model.empty() ? QJsonValue(U(report.model)) : QJsonValue()},
                   {QStringLiteral("version"), report.identified ? QJsonValue(U(report.version)) : QJsonValue()}};
  if (!report.file.isEmpty()) port.insert(QStringLiteral("file"), report.file);
  if (report.readout) {
    const ParameterReadout& readout = *report.readout;
    QJsonObject parameters;
    const auto steps = drive::ParameterTable::ReadSteps();
    for (std::size_t i = 0; i < steps.size(); ++i)
      if (readout.StateOf(i) == ParameterReadout::StepState::Answered)
        parameters.insert(U(steps[i].mnemonic), readout.JsonValue(i));
    port.insert(QStringLiteral("parameters"), parameters);
    port.insert(QStringLiteral("readout"), Readout(readout));
    port.insert(QStringLiteral("timedOut"), Strings(readout.TimedOut()));
    port.insert(QStringLiteral("answeredErr"), Strings(readout.AnsweredErr()));
  }
  switch (command) {
    case CliCommand::Backup:
      port.insert(QStringLiteral("saved"), report.fileWritten);
      break;
    case CliCommand::Verify: {
      QJsonArray differences;
      for (const SchemeDifference& d : report.differences)
        differences.append(QJsonObject{{QStringLiteral("key"), U(d.key)},
                                       {QStringLiteral("file"), U(d.fileValue)},
                                       {QStringLiteral("drive"), U(d.driveValue)}});
      port.insert(QStringLiteral("differences"), differences);
      port.insert(QStringLiteral("unverified"), Strings(report.unverified));
      break;
    }
    case CliCommand::Restore:
      port.insert(QStringLiteral("commands"), report.commandCount);
      port.insert(QStringLiteral("sent"), Strings(report.sent));
      port.insert(QStringLiteral("unconfirmed"), report.unconfirmed);
      port.insert(QStringLiteral("answeredErr"), Strings(report.answeredErr));
      port.insert(QStringLiteral("baudChanged"), report.baudChanged);
      port.insert(QStringLiteral("eeprom"), report.eeprom ? QJsonValue(EepromName(report.eeprom->outcome)) : QJsonValue());
      port.insert(QStringLiteral("verification"), report.verification ? Verification(*report.verification) : QJsonValue());
      break;
    case CliCommand::Send: {
      QJsonArray replies;
      for (const Exchange& e : report.exchanges)
        replies.append(QJsonObject{
            {QStringLiteral("command"), FromGbk(e.command)},
            {QStringLiteral("outcome"), OutcomeName(e.outcome)},
            {QStringLiteral("reply"),
             e.outcome == LinkReply::Outcome::Answered ? QJsonValue(TextReport::ReplyText(e.reply)) : QJsonValue()}});
      port.insert(QStringLiteral("replies"), replies);
      break;
    }
    case CliCommand::Read:
    case CliCommand::None:
      break;
  }
  return port;
}

}  // namespace zembra::cli
