#pragma once
// The monitoring page's side of the drive link, without widgets: whether
// monitoring may start, holding and giving back the link, the poll of each
// timer tick, the page's own motion commands, and which replies are
// samples of which series. Replies are paired with the commands that asked
// for them, so the answer to a motion command never becomes a sample.
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "link/LinkRequester.h"
#include "link/MonitorLink.h"
#include "link/SendResult.h"
#include "link/TransactionEngine.h"
#include "monitor/LinkRateMeter.h"
#include "monitor/MonitorSettings.h"
#include "monitor/ReplyMatcher.h"
#include "monitor/SampleStore.h"

namespace zembra {

struct PolledValue {
  MonitorSeries series = MonitorSeries::Command;
  std::int32_t value = 0;
  std::uint32_t time = 0;  // tick count when the reply was taken
};

// The answer to one poll: its arrival, and the sample it carries when its
// quantity is charted (the loop-gain queries are not).
struct PollAnswer {
  std::uint32_t time = 0;
  std::optional<PolledValue> value;
};

struct PollResult {
  QString status;  // what the page is asking for, for the status pane
  SendResult sent = SendResult::Sent;
};

class MonitorSession {
 public:
  // Each answer to a poll, handed over as its reply is taken (GUI thread).
  using AnswerSink = std::function<void(const PollAnswer&)>;

  MonitorSession() = default;
  MonitorSession(const MonitorSession&) = delete;
  MonitorSession& operator=(const MonitorSession&) = delete;

  void Attach(TransactionEngine& engine);
  // Lets go of the engine, giving the link back first; nothing is sent.
  void Detach();
  bool Attached() const { return m_link != nullptr; }
  void SetAnswerSink(AnswerSink sink) { m_onAnswer = std::move(sink); }

  bool Connected() const;
  bool Monitoring() const;

  // Holds the link: the page monitors, awaits the replies, and the console
  // batches its lines. `userCommand` is the text polled for the
  // user-command content, "\r" included. Refused (and nothing changes)
  // while the link is held already or a window awaits a reply.
  [[nodiscard]] SendResult Begin(MonitorContent content, std::string userCommand, std::uint32_t now);
  // Gives the link back. Sends nothing: a running motion goes on.
  void End();

  // One poll: sends the query of the content.
  [[nodiscard]] PollResult Poll(std::uint32_t now);
  // What a poll asks for, for the status pane ("获取速度", ...).
  QString PollStatus() const;
  // A reply for the page: what it answers, if it answers a poll.
  std::optional<PollAnswer> TakeReply(const LinkReply& reply, std::uint32_t now);
  // The page's own motion command; while monitoring it passes between
  // the polls and its answer is expected.
  [[nodiscard]] SendResult SendMotion(const std::string& text, std::uint32_t now);

  QString RateText(std::uint32_t now) const { return m_rates.Text(now); }
  bool DriveSilent(std::uint32_t now) const { return m_rates.DriveSilent(now); }
  const ReplyMatcher& Matcher() const { return m_matcher; }

  // The series fed by a reply to a command of `code`; nothing for the
  // loop-gain queries, which are not charted.
  static std::optional<MonitorSeries> SeriesForCode(CommandCode code);

 private:
  const LinkState* m_state = nullptr;
  const CommandCodeMap* m_codes = nullptr;
  std::unique_ptr<MonitorLink> m_link;
  AnswerSink m_onAnswer;
  MonitorContent m_content = MonitorContent::Speed;
  std::string m_userCommand;
  CommandCode m_userCode = kCodeUnknown;
  ReplyMatcher m_matcher;
  LinkRateMeter m_rates;
};

}  // namespace zembra
