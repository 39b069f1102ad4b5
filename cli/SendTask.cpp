#include "cli/SendTask.h"

#include "link/ReplyText.h"
#include "link/QuickCommands.h"
#include "platform/Gbk.h"

namespace zembra::cli {

SendTask::SendTask(TransactionEngine& engine, std::vector<std::string> commands, PortReport& report,
                   std::function<void()> onProgress)
    : m_requester(engine), m_commands(std::move(commands)), m_report(report), m_onProgress(std::move(onProgress)) {}

std::optional<std::string> SendTask::CommandText(const QString& typed) {
  QString text = typed.left(QuickCommands::kMaxTypedLength);
  text.remove(QLatin1Char(' '));
  if (text.isEmpty()) return std::nullopt;
  return ToGbk(text) + "\r";
}

void SendTask::Start(Done done) {
  m_done = std::move(done);
  m_running = true;
  m_next = 0;
  SendNext();
}

void SendTask::SendNext() {
  if (m_next >= m_commands.size()) return Finish();
  if (m_interrupted) {
    m_report.Fail(ExitStatus::Interrupted, QStringLiteral("已中断：已发送 %1/%2 条命令").arg(m_next).arg(m_commands.size()));
    return Finish();
  }
  if (m_onProgress) m_onProgress();
  SetTimer(Handle(), kTimerDeadline, static_cast<std::uint32_t>(kReplyDeadline.count()));
  // Each command starts after the last one's answer or deadline, so the
  // requester is free; were it not, the command counts as refused.
  if (!m_requester.Request(m_commands[m_next], {}, [this](const LinkReply& reply) { OnReply(reply); }))
    OnReply(LinkReply::RefusedFor(SendResult::Busy));
}

void SendTask::OnReply(const LinkReply& reply) {
  KillTimer(Handle(), kTimerDeadline);
  std::string sent = m_commands[m_next];
  sent.pop_back();
  ToUpperAscii(sent);
  m_report.exchanges.push_back({sent, reply.outcome, reply.text});
  switch (reply.outcome) {
    case LinkReply::Outcome::Answered:
      if (ContainsErr(reply.text))
        m_report.Fail(ExitStatus::NotConfirmed, QStringLiteral("驱动器对“%1”回复了ERR").arg(FromGbk(sent)));
      break;
    case LinkReply::Outcome::TimedOut:
    case LinkReply::Outcome::Sent:
      m_report.Fail(ExitStatus::NotConfirmed, QStringLiteral("“%1”没有得到回复").arg(FromGbk(sent)));
      break;
    case LinkReply::Outcome::Refused:
      Abort(QStringLiteral("串口已断开，命令未能发出"));
      return;
  }
  ++m_next;
  SendNext();
}

void SendTask::OnTimer(std::uint32_t timerId) {
  KillTimer(Handle(), timerId);
  if (timerId != kTimerDeadline || !m_running) return;
  m_requester.Cancel();
  LinkReply none;
  none.outcome = LinkReply::Outcome::TimedOut;
  OnReply(none);
}

void SendTask::Interrupt() { m_interrupted = true; }

void SendTask::Abort(const QString& reason) {
  m_report.Fail(ExitStatus::NoDrive, reason);
  m_requester.Cancel();
  KillTimer(Handle(), kTimerDeadline);
  Finish();
}

void SendTask::Finish() {
  if (!m_running) return;
  m_running = false;
  Done done = std::move(m_done);
  m_done = nullptr;
  if (done) done();
}

QString SendTask::Progress() const {
  return QStringLiteral("发送命令 %1/%2").arg(std::min(m_next + 1, m_commands.size())).arg(m_commands.size());
}

}  // namespace zembra::cli
