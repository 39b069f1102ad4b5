#include "monitor/MotionController.h"

namespace zembra {

MotionController::MotionController(Sender send, StatusSink status, RefusalSink refusal)
    : m_send(std::move(send)), m_status(std::move(status)), m_refusal(std::move(refusal)) {}

std::string MotionController::RunCommand(const MonitorSettings& settings) {
  switch (settings.runMode) {
    case RunMode::Speed:
      return "V" + std::to_string(settings.speed) + "\r";
    case RunMode::AbsolutePosition:
      return "M" + std::to_string(settings.absoluteTarget) + "\r";
    case RunMode::RelativePosition:
      return "MR" + std::to_string(settings.relativeDistance) + "\r";
  }
  return {};
}

bool MotionController::SendOrTell(const std::string& command, const QString& meaning, const QString& consequence) {
  const SendResult sent = m_send(command);
  if (WasSent(sent)) {
    m_refusal(QString());
    return true;
  }
  const QString shown = QString::fromLatin1(command.data(), static_cast<qsizetype>(command.size())).trimmed();
  QString text = QStringLiteral("%1“%2”未能发出（%3）").arg(meaning, shown, RefusalReason(sent));
  if (!consequence.isEmpty()) text += QStringLiteral("，") + consequence;
  m_refusal(text);
  return false;
}

void MotionController::Run(const MonitorSettings& settings) {
  if (m_running) {
    // The mode the motion was started in decides: a speed run must stop
    // even when the user has since picked a position mode on the page.
    if (m_runningMode == RunMode::Speed &&
        !SendOrTell("V0\r", QStringLiteral("停止命令"), QStringLiteral("电机可能仍在运行")))
      return;
    if (m_runningMode != RunMode::Speed) m_refusal(QString());
    m_status(QStringLiteral("停止"));
    m_running = false;
    return;
  }
  if (!SendOrTell(RunCommand(settings), QStringLiteral("运行命令"), QString())) return;
  m_status(QStringLiteral("开始运行"));
  m_running = true;
  m_runningMode = settings.runMode;
}

void MotionController::EmergencyStop() {
  const bool sent = m_latched ? SendOrTell("CBS\r", QStringLiteral("解除急停命令"), QStringLiteral("急停仍然有效"))
                              : SendOrTell("SBS\r", QStringLiteral("急停命令"), QStringLiteral("急停未生效"));
  if (!sent) return;
  m_status(QStringLiteral("停止"));
  m_running = false;
  m_latched = !m_latched;
}

QString MotionController::RunCaption() const {
  return m_running ? QStringLiteral("停止") : QStringLiteral("运行");
}

QString MotionController::EmergencyCaption() const {
  return m_latched ? QStringLiteral("解除") : QStringLiteral("急停");
}

}  // namespace zembra
