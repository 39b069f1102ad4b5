#include "drive/EepromSave.h"

#include "link/ReplyText.h"

namespace zembra::drive {

EepromSave::EepromSave(TransactionEngine& engine) : m_requester(engine) {}

bool EepromSave::Start(FinishHandler onFinished) {
  if (m_running) return false;
  m_running = true;
  m_answered = false;
  m_durationOver = false;
  m_result = {};
  m_onFinished = std::move(onFinished);
  RequestOptions options;
  options.echo = true;
  options.patience = kPatience;
  options.replyTimeout = kDuration;
  options.onSent = [this] { SetTimer(Handle(), kTimerDuration, static_cast<std::uint32_t>(kDuration.count())); };
  if (!m_requester.Request("ESA\r", std::move(options), [this](const LinkReply& reply) { OnReply(reply); })) {
    // The last save's request is still in flight: this one does not start.
    m_running = false;
    m_onFinished = nullptr;
    return false;
  }
  return true;
}

void EepromSave::Stop() {
  if (!m_running) return;
  m_requester.Cancel();
  KillTimer(Handle(), kTimerDuration);
  m_running = false;
  m_onFinished = nullptr;
}

void EepromSave::OnReply(const LinkReply& reply) {
  m_answered = true;
  switch (reply.outcome) {
    case LinkReply::Outcome::Answered:
      m_result.reply = reply.text;
      m_result.outcome = ContainsErr(reply.text) ? EepromResult::Outcome::DriveError : EepromResult::Outcome::Stored;
      break;
    case LinkReply::Outcome::TimedOut:
    case LinkReply::Outcome::Sent:
      m_result.outcome = EepromResult::Outcome::NoAnswer;
      break;
    case LinkReply::Outcome::Refused:
      m_result.outcome = EepromResult::Outcome::Refused;
      m_result.refusal = reply.refusal;
      // Nothing left: no second to wait out.
      m_durationOver = true;
      break;
  }
  if (m_durationOver) Finish();
}

void EepromSave::OnTimer(std::uint32_t timerId) {
  KillTimer(Handle(), timerId);
  if (!m_running || timerId != kTimerDuration) return;
  m_durationOver = true;
  if (m_answered) Finish();
}

void EepromSave::Finish() {
  m_running = false;
  FinishHandler done = std::move(m_onFinished);
  m_onFinished = nullptr;
  if (done) done(m_result);
}

std::string DescribeEepromResult(const EepromResult& result) {
  switch (result.outcome) {
    case EepromResult::Outcome::Stored:
      return "参数已保存至EEPROM";
    case EepromResult::Outcome::DriveError:
      return "驱动器拒绝保存至EEPROM（回复：" + result.reply + "）";
    case EepromResult::Outcome::NoAnswer:
      return "保存至EEPROM未得到驱动器回复，参数可能未保存";
    case EepromResult::Outcome::Refused:
      return "保存至EEPROM的命令未能发出，参数未保存";
  }
  return {};
}

}  // namespace zembra::drive
