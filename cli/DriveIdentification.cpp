#include "cli/DriveIdentification.h"

namespace zembra::cli {

DriveIdentification::DriveIdentification(TransactionEngine& engine) : m_requester(engine) {}

void DriveIdentification::Start(Done done) {
  m_done = std::move(done);
  m_ticks = 0;
  m_gaveUp = false;
  m_identity = {};
  SetTimer(Handle(), kTimerVersion, kPeriodMs);
}

void DriveIdentification::Stop() {
  KillTimer(Handle(), kTimerVersion);
  m_requester.Cancel();
  m_done = nullptr;
}

void DriveIdentification::OnTimer(std::uint32_t timerId) {
  if (timerId != kTimerVersion) return;
  if (++m_ticks < kTicks) {
    if (!m_requester.Pending()) AskVersion();
    return;
  }
  KillTimer(Handle(), kTimerVersion);
  m_gaveUp = true;
  if (!m_requester.Pending()) Finish();
}

void DriveIdentification::AskVersion() {
  m_requester.Request("GVER\r", {}, [this](const LinkReply& reply) { OnVersion(reply); });
}

void DriveIdentification::OnVersion(const LinkReply& reply) {
  switch (reply.outcome) {
    case LinkReply::Outcome::Answered:
      KillTimer(Handle(), kTimerVersion);
      m_identity.identified = true;
      m_identity.version = reply.text;
      m_requester.Request("GDTY\r", {}, [this](const LinkReply& r) { OnModel(r); });
      return;
    case LinkReply::Outcome::Refused:
      if (reply.refusal == SendResult::NotWritten) {
        KillTimer(Handle(), kTimerVersion);
        m_identity.portLost = true;
        Finish();
        return;
      }
      break;
    case LinkReply::Outcome::TimedOut:
    case LinkReply::Outcome::Sent:
      break;
  }
  if (m_gaveUp) Finish();
}

void DriveIdentification::OnModel(const LinkReply& reply) {
  if (reply.outcome == LinkReply::Outcome::Answered) m_identity.model = reply.text;
  Finish();
}

void DriveIdentification::Finish() {
  Done done = std::move(m_done);
  m_done = nullptr;
  if (done) done(m_identity);
}

}  // namespace zembra::cli
