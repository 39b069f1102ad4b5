#pragma once
// One run of zembra-cli: decides everything that needs no drive (usage,
// ports, files, the page's checks) before anything is sent, then runs one
// job per port side by side on the event loop and reports when the last
// has ended.
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"
#include "cli/PortJob.h"
#include "cli/ProgressLine.h"
#include "cli/StderrPrompter.h"
#include "sim/VirtualDrive.h"

namespace zembra::cli {

struct CliStreams {
  std::ostream& out;
  std::ostream& err;
  bool progress = false;  // standard error is a terminal
  int columns = 80;
};

class CliRun {
 public:
  CliRun(CliOptions options, CliStreams streams);
  ~CliRun();
  CliRun(const CliRun&) = delete;
  CliRun& operator=(const CliRun&) = delete;

  // On the GUI thread with the event loop about to run (or running).
  void Start();
  // SIGINT: every port stops after its command in flight.
  void Interrupt();

  bool Finished() const { return m_finished; }
  ExitStatus Status() const { return m_status; }
  // Runs once, when the run has ended and its results are written.
  void SetFinishedHandler(std::function<void()> handler) { m_onFinished = std::move(handler); }

 private:
  std::optional<QStringList> Devices();
  void OnJobFinished();
  void OnProgress();
  void Refuse(ExitStatus status, const QString& error);
  void Finish(ExitStatus status);

  CliOptions m_options;
  CliStreams m_io;
  ProgressLine m_progress;
  StderrPrompter m_prompter;
  std::vector<std::unique_ptr<sim::VirtualDrive>> m_drives;  // outlive the jobs on their ptys
  std::vector<std::unique_ptr<PortJob>> m_jobs;
  bool m_starting = false;
  bool m_interrupted = false;
  bool m_finished = false;
  ExitStatus m_status = ExitStatus::Success;
  std::function<void()> m_onFinished;
};

}  // namespace zembra::cli
