#include "drive/ParameterReadSequence.h"

namespace zembra::drive {
namespace {

std::uint32_t Ms(std::chrono::milliseconds d) { return static_cast<std::uint32_t>(d.count()); }

}  // namespace

ParameterReadSequence::ParameterReadSequence(TransactionEngine& engine) : m_requester(engine) {}

ParameterReadSequence::~ParameterReadSequence() {
  m_onFinished = nullptr;  // nobody to tell any more
  m_onStep = nullptr;
  if (m_running) Stop();
}

bool ParameterReadSequence::Start(StepHandler onStep, FinishHandler onFinished) {
  std::vector<int> all(static_cast<std::size_t>(StepCount()));
  for (int i = 0; i < StepCount(); ++i) all[static_cast<std::size_t>(i)] = i;
  return Start(std::move(all), std::move(onStep), std::move(onFinished));
}

bool ParameterReadSequence::Start(std::vector<int> steps, StepHandler onStep, FinishHandler onFinished) {
  if (m_running || steps.empty()) return false;
  for (int step : steps)
    if (step < 0 || step >= StepCount()) return false;
  m_running = true;
  m_steps = std::move(steps);
  m_next = 0;
  m_onStep = std::move(onStep);
  m_onFinished = std::move(onFinished);
  m_summary = {};
  m_summary.total = StepsPlanned();
  StartStep();
  return true;
}

void ParameterReadSequence::Stop() {
  if (!m_running) return;
  m_requester.Cancel();
  KillTimer(Handle(), kTimerReplyWait);
  KillTimer(Handle(), kTimerPause);
  Finish(true);
}

const ReadStep& ParameterReadSequence::Current() const {
  return ParameterTable::ReadSteps()[static_cast<std::size_t>(m_steps[static_cast<std::size_t>(m_next)])];
}

void ParameterReadSequence::StartStep() {
  const ReadStep& step = Current();
  RequestOptions options;
  options.patience = kPatience;
  m_requester.Request(std::string(step.command), std::move(options), [this](const LinkReply& r) { OnReply(r); });
}

void ParameterReadSequence::OnReply(const LinkReply& reply) {
  ReadStepResult result;
  result.index = m_steps[static_cast<std::size_t>(m_next)];
  result.step = &Current();
  switch (reply.outcome) {
    case LinkReply::Outcome::Answered:
      result.outcome = ReadStepResult::Outcome::Answered;
      result.reply = reply.text;
      result.decoded = DecodeReply(*result.step, reply.text);
      EndStep(std::move(result));
      return;
    case LinkReply::Outcome::TimedOut: {
      result.outcome = ReadStepResult::Outcome::TimedOut;
      // The link gives up after 450 ms; the step still waits out its 500.
      const auto rest = std::chrono::ceil<std::chrono::milliseconds>(reply.sentAt + kReplyWait -
                                                                      std::chrono::steady_clock::now());
      if (rest.count() > 0) {
        m_timedOutStep = std::move(result);
        SetTimer(Handle(), kTimerReplyWait, Ms(rest));
        return;
      }
      EndStep(std::move(result));
      return;
    }
    case LinkReply::Outcome::Sent:
    case LinkReply::Outcome::Refused:
      result.outcome = ReadStepResult::Outcome::Refused;
      result.refusal = reply.refusal;
      EndStep(std::move(result));
      return;
  }
}

void ParameterReadSequence::EndStep(ReadStepResult result) {
  switch (result.outcome) {
    case ReadStepResult::Outcome::Answered:
      ++m_summary.answered;
      break;
    case ReadStepResult::Outcome::TimedOut:
      m_summary.timedOut.push_back(result.step->mnemonic);
      break;
    case ReadStepResult::Outcome::Refused:
      m_summary.refused.push_back(result.step->mnemonic);
      break;
  }
  // A copy: the handler may stop the read, which drops m_onStep.
  if (StepHandler onStep = m_onStep) onStep(result);
  if (!m_running) return;  // the handler stopped the read
  ++m_next;
  SetTimer(Handle(), kTimerPause, Ms(m_pause));
}

void ParameterReadSequence::OnTimer(std::uint32_t timerId) {
  KillTimer(Handle(), timerId);
  if (!m_running) return;
  switch (timerId) {
    case kTimerReplyWait:
      EndStep(std::move(m_timedOutStep));
      return;
    case kTimerPause:
      if (m_next >= StepsPlanned()) {
        Finish(false);
      } else {
        StartStep();
      }
      return;
    default:
      return;
  }
}

void ParameterReadSequence::Finish(bool stopped) {
  m_running = false;
  m_summary.stopped = stopped;
  FinishHandler done = std::move(m_onFinished);
  m_onFinished = nullptr;
  m_onStep = nullptr;
  if (done) done(m_summary);
}

}  // namespace zembra::drive
