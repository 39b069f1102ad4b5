#pragma once
// One port's whole run: open the port, identify the drive, do the
// command's work, conclude (save the backup, compare for verify) and close
// the port. Each job has a link of its own (port, receive thread, link
// state), so jobs run side by side on the one event loop.
#include <functional>
#include <memory>

#include "cli/LinkWatch.h"
#include "cli/PortPlan.h"
#include "cli/PortReport.h"
#include "cli/PortTask.h"
#include "link/DriveHandshake.h"
#include "link/LinkRequester.h"
#include "link/TransactionEngine.h"
#include "platform/WindowRuntime.h"

namespace zembra::cli {

class PortJob : public MessageWindow {
 public:
  PortJob(PortPlan plan, std::function<void()> onProgress, std::function<void()> onFinished);
  ~PortJob() override;

  void Start();
  // SIGINT: end after the command in flight.
  void Interrupt();

  bool Finished() const { return m_phase == Phase::Done; }
  const PortReport& Report() const { return m_report; }
  QString Progress() const;

  std::intptr_t OnMessage(const WindowMessage& message) override;

 private:
  enum class Phase { Idle, Identifying, Working, Done };

  void StopIdentifying();
  void OnIdentified(const DriveIdentity& identity);
  void StartTask();
  void Conclude();
  void PortLost(const QString& reason);
  void Finish();
  void ProgressChanged();

  PortPlan m_plan;
  PortReport m_report;
  std::function<void()> m_onProgress;
  std::function<void()> m_onFinished;
  Phase m_phase = Phase::Idle;

  LinkState m_state;
  TransactionEngine m_engine{m_state};
  LinkWatch m_watch;
  // The program's own handshake, on a typed request of the job's own.
  LinkRequester m_identifying{m_engine};
  DriveHandshake m_handshake;
  std::unique_ptr<PortTask> m_task;
};

}  // namespace zembra::cli
