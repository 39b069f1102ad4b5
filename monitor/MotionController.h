#pragma once
// The Run and emergency-stop buttons without their widgets: which command
// each press sends, and how the motion and latch states and the button
// captions follow from whether the link took it.
#include <QString>
#include <functional>
#include <string>

#include "monitor/MonitorSettings.h"

namespace zembra {

class MotionController {
 public:
  // Sends one command; true when the link accepted it.
  using Sender = std::function<bool(const std::string&)>;
  using StatusSink = std::function<void(const QString&)>;

  MotionController(Sender send, StatusSink status);

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
  Sender m_send;
  StatusSink m_status;
  bool m_running = false;
  bool m_latched = false;
  RunMode m_runningMode = RunMode::Speed;
};

}  // namespace zembra
