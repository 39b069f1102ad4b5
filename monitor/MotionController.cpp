#include "monitor/MotionController.h"

namespace zembra {

MotionController::MotionController(Sender send, StatusSink status)
    : m_send(std::move(send)), m_status(std::move(status)) {}

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

void MotionController::Run(const MonitorSettings& settings) {
  if (m_running) {
    // The mode the motion was started in decides: a speed run must stop
    // even when the user has since picked a position mode on the page.
    if (m_runningMode == RunMode::Speed) m_send("V0\r");
    m_status(QStringLiteral("停止"));
    m_running = false;
    return;
  }
  if (!m_send(RunCommand(settings))) return;
  m_status(QStringLiteral("开始运行"));
  m_running = true;
  m_runningMode = settings.runMode;
}

void MotionController::EmergencyStop() {
  if (!m_send(m_latched ? "CBS\r" : "SBS\r")) return;
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
