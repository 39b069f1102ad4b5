#pragma once
// read, backup and verify: the page's bulk read into the port's readout.
// Steps that time out are recorded and the read goes on, as the page's
// does; a drive that lets kUnansweredLimit steps in a row time out has
// stopped answering and ends the read.
#include <functional>

#include "cli/PortReport.h"
#include "cli/PortTask.h"
#include "drive/ParameterReadSequence.h"

namespace zembra::cli {

class ReadTask : public PortTask {
 public:
  ReadTask(TransactionEngine& engine, drive::ParameterSet start, PortReport& report, std::function<void()> onProgress);

  void Start(Done done) override;
  void Interrupt() override;
  void Abort(const QString& reason) override;
  QString Progress() const override;

 private:
  void OnStep(const drive::ReadStepResult& result);
  void OnFinished();

  drive::ParameterReadSequence m_read;
  drive::ParameterSet m_start;
  PortReport& m_report;
  std::function<void()> m_onProgress;
  Done m_done;
  int m_silentInARow = 0;
  bool m_interrupted = false;
};

}  // namespace zembra::cli
