#include "monitor/MonitorSession.h"

#include "link/ReplyText.h"
#include "platform/Tick.h"

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

void MonitorSession::Attach(TransactionEngine& engine) {
  m_state = &engine.State();
  m_codes = &engine.Codes();
  m_link = std::make_unique<MonitorLink>(engine);
  m_link->SetReplyHandler([this](const LinkReply& reply) {
    const std::optional<PollAnswer> answer = TakeReply(reply, TickCount());
    if (answer && m_onAnswer) m_onAnswer(*answer);
  });
}

void MonitorSession::Detach() {
  m_link.reset();  // gives the link back if it is held
  m_matcher.Clear();
}

bool MonitorSession::Connected() const { return m_state && m_state->connected.load(); }
bool MonitorSession::Monitoring() const { return m_link && m_link->Held(); }

SendResult MonitorSession::Begin(MonitorContent content, std::string userCommand, std::uint32_t now) {
  if (!m_link) return SendResult::NotWritten;
  // The drive's mnemonics are upper case; the link passes the polled text
  // as it was registered.
  ToUpperAscii(userCommand);
  const SendResult taken = m_link->Take(userCommand);
  if (!WasSent(taken)) return taken;
  m_content = content;
  m_userCommand = std::move(userCommand);
  std::string lookup = m_userCommand;
  LookupCommandCode(*m_codes, lookup, m_userCode);
  m_matcher.Clear();
  m_rates.Start(now);
  return taken;
}

void MonitorSession::End() {
  if (m_link) m_link->Release();
  m_matcher.Clear();
}

PollResult MonitorSession::Poll(std::uint32_t now) {
  const Query query = QueryFor(m_content);
  PollResult result{QString::fromUtf8(query.status), SendResult::NotWritten};
  if (!m_link) return result;
  const std::string text = query.text ? std::string(query.text) : m_userCommand;
  const CommandCode code = query.text ? query.code : m_userCode;
  m_rates.Polled(now);
  result.sent = m_link->Poll(text);
  if (WasSent(result.sent)) m_matcher.Sent(SentPurpose::Poll, code, now);
  return result;
}

QString MonitorSession::PollStatus() const { return QString::fromUtf8(QueryFor(m_content).status); }

std::optional<PollAnswer> MonitorSession::TakeReply(const LinkReply& reply, std::uint32_t now) {
  const std::optional<SentCommand> asked = m_matcher.Answer(now);
  if (!asked) return std::nullopt;
  if (asked->purpose != SentPurpose::Poll) {
    m_rates.Heard(now);
    return std::nullopt;
  }
  m_rates.Answered(now);
  // The answers to these loop-gain queries end the wait until the next poll.
  if ((asked->code == kCodeGA || asked->code == kCodeGD) && m_link) m_link->StopAwaiting();
  PollAnswer answer{now, std::nullopt};
  if (const std::optional<MonitorSeries> series = SeriesForCode(asked->code))
    answer.value = PolledValue{*series, LeadingInt(reply.text), now};
  return answer;
}

SendResult MonitorSession::SendMotion(const std::string& text, std::uint32_t now) {
  if (!m_link) return SendResult::NotWritten;
  const SendResult result = m_link->Send(text);
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
