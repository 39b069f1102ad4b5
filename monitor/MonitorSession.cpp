#include "monitor/MonitorSession.h"

#include "link/FrameType.h"
#include "link/ReplyText.h"
#include "platform/WindowMessages.h"

namespace zembra {
namespace {

struct Query {
  const char* text;
  CommandCode code;
  const char* status;
};

Query QueryFor(MonitorContent content) {
  switch (content) {
    case MonitorContent::Speed: return {"GV\r", kCodeGV, "获取速度"};
    case MonitorContent::Position: return {"GM\r", kCodeGM, "获取位置"};
    case MonitorContent::Current: return {"GC\r", kCodeGC, "获取电流"};
    case MonitorContent::UserCommand: break;
  }
  return {nullptr, kCodeUnknown, "用户命令"};
}

}  // namespace

MonitorSession::~MonitorSession() {
  // The engine may already be gone when the page dies with the main
  // window; the link state outlives both.
  if (m_state && m_state->monitoring.load()) {
    m_state->monitoring.store(false);
    m_state->displayBatching.store(false);
    m_state->wait.ReleaseIf(m_page);
  }
}

void MonitorSession::Attach(TransactionEngine& engine) {
  m_engine = &engine;
  m_state = &engine.State();
}

bool MonitorSession::Connected() const { return m_state && m_state->connected.load(); }
bool MonitorSession::Monitoring() const { return m_state && m_state->monitoring.load(); }
bool MonitorSession::LinkBusy() const { return m_state && m_state->wait.Window() != 0; }

void MonitorSession::Begin(MonitorContent content, std::string userCommand, std::uint32_t now) {
  if (!m_engine) return;
  m_content = content;
  // The drive's mnemonics are upper case; the engine passes the polled
  // text as it was registered.
  ToUpperAscii(userCommand);
  m_userCommand = std::move(userCommand);
  std::string lookup = m_userCommand;
  LookupCommandCode(m_engine->Codes(), lookup, m_userCode);
  m_matcher.Clear();
  m_rates.Start(now);
  m_state->monitoring.store(true);
  // Awaiting from the start, so the page's own commands pass even before
  // the first poll.
  m_engine->SetWaitWindow(m_page);
  m_engine->SetMonitorCommandText(m_userCommand);
  m_state->displayBatching.store(true);
}

void MonitorSession::End() {
  if (!m_engine) return;
  m_state->monitoring.store(false);
  m_engine->SetWaitWindow(0);
  m_engine->SetStreamWindow(0);
  m_state->displayBatching.store(false);
  m_matcher.Clear();
}

QString MonitorSession::Poll(std::uint32_t now) {
  const Query query = QueryFor(m_content);
  const QString status = QString::fromUtf8(query.status);
  if (!m_engine) return status;
  const std::string text = query.text ? std::string(query.text) : m_userCommand;
  const CommandCode code = query.text ? query.code : m_userCode;
  m_rates.Polled(now);
  if (WasSent(m_engine->SendMonitorQuery(text, m_page, true))) m_matcher.Sent(SentPurpose::Poll, code, now);
  return status;
}

std::optional<PolledValue> MonitorSession::TakeReply(const WindowMessage& reply, std::uint32_t now) {
  if (FrameTypeOf(reply.lParam) != FrameType::Text) return std::nullopt;
  const std::optional<SentCommand> asked = m_matcher.Answer(now);
  if (!asked) return std::nullopt;
  if (asked->purpose != SentPurpose::Poll) {
    m_rates.Heard(now);
    return std::nullopt;
  }
  m_rates.Answered(now);
  if ((asked->code == kCodeGA || asked->code == kCodeGD) && m_engine) m_engine->SetWaitWindow(0);
  const std::optional<MonitorSeries> series = SeriesForCode(asked->code);
  if (!series) return std::nullopt;
  return PolledValue{*series, LeadingInt(reply.Text())};
}

SendResult MonitorSession::SendMotion(const std::string& text, std::uint32_t now) {
  if (!m_engine) return SendResult::NotWritten;
  const SendResult result = m_engine->SendRaw(text, m_page, true);
  if (WasSent(result) && Monitoring()) m_matcher.Sent(SentPurpose::Motion, kCodeUnknown, now);
  return result;
}

std::optional<MonitorSeries> MonitorSession::SeriesForCode(CommandCode code) {
  switch (code) {
    case kCodeGM: return MonitorSeries::Position;
    case kCodeGV: return MonitorSeries::Speed;
    case kCodeGC: return MonitorSeries::Current;
    case kCodeGA:
    case kCodeGP:
    case kCodeGI:
    case kCodeGD: return std::nullopt;
    default: return MonitorSeries::Command;
  }
}

}  // namespace zembra
