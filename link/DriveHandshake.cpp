#include "link/DriveHandshake.h"

#include "platform/WindowMessages.h"

namespace zembra {

DriveHandshake::DriveHandshake(Ask ask, Events events) : m_ask(std::move(ask)), m_events(std::move(events)) {}

void DriveHandshake::Begin() {
  m_ticks = 0;
  m_gaveUp = false;
  m_identity = {};
  m_running = true;
  m_querying = true;
  SetTimer(Handle(), TIMER_VERSION, kPeriodMs);
}

void DriveHandshake::Start() { Begin(); }

SendResult DriveHandshake::StartNow() {
  const SendResult sent = m_ask("GVER\r");
  if (!WasSent(sent)) return sent;
  m_versionAwaited = true;
  Begin();
  m_ticks = 1;  // the query just sent was this run's first try
  return sent;
}

void DriveHandshake::Stop() {
  KillTimer(Handle(), TIMER_VERSION);
  m_querying = false;
  m_running = false;
  m_gaveUp = false;
  m_versionAwaited = false;
  m_modelAwaited = false;
}

void DriveHandshake::OnTimer(std::uint32_t timerId) {
  if (timerId != TIMER_VERSION) return;
  if (++m_ticks <= kAskingTicks) {
    if (m_events.asking) m_events.asking();
    AskVersion();
    return;
  }
  KillTimer(Handle(), TIMER_VERSION);
  m_querying = false;
  m_ticks = 0;
  m_gaveUp = true;
  if (m_events.gaveUp) m_events.gaveUp();
  SettleIfOver();
}

void DriveHandshake::AskVersion() {
  const SendResult sent = m_ask("GVER\r");
  if (WasSent(sent)) {
    m_versionAwaited = true;
  } else if (m_events.refused) {
    // The tick still counts: a link busy for longer than the handshake
    // leaves the drive unidentified, as a silent one does.
    m_events.refused(sent);
  }
}

void DriveHandshake::AskModel() {
  const SendResult sent = m_ask("GDTY\r");
  if (WasSent(sent)) {
    m_modelAwaited = true;
    return;
  }
  if (m_events.refused) m_events.refused(sent);
  Settle();  // identified, without a model
}

void DriveHandshake::TakeReply(const LinkReply& reply) {
  switch (reply.code) {
    case kCodeGVER:
      OnVersion(reply);
      return;
    case kCodeGDTY:
      OnModel(reply);
      return;
    default:
      return;
  }
}

void DriveHandshake::OnVersion(const LinkReply& reply) {
  m_versionAwaited = false;
  if (reply.outcome != LinkReply::Outcome::Answered) {
    SettleIfOver();
    return;
  }
  KillTimer(Handle(), TIMER_VERSION);
  m_querying = false;
  m_ticks = 0;
  const bool taken = m_events.versionAnswered && m_events.versionAnswered(reply.text);
  if (!taken) {
    // Not this drive, or not now: the run is over without an identity.
    m_identity = {};
    Settle();
    return;
  }
  m_identity.identified = true;
  m_identity.version = reply.text;
  AskModel();
}

void DriveHandshake::OnModel(const LinkReply& reply) {
  m_modelAwaited = false;
  if (reply.outcome == LinkReply::Outcome::Answered) {
    if (m_events.modelAnswered) m_events.modelAnswered(reply.text);
    if (m_identity.identified) m_identity.model = reply.text;
  }
  if (m_identity.identified) Settle();
}

void DriveHandshake::SettleIfOver() {
  if (m_gaveUp && !m_versionAwaited) Settle();
}

void DriveHandshake::Settle() {
  if (!m_running) return;
  m_running = false;
  m_gaveUp = false;
  if (m_events.settled) m_events.settled(m_identity);
}

}  // namespace zembra
