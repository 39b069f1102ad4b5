#include "link/MonitorLink.h"

#include "link/FrameType.h"
#include "platform/WindowMessages.h"

namespace zembra {

MonitorLink::MonitorLink(TransactionEngine& engine) : m_engine(engine), m_state(engine.m_state) {}

// Only the link state is touched here: the engine may already be gone when
// the page dies with the main window, and the state outlives both.
MonitorLink::~MonitorLink() { TransactionEngine::EndMonitoring(m_state, Handle()); }

SendResult MonitorLink::Take(std::string userCommand) {
  return m_engine.BeginMonitoring(Handle(), std::move(userCommand));
}

void MonitorLink::Release() { TransactionEngine::EndMonitoring(m_state, Handle()); }

bool MonitorLink::Held() const { return m_state.monitoring.load() && m_state.monitorHolder.load() == Handle(); }

SendResult MonitorLink::Poll(const std::string& text) {
  if (!Held()) return m_state.monitoring.load() ? SendResult::Monitoring : SendResult::Busy;
  return m_engine.SendMonitorQuery(text, Handle(), true);
}

SendResult MonitorLink::Send(const std::string& text) { return m_engine.SendRaw(text, Handle(), true); }

void MonitorLink::StopAwaiting() { m_engine.ReleaseWaitOf(Handle()); }

std::intptr_t MonitorLink::OnMessage(const WindowMessage& message) {
  if (message.msg != WM_DRIVE_REPLY) return MessageWindow::OnMessage(message);
  // Sampling frames go to the stream's owner, which this never is; only
  // text replies are the page's.
  if (FrameTypeOf(message.lParam) != FrameType::Text) return 0;
  if (!m_onReply) return 0;
  LinkReply reply;
  reply.outcome = LinkReply::Outcome::Answered;
  reply.code = ReplyCodeOf(message.lParam);
  reply.text = message.Text();
  m_onReply(reply);
  return 0;
}

}  // namespace zembra
