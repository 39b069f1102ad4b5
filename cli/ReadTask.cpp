#include "cli/ReadTask.h"

namespace zembra::cli {

ReadTask::ReadTask(TransactionEngine& engine, drive::ParameterSet start, PortReport& report,
                   std::function<void()> onProgress)
    : m_read(engine), m_start(std::move(start)), m_report(report), m_onProgress(std::move(onProgress)) {}

void ReadTask::Start(Done done) {
  m_done = std::move(done);
  m_report.readout.emplace(m_start);
  m_read.Start([this](const drive::ReadStepResult& r) { OnStep(r); },
               [this](const drive::ReadSummary&) { OnFinished(); });
}

void ReadTask::OnStep(const drive::ReadStepResult& result) {
  m_report.readout->Apply(result);
  if (m_onProgress) m_onProgress();
  switch (result.outcome) {
    case drive::ReadStepResult::Outcome::Answered:
      m_silentInARow = 0;
      break;
    case drive::ReadStepResult::Outcome::TimedOut:
      if (++m_silentInARow >= kUnansweredLimit) {
        m_report.Fail(ExitStatus::NoDrive, QStringLiteral("驱动器停止回答：连续 %1 条读取命令没有回复").arg(m_silentInARow));
        m_read.Stop();
        return;
      }
      break;
    case drive::ReadStepResult::Outcome::Refused:
      // Nobody else shares this link: a refusal means the bytes could not
      // be written, so the port is gone.
      Abort(QStringLiteral("串口已断开，命令未能发出"));
      return;
  }
}

void ReadTask::Interrupt() {
  // The command in flight has left whole; the read goes no further. Its
  // answer is not waited for: an incomplete read is never saved anyway.
  m_interrupted = true;
  m_read.Stop();
}

void ReadTask::Abort(const QString& reason) {
  m_report.Fail(ExitStatus::NoDrive, reason);
  m_read.Stop();
}

void ReadTask::OnFinished() {
  if (m_interrupted && !m_report.readout->AllAnswered()) m_report.Fail(ExitStatus::Interrupted, QStringLiteral("已中断"));
  Done done = std::move(m_done);
  m_done = nullptr;
  if (done) done();
}

QString ReadTask::Progress() const {
  int done = 0;
  for (std::size_t i = 0; i < ParameterReadout::kSteps; ++i)
    done += m_report.readout && m_report.readout->StateOf(i) != ParameterReadout::StepState::NotRun ? 1 : 0;
  return QStringLiteral("读取参数 %1/%2").arg(done).arg(drive::ParameterReadSequence::StepCount());
}

}  // namespace zembra::cli
