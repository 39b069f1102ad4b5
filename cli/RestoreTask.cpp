#include "cli/RestoreTask.h"

#include <algorithm>

#include "drive/WriteVerification.h"
#include "link/MSComm.h"

namespace zembra::cli {

using Clock = std::chrono::steady_clock;

RestoreTask::RestoreTask(TransactionEngine& engine, const LinkWatch& watch, RestorePlan plan, PortReport& report,
                         std::function<void()> onProgress)
    : m_engine(engine),
      m_watch(watch),
      m_write(engine),
      m_readBack(engine),
      m_save(engine),
      m_plan(std::move(plan)),
      m_report(report),
      m_onProgress(std::move(onProgress)) {}

bool RestoreTask::IsBaudCommand(const drive::DriveCommand& command) {
  // After "BAUD" the drive may already speak the new rate: neither baud
  // command can be confirmed at the old one.
  return command.field == drive::Field::SerialBaud || command.field == drive::Field::CanBaud;
}

void RestoreTask::Start(Done done) {
  m_done = std::move(done);
  m_phase = Phase::Writing;
  m_report.commandCount = static_cast<int>(m_plan.commands.size());
  m_startedAt = Clock::now();
  m_repliesAtStart = m_repliesSeen = m_watch.Replies();
  m_write.Start(m_plan.commands, [this](const drive::CommandResult& r) { OnStep(r); },
                [this](const drive::CommandSummary& s) { OnWritten(s); });
}

bool RestoreTask::DriveWentQuiet() const {
  const Clock::time_point since = std::max(m_watch.LastReplyAt(), m_startedAt);
  return m_unansweredInARow >= kUnansweredLimit && Clock::now() - since >= kQuietFor;
}

void RestoreTask::OnStep(const drive::CommandResult& result) {
  if (!result.sent) {
    // Nobody else shares this link: the bytes could not be written.
    Abort(QStringLiteral("串口已断开，命令未能发出"));
    return;
  }
  const drive::DriveCommand& command = *result.command;
  m_report.sent.push_back(command.text.substr(0, command.text.find('\r')));
  if (m_onProgress) m_onProgress();
  if (IsBaudCommand(command)) return;
  const std::uint64_t replies = m_watch.Replies();
  if (replies != m_repliesSeen) m_unansweredInARow = 0;
  m_repliesSeen = replies;
  // This command's answer cannot have arrived yet; the run before it is
  // what the drive left unanswered.
  if (DriveWentQuiet()) {
    m_report.Fail(ExitStatus::NoDrive, QStringLiteral("驱动器停止回答：连续 %1 条命令没有回复").arg(m_unansweredInARow));
    m_aborted = true;
    m_write.Stop();
    return;
  }
  ++m_unansweredInARow;
  ++m_confirmable;
}

int RestoreTask::Unconfirmed() const {
  // Replies to the baud commands, if any came, cannot be told apart; they
  // are few and late, and never make the count exceed the commands sent.
  const auto replies = static_cast<int>(m_watch.Replies() - m_repliesAtStart);
  return std::max(0, m_confirmable - replies);
}

void RestoreTask::OnWritten(const drive::CommandSummary& summary) {
  for (std::string_view mnemonic : summary.answeredError) m_report.answeredErr.emplace_back(mnemonic);
  m_report.unconfirmed = Unconfirmed();
  if (m_aborted) return Finish();
  if (summary.stopped) {
    m_report.Fail(ExitStatus::Interrupted,
                  QStringLiteral("已中断：已发送 %1/%2 条命令").arg(m_report.sent.size()).arg(m_report.commandCount));
    return Finish();
  }
  if (!summary.Complete()) {
    m_report.Fail(ExitStatus::NotConfirmed, QStringLiteral("%1 条命令未能发出").arg(summary.refused.size()));
    return Finish();
  }
  if (m_report.unconfirmed == 0) return Conclude();
  m_phase = Phase::AwaitingLateReplies;
  m_lateWaitEnds = Clock::now() + kLateReplyWait;
  SetTimer(Handle(), kTimerLateReplies, kLateReplyPollMs);
}

void RestoreTask::OnTimer(std::uint32_t timerId) {
  if (timerId != kTimerLateReplies) return;
  m_report.unconfirmed = Unconfirmed();
  if (m_phase != Phase::AwaitingLateReplies) {
    KillTimer(Handle(), timerId);
    return;
  }
  if (m_report.unconfirmed > 0 && Clock::now() < m_lateWaitEnds) return;
  KillTimer(Handle(), timerId);
  if (m_report.unconfirmed > 0 && m_watch.Replies() == m_repliesSeen && m_unansweredInARow >= kUnansweredLimit) {
    m_report.Fail(ExitStatus::NoDrive, QStringLiteral("驱动器停止回答：最后 %1 条命令没有回复").arg(m_unansweredInARow));
    return Finish();
  }
  Conclude();
}

void RestoreTask::Conclude() {
  if (m_plan.changeBaud) m_report.baudChanged = true;
  if (!m_report.answeredErr.empty() || m_report.unconfirmed > 0) {
    QString why = !m_report.answeredErr.empty()
                      ? QStringLiteral("驱动器拒绝了 %1 条命令").arg(m_report.answeredErr.size())
                      : QStringLiteral("%1 条命令未得到驱动器确认").arg(m_report.unconfirmed);
    // Storing a partly taken write would make it survive a power cycle.
    if (m_plan.eeprom) why += QStringLiteral("，未保存至EEPROM");
    m_report.Fail(ExitStatus::NotConfirmed, why);
    return Finish();
  }
  if (!m_plan.eeprom && !m_plan.verify) return Finish();
  if (m_interrupted) {
    m_report.Fail(ExitStatus::Interrupted, m_plan.eeprom ? QStringLiteral("已中断：写入已完成，未保存至EEPROM")
                                                         : QStringLiteral("已中断：写入已完成，未校验"));
    return Finish();
  }
  // After "BAUD" the drive speaks the new rate.
  if (m_plan.changeBaud && !m_engine.OpenPort(m_plan.device, CMSComm::SettingsFor(m_plan.serialBaud))) {
    m_report.messageShown = true;  // the port said why
    m_report.Fail(ExitStatus::NoDrive, m_engine.Port().LastError());
    return Finish();
  }
  if (m_plan.verify) return StartVerification();
  Store();
}

void RestoreTask::StartVerification() {
  const std::vector<bool> sent(m_plan.commands.size(), true);
  m_readout.emplace(m_plan.values);
  m_phase = Phase::Verifying;
  if (m_onProgress) m_onProgress();
  const bool started = m_readBack.Start(
      drive::WriteVerification::ReadBackSteps(m_plan.commands, sent),
      [this](const drive::ReadStepResult& step) {
        m_readout->Apply(step);
        if (step.outcome == drive::ReadStepResult::Outcome::Refused && step.refusal == SendResult::NotWritten)
          Abort(QStringLiteral("串口已断开，参数未能读回"));
        if (m_onProgress) m_onProgress();
      },
      [this](const drive::ReadSummary& summary) { OnVerified(summary); });
  if (!started) {
    m_report.Fail(ExitStatus::NotConfirmed, QStringLiteral("没有可校验的参数"));
    Finish();
  }
}

void RestoreTask::OnVerified(const drive::ReadSummary& summary) {
  if (m_aborted) return Finish();
  if (summary.stopped) {
    m_report.Fail(ExitStatus::Interrupted, QStringLiteral("已中断：写入已完成，校验未完成"));
    return Finish();
  }
  const std::vector<bool> sent(m_plan.commands.size(), true);
  m_report.verification = drive::WriteVerification::Judge(m_plan.values, m_plan.commands, sent, *m_readout);
  if (!m_report.verification->Passed()) {
    QString why = QString::fromStdString(m_report.verification->Describe());
    // Storing values the drive does not hold as sent would make them survive a power cycle.
    if (m_plan.eeprom) why += QStringLiteral("，未保存至EEPROM");
    m_report.Fail(ExitStatus::NotConfirmed, why);
    return Finish();
  }
  if (!m_plan.eeprom) return Finish();
  if (m_interrupted) {
    m_report.Fail(ExitStatus::Interrupted, QStringLiteral("已中断：写入已校验，未保存至EEPROM"));
    return Finish();
  }
  Store();
}

void RestoreTask::Store() {
  m_phase = Phase::Saving;
  if (m_onProgress) m_onProgress();
  m_save.Start([this](const drive::EepromResult& r) { OnSaved(r); });
}

void RestoreTask::OnSaved(const drive::EepromResult& result) {
  m_report.eeprom = result;
  if (result.outcome == drive::EepromResult::Outcome::Refused && result.refusal == SendResult::NotWritten) {
    m_report.Fail(ExitStatus::NoDrive, QStringLiteral("串口已断开，“ESA”未能发出"));
  } else if (result.outcome != drive::EepromResult::Outcome::Stored) {
    m_report.Fail(ExitStatus::NotConfirmed, QString::fromStdString(drive::DescribeEepromResult(result)));
  }
  Finish();
}

void RestoreTask::Interrupt() {
  m_interrupted = true;
  // The command in flight has already left; the rest is not sent. An
  // EEPROM save in progress is let finish: stopping it would leave nobody
  // knowing whether the drive stored.
  if (m_phase == Phase::Writing) m_write.Stop();
  if (m_phase == Phase::Verifying) m_readBack.Stop();
}

void RestoreTask::Abort(const QString& reason) {
  m_report.Fail(ExitStatus::NoDrive, reason);
  m_aborted = true;
  switch (m_phase) {
    case Phase::Writing:
      m_write.Stop();
      return;
    case Phase::AwaitingLateReplies:
      KillTimer(Handle(), kTimerLateReplies);
      Finish();
      return;
    case Phase::Verifying:
      m_readBack.Stop();
      return;
    case Phase::Saving:
      m_save.Stop();
      Finish();
      return;
    case Phase::Idle:
    case Phase::Done:
      return;
  }
}

void RestoreTask::Finish() {
  m_phase = Phase::Done;
  Done done = std::move(m_done);
  m_done = nullptr;
  if (done) done();
}

QString RestoreTask::Progress() const {
  if (m_phase == Phase::Saving) return QStringLiteral("保存至EEPROM");
  if (m_phase == Phase::Verifying)
    return QStringLiteral("校验参数 %1/%2").arg(m_readBack.StepsDone()).arg(m_readBack.StepsPlanned());
  return QStringLiteral("写入参数 %1/%2").arg(m_report.sent.size()).arg(m_plan.commands.size());
}

}  // namespace zembra::cli
