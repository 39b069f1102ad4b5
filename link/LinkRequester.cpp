#include "link/LinkRequester.h"

#include "link/FrameType.h"
#include "link/ReplyTimer.h"
#include "platform/WindowMessages.h"

namespace zembra {

LinkRequester::LinkRequester(TransactionEngine& engine) : m_engine(engine) {}

LinkRequester::~LinkRequester() { Cancel(); }

bool LinkRequester::Request(std::string command, RequestOptions options, Completion done) {
  if (Pending()) return false;
  Begin(std::move(command), true, std::move(options), std::move(done));
  TrySend();
  return true;
}

bool LinkRequester::Send(std::string command, RequestOptions options, Completion done) {
  if (Pending()) return false;
  Begin(std::move(command), false, std::move(options), std::move(done));
  TrySend();
  return true;
}

SendResult LinkRequester::RequestNow(std::string command, Completion done, bool echo) {
  if (Pending()) return SendResult::Busy;
  RequestOptions options;
  options.echo = echo;
  Begin(std::move(command), true, std::move(options), std::move(done));
  const SendResult result = Attempt();
  if (!WasSent(result)) {
    // Refused at once: the caller has the reason, and nothing follows.
    m_phase = Phase::Idle;
    m_done = nullptr;
  }
  return result;
}

SendResult LinkRequester::SendNow(std::string command, bool echo) {
  return m_engine.SendCommand(std::move(command), 0, echo);
}

void LinkRequester::Begin(std::string command, bool awaitReply, RequestOptions options, Completion done) {
  ++m_generation;
  m_done = std::move(done);
  m_command = std::move(command);
  m_options = std::move(options);
  m_awaitReply = awaitReply;
  m_giveUpAt = std::chrono::steady_clock::now() + m_options.patience;
  m_phase = Phase::WaitingForLink;
}

SendResult LinkRequester::Attempt() {
  const HWND wait = m_awaitReply ? Handle() : 0;
  const SendResult result = m_engine.SendCommand(m_command, wait, m_options.echo);
  if (!WasSent(result)) return result;
  m_sentAt = std::chrono::steady_clock::now();
  KillTimer(Handle(), TIMER_REQUEST_RETRY);
  // The phase is set before the hook runs, so a hook that cancels finds
  // the request in flight.
  m_phase = m_awaitReply ? Phase::AwaitingReply : Phase::WaitingForLink;
  if (m_awaitReply) m_code = m_engine.State().wait.Code();
  const std::uint64_t generation = m_generation;
  // A copy: the hook may cancel and start the next request.
  if (std::function<void()> onSent = m_options.onSent) onSent();
  if (generation != m_generation) return result;  // cancelled by the hook
  if (!m_awaitReply) {
    LinkReply sent;
    sent.outcome = LinkReply::Outcome::Sent;
    sent.sentAt = m_sentAt;
    Resolve(std::move(sent));
  }
  return result;
}

void LinkRequester::TrySend() {
  const SendResult result = Attempt();
  if (WasSent(result)) return;
  if (IsTransientRefusal(result) && std::chrono::steady_clock::now() < m_giveUpAt) {
    if (!IsTimerRunning(Handle(), TIMER_REQUEST_RETRY)) SetTimer(Handle(), TIMER_REQUEST_RETRY, kRetryPeriodMs);
    return;
  }
  KillTimer(Handle(), TIMER_REQUEST_RETRY);
  Resolve(LinkReply::RefusedFor(result));
}

void LinkRequester::Resolve(LinkReply reply) {
  // Completions run from the event loop, never inside Request(), so a
  // completion that starts the next request cannot recurse.
  m_phase = Phase::Resolved;
  m_result = std::move(reply);
  PostMessage(Handle(), WM_REQUEST_DONE, static_cast<std::uintptr_t>(m_generation));
}

void LinkRequester::Complete(LinkReply reply) {
  // Already in the event loop (a reply or a time-out): the requester is
  // free the moment the link is, so a press right after a reply is not
  // refused while a completion waits its turn.
  m_phase = Phase::Idle;
  Completion done = std::move(m_done);
  m_done = nullptr;
  if (done) done(reply);
}

void LinkRequester::ReleaseLink() {
  ReplyTimer::Kill(Handle());
  m_engine.ReleaseWaitOf(Handle());
}

void LinkRequester::Cancel() {
  ++m_generation;
  KillTimer(Handle(), TIMER_REQUEST_RETRY);
  if (m_phase == Phase::AwaitingReply) ReleaseLink();
  m_phase = Phase::Idle;
  m_done = nullptr;
}

std::intptr_t LinkRequester::OnMessage(const WindowMessage& message) {
  switch (message.msg) {
    case WM_DRIVE_REPLY: {
      if (m_phase != Phase::AwaitingReply) return 0;
      const CommandCode code = ReplyCodeOf(message.lParam);
      // A reply under another code was meant for an earlier command whose
      // wait had already ended; this request's reply is still to come.
      if (code != m_code) return 0;
      ReleaseLink();
      LinkReply answered;
      answered.outcome = LinkReply::Outcome::Answered;
      answered.code = code;
      answered.text = message.Text();
      answered.sentAt = m_sentAt;
      Complete(std::move(answered));
      return 0;
    }
    case WM_REQUEST_DONE: {
      if (message.wParam != static_cast<std::uintptr_t>(m_generation) || m_phase != Phase::Resolved) return 0;
      m_phase = Phase::Idle;
      Completion done = std::move(m_done);
      m_done = nullptr;
      LinkReply result = std::move(m_result);
      if (done) done(result);
      return 0;
    }
    default:
      return MessageWindow::OnMessage(message);
  }
}

void LinkRequester::OnTimer(std::uint32_t timerId) {
  switch (timerId) {
    case TIMER_REPLY: {
      ReplyTimer::Kill(Handle());
      if (m_phase != Phase::AwaitingReply) return;
      const auto waited = std::chrono::steady_clock::now() - m_sentAt;
      if (waited + std::chrono::milliseconds(1) < m_options.replyTimeout) {
        // Still ours: hold the link for the rest of the longer wait.
        const auto rest = std::chrono::ceil<std::chrono::milliseconds>(m_options.replyTimeout - waited);
        ReplyTimer::Start(Handle(), static_cast<std::uint32_t>(rest.count()));
        return;
      }
      m_engine.ReleaseWaitOf(Handle());
      LinkReply timedOut;
      timedOut.outcome = LinkReply::Outcome::TimedOut;
      timedOut.code = m_code;
      timedOut.sentAt = m_sentAt;
      Complete(std::move(timedOut));
      return;
    }
    case TIMER_REQUEST_RETRY:
      if (m_phase == Phase::WaitingForLink) {
        TrySend();
      } else {
        KillTimer(Handle(), TIMER_REQUEST_RETRY);
      }
      return;
    default:
      return;
  }
}

}  // namespace zembra
