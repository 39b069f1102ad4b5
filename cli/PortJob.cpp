#include "cli/PortJob.h"

#include <QFile>

#include "cli/ReadTask.h"
#include "cli/SchemeBackup.h"
#include "cli/SendTask.h"
#include "link/MSComm.h"
#include "platform/Gbk.h"
#include "platform/WindowMessages.h"

namespace zembra::cli {
namespace {

std::string Utf8(const std::string& gbk) { return FromGbk(gbk).toStdString(); }

QString Mnemonics(const std::vector<std::string_view>& mnemonics) {
  QStringList list;
  for (std::string_view m : mnemonics) list << QString::fromLatin1(m.data(), static_cast<qsizetype>(m.size()));
  return list.join(QLatin1Char(' '));
}

}  // namespace

PortJob::PortJob(PortPlan plan, std::function<void()> onProgress, std::function<void()> onFinished)
    : m_plan(std::move(plan)),
      m_onProgress(std::move(onProgress)),
      m_onFinished(std::move(onFinished)),
      m_handshake(
          [this](const char* command) {
            return m_identifying.RequestNow(command, [this](const LinkReply& reply) { m_handshake.TakeReply(reply); });
          },
          {.asking = nullptr,
           .versionAnswered = [](const std::string&) { return true; },
           .gaveUp = nullptr,
           .refused =
               [this](SendResult refusal) {
                 // Nobody else uses this port's link, so busy is the
                 // handshake's own query still awaited, which counts as a
                 // try; bytes that cannot be written end the job.
                 if (refusal == SendResult::NotWritten) PortLost(QStringLiteral("串口已断开，命令未能发出"));
               },
           .modelAnswered = nullptr,
           .settled = [this](const DriveIdentity& identity) { OnIdentified(identity); }}) {
  m_report.index = m_plan.index;
  m_report.device = m_plan.device;
  m_report.file = m_plan.file;
}

PortJob::~PortJob() {
  m_onFinished = nullptr;
  m_onProgress = nullptr;
  StopIdentifying();
  m_task.reset();
  m_engine.StopReceiveThread();
}

void PortJob::ProgressChanged() {
  if (m_onProgress) m_onProgress();
}

void PortJob::Start() {
  m_engine.SetOwnerWindow(Handle());
  m_engine.SetConsoleWindow(m_watch.Handle());
  if (!m_engine.OpenPort(m_plan.device, CMSComm::SettingsFor(m_plan.baud))) {
    m_report.messageShown = true;  // the port's own words went to standard error
    m_report.Fail(ExitStatus::NoDrive, m_engine.Port().LastError());
    return Finish();
  }
  if (!m_engine.StartReceiveThread()) {
    m_report.Fail(ExitStatus::NoDrive, QStringLiteral("无法启动串口的接收线程"));
    return Finish();
  }
  m_phase = Phase::Identifying;
  ProgressChanged();
  m_handshake.Start();
}

void PortJob::StopIdentifying() {
  m_handshake.Stop();
  m_identifying.Cancel();
}

void PortJob::OnIdentified(const DriveIdentity& identity) {
  if (!identity.identified) {
    m_report.Fail(ExitStatus::NoDrive, QStringLiteral("未连接驱动器：驱动器没有回答“GVER”"));
    return Finish();
  }
  m_engine.SetConnected(true);
  m_report.identified = true;
  m_report.version = Utf8(identity.version);
  m_report.model = Utf8(identity.model);
  StartTask();
}

void PortJob::StartTask() {
  auto progress = [this] { ProgressChanged(); };
  switch (m_plan.command) {
    case CliCommand::Read:
    case CliCommand::Backup:
    case CliCommand::Verify:
      m_task = std::make_unique<ReadTask>(m_engine, m_plan.start, m_report, progress);
      break;
    case CliCommand::Restore:
      m_task = std::make_unique<RestoreTask>(m_engine, m_watch, m_plan.restore, m_report, progress);
      break;
    case CliCommand::Send:
      m_task = std::make_unique<SendTask>(m_engine, m_plan.sendCommands, m_report, progress);
      break;
    case CliCommand::None:
      return Finish();
  }
  m_phase = Phase::Working;
  ProgressChanged();
  m_task->Start([this] {
    Conclude();
    Finish();
  });
}

void PortJob::Conclude() {
  if (!m_report.readout || m_report.status != ExitStatus::Success) return;
  const ParameterReadout& readout = *m_report.readout;
  const std::vector<std::string_view> timedOut = readout.TimedOut();
  switch (m_plan.command) {
    case CliCommand::Backup: {
      // Like the page, a read with silent steps is still saved; those
      // fields keep their start values, and the run says so.
      const std::string path = QFile::encodeName(m_plan.file).toStdString();
      if (std::optional<std::string> error = SchemeBackup::Write(path, readout.Values())) {
        m_report.Fail(ExitStatus::Usage, QString::fromStdString(*error));
        return;
      }
      m_report.fileWritten = true;
      break;
    }
    case CliCommand::Verify:
      m_report.differences = SchemeComparison::Compare(m_plan.start, readout);
      m_report.unverified = SchemeComparison::Unverified(readout);
      if (!m_report.differences.empty())
        m_report.Fail(ExitStatus::NotConfirmed,
                      QStringLiteral("与文件有 %1 处不同").arg(m_report.differences.size()));
      if (!m_report.unverified.empty())
        m_report.Fail(ExitStatus::NotConfirmed,
                      QStringLiteral("%1 个参数未能核对").arg(m_report.unverified.size()));
      break;
    default:
      break;
  }
  if (!timedOut.empty())
    m_report.Fail(ExitStatus::NotConfirmed, QStringLiteral("读取超时：%1").arg(Mnemonics(timedOut)));
}

void PortJob::Interrupt() {
  switch (m_phase) {
    case Phase::Identifying:
      StopIdentifying();
      m_report.Fail(ExitStatus::Interrupted, QStringLiteral("已中断"));
      return Finish();
    case Phase::Working:
      m_task->Interrupt();
      return;
    case Phase::Idle:
    case Phase::Done:
      return;
  }
}

std::intptr_t PortJob::OnMessage(const WindowMessage& message) {
  switch (message.msg) {
    case WM_PORT_LOST: {
      const QString reason = m_engine.Port().LastError();
      PortLost(reason.isEmpty() ? QStringLiteral("串口已断开") : reason);
      return 0;
    }
    default:
      return MessageWindow::OnMessage(message);
  }
}

void PortJob::PortLost(const QString& reason) {
  switch (m_phase) {
    case Phase::Identifying:
      StopIdentifying();
      m_report.Fail(ExitStatus::NoDrive, reason);
      return Finish();
    case Phase::Working:
      m_task->Abort(reason);
      return;
    case Phase::Idle:
    case Phase::Done:
      return;
  }
}

void PortJob::Finish() {
  if (m_phase == Phase::Done) return;
  m_phase = Phase::Done;
  m_engine.StopReceiveThread();
  m_engine.Port().Close();
  ProgressChanged();
  if (m_onFinished) m_onFinished();
}

QString PortJob::Progress() const {
  switch (m_phase) {
    case Phase::Idle:
      return QStringLiteral("打开串口");
    case Phase::Identifying:
      return QStringLiteral("连接驱动器");
    case Phase::Working:
      return m_task->Progress();
    case Phase::Done:
      return m_report.status == ExitStatus::Success ? QStringLiteral("完成") : QStringLiteral("失败");
  }
  return {};
}

}  // namespace zembra::cli
