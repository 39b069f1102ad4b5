#include "monitor/StepTest.h"

#include <cmath>
#include <limits>

namespace zembra {
namespace {

QString Shown(const std::string& command) {
  return QString::fromLatin1(command.data(), static_cast<qsizetype>(command.size())).trimmed();
}

QString NotSent(const std::string& command, SendResult result) {
  return QStringLiteral("“%1”未能发出（%2）").arg(Shown(command), RefusalReason(result));
}

}  // namespace

std::string StepTest::StepCommand(const StepTestSetup& setup) {
  const std::string size = std::to_string(setup.size);
  return setup.kind == StepKind::SpeedStep ? "V" + size + "\r" : "MR" + size + "\r";
}

std::string StepTest::ReturnCommand(const StepTestSetup& setup) {
  if (setup.kind == StepKind::SpeedStep) return "V0\r";
  // Check() keeps the size off INT32_MIN, so the opposite move exists.
  return "MR" + std::to_string(-static_cast<std::int64_t>(setup.size)) + "\r";
}

std::uint32_t StepTest::PreStepMs(const StepTestSetup& setup) {
  return static_cast<std::uint32_t>(static_cast<std::uint64_t>(setup.recordMs) * setup.preSharePercent / 100);
}

std::uint32_t StepTest::PostStepMs() const { return m_setup.recordMs - PreStepMs(m_setup); }

std::optional<QString> StepTest::Check(const StepTestSetup& setup, const StepTestConditions& conditions) {
  if (!conditions.connected) return QStringLiteral("请先连接驱动器");
  if (conditions.parameterOperation) return QStringLiteral("参数操作正在进行，请等其结束后再做阶跃测试");
  if (conditions.monitoring) return QStringLiteral("正在监测，请先停止监测再做阶跃测试");
  if (conditions.motorRunning) return QStringLiteral("电机正在运行，请先停止运行再做阶跃测试");
  if (conditions.maxSpeed <= 0) return QStringLiteral("最高速度未知，无法监视超速：请先读取参数");
  if (setup.size == 0) return QStringLiteral("阶跃幅值不能为0");
  if (setup.size == std::numeric_limits<std::int32_t>::min()) return QStringLiteral("阶跃幅值超出范围");
  if (setup.kind == StepKind::SpeedStep && std::abs(static_cast<std::int64_t>(setup.size)) > conditions.maxSpeed)
    return QStringLiteral("阶跃幅值超过最高速度 %1 RPM").arg(conditions.maxSpeed);
  if (setup.recordMs < kMinRecordMs || setup.recordMs > kMaxRecordMs)
    return QStringLiteral("记录时长应在 %1 到 %2 ms 之间").arg(kMinRecordMs).arg(kMaxRecordMs);
  if (setup.preSharePercent > kMaxPreSharePercent)
    return QStringLiteral("阶跃前比例应在 0 到 %1 % 之间").arg(kMaxPreSharePercent);
  return std::nullopt;
}

std::optional<QString> StepTest::Start(const StepTestSetup& setup, const StepTestConditions& conditions,
                                       std::uint32_t now) {
  if (Active()) return QStringLiteral("阶跃测试正在进行");
  if (std::optional<QString> refusal = Check(setup, conditions)) return refusal;
  m_setup = setup;
  m_conditions = conditions;
  m_phase = StepPhase::PreStep;
  m_start = m_lastHeard = now;
  m_stepAt = 0;
  m_target.reset();
  m_samples.clear();
  m_trouble.clear();
  return std::nullopt;
}

StepEvent StepTest::OnSample(double value, std::uint32_t tick) {
  if (!Active()) return StepEvent::None;
  const std::uint32_t sinceStart = tick - m_start;
  // A sample stamped before the newest one (a late delivery) would bend
  // the curve backwards and the speed estimate with it.
  if (!m_samples.empty() && sinceStart < m_samples.back().sinceStart) return StepEvent::None;
  m_samples.push_back({sinceStart, value});
  m_lastHeard = tick;
  const std::optional<double> speed = Speed();
  const double limit = kOverspeedFactor * m_conditions.maxSpeed;
  if (speed && std::abs(*speed) > limit)
    return StopAndEnd(QStringLiteral("速度 %1 RPM 超过最高速度的1.2倍（%2 RPM）")
                          .arg(std::lround(*speed))
                          .arg(std::lround(limit)));
  // The recording is whole once the answers cover it, however late the
  // window gets to them.
  if (m_phase == StepPhase::Recording && sinceStart - m_stepAt >= PostStepMs()) return SendReturn();
  return StepEvent::None;
}

StepEvent StepTest::Tick(std::uint32_t now) {
  if (!Active()) return StepEvent::None;
  // Signed, so a sample stamped a moment after `now` is not a silence of
  // four billion milliseconds.
  const std::int32_t silent = static_cast<std::int32_t>(now - m_lastHeard);
  if (silent >= static_cast<std::int32_t>(kSilenceMs))
    return StopAndEnd(QStringLiteral("驱动器 %1 ms 没有应答").arg(silent));
  const std::uint32_t sinceStart = now - m_start;
  if (m_phase == StepPhase::PreStep) {
    // The figures and a move's target need the level before the step, so
    // the step waits for at least one sample.
    if (sinceStart >= PreStepMs(m_setup) && !m_samples.empty()) return SendStep(now);
    return StepEvent::None;
  }
  // Answers normally end the recording (OnSample); the clock ends it when
  // they lag far behind, so the motor is never left turning for long.
  if (sinceStart - m_stepAt >= PostStepMs() + kLagMs) return SendReturn();
  return StepEvent::None;
}

StepEvent StepTest::Abort(const QString& reason, bool stopMotor) {
  if (!Active()) return StepEvent::None;
  if (stopMotor) return StopAndEnd(reason);
  m_phase = StepPhase::Aborted;
  m_trouble = QStringLiteral("阶跃测试已中止：") + reason;
  return StepEvent::Aborted;
}

StepEvent StepTest::SendStep(std::uint32_t now) {
  const std::string command = StepCommand(m_setup);
  const SendResult sent = m_send(command);
  if (!WasSent(sent)) {
    // Nothing moved on our behalf: there is nothing to stop.
    m_phase = StepPhase::Aborted;
    m_trouble = QStringLiteral("阶跃测试已中止：阶跃命令") + NotSent(command, sent);
    return StepEvent::Aborted;
  }
  m_stepAt = now - m_start;
  m_target = m_setup.kind == StepKind::SpeedStep ? static_cast<double>(m_setup.size)
                                                 : MeanBeforeStep() + static_cast<double>(m_setup.size);
  m_phase = StepPhase::Recording;
  return StepEvent::StepSent;
}

StepEvent StepTest::SendReturn() {
  const std::string command = ReturnCommand(m_setup);
  const SendResult sent = m_send(command);
  m_phase = StepPhase::Done;
  // The recording is whole, so the run keeps its figures; the user must
  // still learn that the motor was not sent back.
  if (!WasSent(sent)) m_trouble = QStringLiteral("返回命令") + NotSent(command, sent) + QStringLiteral("，电机可能仍在运行");
  return StepEvent::Finished;
}

StepEvent StepTest::StopAndEnd(const QString& reason) {
  const SendResult sent = m_send("V0\r");
  m_phase = StepPhase::Aborted;
  m_trouble = QStringLiteral("阶跃测试已中止：") + reason;
  m_trouble += WasSent(sent) ? QStringLiteral("，已发送V0停止电机")
                             : QStringLiteral("；停止命令") + NotSent("V0", sent) + QStringLiteral("，电机可能仍在运行");
  return StepEvent::Aborted;
}

std::optional<double> StepTest::Speed() const {
  if (m_samples.empty()) return std::nullopt;
  if (m_setup.kind == StepKind::SpeedStep) return m_samples.back().value;
  // A move is watched by its position: the speed between the two newest
  // samples, counts per ms to turns per minute.
  if (m_samples.size() < 2 || m_conditions.encoderResolution <= 0) return std::nullopt;
  const Sample& a = m_samples[m_samples.size() - 2];
  const Sample& b = m_samples.back();
  const std::uint32_t dt = b.sinceStart - a.sinceStart;
  if (dt == 0) return std::nullopt;
  return (b.value - a.value) / dt * 60000.0 / m_conditions.encoderResolution;
}

double StepTest::MeanBeforeStep() const {
  double sum = 0.0;
  int n = 0;
  for (const Sample& s : m_samples) {
    sum += s.value;
    ++n;
  }
  return n ? sum / n : 0.0;
}

std::vector<TimedValue> StepTest::SamplesFromStep() const {
  std::vector<TimedValue> out;
  out.reserve(m_samples.size());
  const double step = m_phase == StepPhase::PreStep ? PreStepMs(m_setup) : m_stepAt;
  for (const Sample& s : m_samples) out.push_back({static_cast<double>(s.sinceStart) - step, s.value});
  return out;
}

std::optional<TimedValue> StepTest::Newest() const {
  if (m_samples.empty()) return std::nullopt;
  const double step = m_phase == StepPhase::PreStep ? PreStepMs(m_setup) : m_stepAt;
  return TimedValue{static_cast<double>(m_samples.back().sinceStart) - step, m_samples.back().value};
}

StepFigures StepTest::Figures() const {
  const std::vector<TimedValue> samples = SamplesFromStep();
  return StepResponse::Analyse(samples, StepSetup{0.0, m_target.value_or(0.0), std::nullopt});
}

}  // namespace zembra
