#include "drive/CommandSequence.h"

#include "link/ReplyText.h"

namespace zembra::drive {

CommandSequence::CommandSequence(TransactionEngine& engine) : m_engine(engine), m_requester(engine) {}

CommandSequence::~CommandSequence() {
  m_onFinished = nullptr;
  m_onStep = nullptr;
  if (m_running) Stop();
}

bool CommandSequence::Start(std::vector<DriveCommand> commands, StepHandler onStep, FinishHandler onFinished) {
  if (m_running) return false;
  m_commands = std::move(commands);
  m_onStep = std::move(onStep);
  m_onFinished = std::move(onFinished);
  m_summary = {};
  m_summary.total = StepCount();
  m_next = 0;
  m_running = true;
  if (m_commands.empty()) {
    Finish(false);
    return true;
  }
  StartStep();
  return true;
}

void CommandSequence::Stop() {
  if (!m_running) return;
  m_requester.Cancel();
  KillTimer(Handle(), kTimerPause);
  Finish(true);
}

void CommandSequence::StartStep() {
  m_inPause = false;
  const int index = m_next;
  RequestOptions options;
  options.echo = true;
  options.patience = kPatience;
  options.onSent = [this, index] { OnSent(index); };
  // The previous command's request was given up before this step, so the
  // requester is free; were it not, the command counts as refused and the
  // write goes on, as with any refusal.
  if (!m_requester.Request(m_commands[static_cast<std::size_t>(index)].text, std::move(options),
                           [this](const LinkReply& reply) { OnAnswer(reply); }))
    OnAnswer(LinkReply::RefusedFor(SendResult::Busy));
}

void CommandSequence::OnSent(int index) {
  const DriveCommand& command = m_commands[static_cast<std::size_t>(index)];
  ++m_summary.sent;
  CommandResult result{&command, index, true, SendResult::Sent};
  // The drive needs its pause after it has the whole command, whatever
  // the answer; the write returns while the bytes are still on the line.
  m_inPause = true;
  SetTimer(Handle(), kTimerPause, PauseAfterSending(command));
  if (StepHandler onStep = m_onStep) onStep(result);
}

void CommandSequence::OnAnswer(const LinkReply& reply) {
  if (!m_running) return;
  const DriveCommand& command = m_commands[static_cast<std::size_t>(m_next)];
  switch (reply.outcome) {
    case LinkReply::Outcome::Answered:
      if (ContainsErr(reply.text)) m_summary.answeredError.push_back(command.mnemonic);
      return;
    case LinkReply::Outcome::TimedOut:
    case LinkReply::Outcome::Sent:
      return;
    case LinkReply::Outcome::Refused: {
      m_summary.refused.push_back(command.mnemonic);
      CommandResult result{&command, m_next, false, reply.refusal};
      m_inPause = true;
      SetTimer(Handle(), kTimerPause, static_cast<std::uint32_t>(command.pauseAfter.count()));
      if (StepHandler onStep = m_onStep) onStep(result);
      return;
    }
  }
}

void CommandSequence::OnTimer(std::uint32_t timerId) {
  KillTimer(Handle(), timerId);
  if (!m_running || timerId != kTimerPause || !m_inPause) return;
  // An answer still outstanding after the pause is given up, so the next
  // command goes out on time.
  m_requester.Cancel();
  ++m_next;
  if (m_next >= StepCount()) {
    Finish(false);
  } else {
    StartStep();
  }
}

std::uint32_t CommandSequence::PauseAfterSending(const DriveCommand& command) const {
  const auto onLine = std::chrono::ceil<std::chrono::milliseconds>(m_engine.WireTime(command.text.size()));
  return static_cast<std::uint32_t>((command.pauseAfter + onLine).count());
}

void CommandSequence::Finish(bool stopped) {
  m_running = false;
  m_inPause = false;
  m_summary.stopped = stopped;
  FinishHandler done = std::move(m_onFinished);
  m_onFinished = nullptr;
  m_onStep = nullptr;
  if (done) done(m_summary);
}

}  // namespace zembra::drive
