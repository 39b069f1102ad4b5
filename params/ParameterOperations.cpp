#include "params/ParameterOperations.h"

namespace zembra {

ParameterOperations::ParameterOperations(TransactionEngine& engine)
    : m_engine(engine), m_read(engine), m_write(engine), m_eeprom(engine), m_single(engine) {}

ParameterOperations::~ParameterOperations() { StopAll(); }

QString ParameterOperations::BusyText(Kind kind) {
  switch (kind) {
    case Kind::Read: return QStringLiteral("正在获取参数");
    case Kind::Write: return QStringLiteral("正在写入参数");
    case Kind::Verify: return QStringLiteral("正在校验参数");
    case Kind::EepromSave: return QStringLiteral("正在保存至EEPROM");
    case Kind::FactoryReset: return QStringLiteral("正在恢复出厂设置");
    case Kind::PhaseInit: return QStringLiteral("正在初始化相位");
    case Kind::None: break;
  }
  return {};
}

bool ParameterOperations::Connected() const { return m_engine.State().connected.load(); }

bool ParameterOperations::EndsOperation(SendResult refusal) {
  return refusal == SendResult::NotWritten || refusal == SendResult::Monitoring;
}

ParameterOperations::StartResult ParameterOperations::CanStart(bool needsConnection) const {
  if (needsConnection && !Connected()) return StartResult::NotConnected;
  if (m_running != Kind::None) return StartResult::Busy;
  return StartResult::Started;
}

ParameterOperations::StartResult ParameterOperations::StartRead(ReadStepHandler onStep, ReadFinishHandler onFinished) {
  const StartResult can = CanStart(true);
  if (can != StartResult::Started) return can;
  BeginRead(Kind::Read, {}, std::move(onStep), std::move(onFinished));
  return StartResult::Started;
}

ParameterOperations::StartResult ParameterOperations::StartVerify(std::vector<int> steps, ReadStepHandler onStep,
                                                                  ReadFinishHandler onFinished) {
  const StartResult can = CanStart(true);
  if (can != StartResult::Started) return can;
  BeginRead(Kind::Verify, std::move(steps), std::move(onStep), std::move(onFinished));
  return StartResult::Started;
}

void ParameterOperations::BeginRead(Kind kind, std::vector<int> steps, ReadStepHandler onStep,
                                    ReadFinishHandler onFinished) {
  m_running = kind;
  if (steps.empty()) {
    steps.resize(static_cast<std::size_t>(drive::ParameterReadSequence::StepCount()));
    for (std::size_t i = 0; i < steps.size(); ++i) steps[i] = static_cast<int>(i);
  }
  m_read.Start(
      std::move(steps),
      [this, onStep = std::move(onStep)](const drive::ReadStepResult& step) {
        if (onStep) onStep(step);
        if (step.outcome == drive::ReadStepResult::Outcome::Refused && EndsOperation(step.refusal)) m_read.Stop();
      },
      [this, onFinished = std::move(onFinished)](const drive::ReadSummary& summary) {
        m_running = Kind::None;
        if (!m_quiet && onFinished) onFinished(summary);
      });
}

ParameterOperations::StartResult ParameterOperations::StartWrite(std::vector<drive::DriveCommand> commands,
                                                                 WriteStepHandler onStep,
                                                                 WriteFinishHandler onFinished) {
  const StartResult can = CanStart(true);
  if (can != StartResult::Started) return can;
  m_running = Kind::Write;
  if (m_writePause)
    for (drive::DriveCommand& command : commands)
      if (command.pauseAfter.count() > 0) command.pauseAfter = *m_writePause;
  m_write.Start(
      std::move(commands),
      [this, onStep = std::move(onStep)](const drive::CommandResult& result) {
        if (onStep) onStep(result);
        if (!result.sent && EndsOperation(result.refusal)) m_write.Stop();
      },
      [this, onFinished = std::move(onFinished)](const drive::CommandSummary& summary) {
        m_running = Kind::None;
        if (!m_quiet && onFinished) onFinished(summary);
      });
  return StartResult::Started;
}

ParameterOperations::StartResult ParameterOperations::StartEepromSave(EepromFinishHandler onFinished) {
  const StartResult can = CanStart(true);
  if (can != StartResult::Started) return can;
  m_running = Kind::EepromSave;
  m_eeprom.Start([this, onFinished = std::move(onFinished)](const drive::EepromResult& result) {
    m_running = Kind::None;
    if (onFinished) onFinished(result);
  });
  return StartResult::Started;
}

ParameterOperations::StartResult ParameterOperations::StartFactoryReset(ReplyHandler onReset, ReadStepHandler onStep,
                                                                        ReadFinishHandler onFinished) {
  const StartResult can = CanStart(true);
  if (can != StartResult::Started) return can;
  m_running = Kind::FactoryReset;
  RequestOptions options;
  options.patience = kPatience;
  // The drive's answer is awaited, so the first read does not meet it.
  m_single.Request("FCFG\r", std::move(options),
                   [this, onReset = std::move(onReset), onStep = std::move(onStep),
                    onFinished = std::move(onFinished)](const LinkReply& reply) mutable {
                     m_running = Kind::None;
                     if (onReset) onReset(reply);
                     if (m_running == Kind::None) BeginRead(Kind::Read, {}, std::move(onStep), std::move(onFinished));
                   });
  return StartResult::Started;
}

ParameterOperations::StartResult ParameterOperations::StartPhaseInit(ReplyHandler onDone) {
  const StartResult can = CanStart(false);
  if (can != StartResult::Started) return can;
  m_running = Kind::PhaseInit;
  RequestOptions options;
  options.patience = kPatience;
  m_single.Request("CPA\r", std::move(options), [this, onDone = std::move(onDone)](const LinkReply& reply) {
    m_running = Kind::None;
    if (onDone) onDone(reply);
  });
  return StartResult::Started;
}

void ParameterOperations::SetPauses(std::chrono::milliseconds read, std::chrono::milliseconds write) {
  m_read.SetPause(read);
  m_writePause = write;
}

void ParameterOperations::StopAll() {
  m_quiet = true;
  m_read.Stop();
  m_write.Stop();
  m_eeprom.Stop();
  m_single.Cancel();
  m_running = Kind::None;
  m_quiet = false;
}

}  // namespace zembra
