#pragma once
// The Run and emergency-stop buttons without their widgets: which command
// each press sends, and how the motion and latch states and the button
// captions follow from whether the link took it. A command the link did
// not send changes nothing and is told in words: the page must never say
// "停止" for a motor that was not told to stop.
#include <QString>
#include <functional>
#include <string>

#include "link/SendResult.h"
#include "monitor/MonitorSettings.h"

namespace zembra {

class MotionController {
 public:
  // Sends one command and says what the link did with it.
  using Sender = std::function<SendResult(const std::string&)>;
  using StatusSink = std::function<void(const QString&)>;
  // Why the last press changed nothing; an empty text once a press went out.
  using RefusalSink = std::function<void(const QString&)>;

  MotionController(Sender send, StatusSink status, RefusalSink refusal);

  // Run pressed: starts the motion of `settings`, or stops the running one
  // (a speed run with "V0", whatever mode the page shows by then; a
  // position move is left to finish).
  void Run(const MonitorSettings& settings);
  // Emergency-stop pressed: latches the drive's emergency stop, or
  // releases it.
  void EmergencyStop();

  bool Running() const { return m_running; }
  bool Latched() const { return m_latched; }
  QString RunCaption() const;
  QString EmergencyCaption() const;

  static std::string RunCommand(const MonitorSettings& settings);

 private:
  // Sends `command`; on a refusal tells why, naming what the press meant.
  bool SendOrTell(const std::string& command, const QString& meaning, const QString& consequence);

  Sender m_send;
  StatusSink m_status;
  RefusalSink m_refusal;
  bool m_running = false;
  bool m_latched = false;
  RunMode m_runningMode = RunMode::Speed;
};

}  // namespace zembra
