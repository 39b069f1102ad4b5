#pragma once
// The monitoring page's side of the drive link, without widgets: whether
// monitoring may start, taking and giving back the link, the poll of each
// timer tick, the page's own motion commands, and which replies are
// samples of which series. Replies are paired with the commands that asked
// for them, so the answer to a motion command never becomes a sample.
#include <QString>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/SendResult.h"
#include "link/TransactionEngine.h"
#include "monitor/LinkRateMeter.h"
#include "monitor/MonitorSettings.h"
#include "monitor/ReplyMatcher.h"
#include "monitor/SampleStore.h"
#include "platform/WindowRuntime.h"

namespace zembra {

struct PolledValue {
  MonitorSeries series = MonitorSeries::Command;
  std::int32_t value = 0;
};

class MonitorSession {
 public:
  explicit MonitorSession(HWND page) : m_page(page) {}
  ~MonitorSession();
  MonitorSession(const MonitorSession&) = delete;
  MonitorSession& operator=(const MonitorSession&) = delete;

  void Attach(TransactionEngine& engine);
  bool Attached() const { return m_engine != nullptr; }

  bool Connected() const;
  bool Monitoring() const;
  // Another window awaits a reply.
  bool LinkBusy() const;

  // Takes the link: the page monitors, is the awaiting window, and the
  // console batches its lines. `userCommand` is the text polled for the
  // user-command content, "\r" included.
  void Begin(MonitorContent content, std::string userCommand, std::uint32_t now);
  // Gives the link back. Sends nothing: a running motion goes on.
  void End();

  // One poll: sends the query of the content and returns the status text.
  QString Poll(std::uint32_t now);
  // A reply for the page: the sample it carries, if it answers a poll
  // whose quantity is charted.
  std::optional<PolledValue> TakeReply(const WindowMessage& reply, std::uint32_t now);
  // The page's own motion command; while monitoring it passes between
  // the polls and its answer is expected.
  SendResult SendMotion(const std::string& text, std::uint32_t now);

  QString RateText(std::uint32_t now) const { return m_rates.Text(now); }
  bool DriveSilent(std::uint32_t now) const { return m_rates.DriveSilent(now); }
  const ReplyMatcher& Matcher() const { return m_matcher; }

  // The series fed by a reply to a command of `code`; nothing for the
  // loop-gain queries, which are not charted.
  static std::optional<MonitorSeries> SeriesForCode(CommandCode code);

 private:
  HWND m_page;
  TransactionEngine* m_engine = nullptr;
  LinkState* m_state = nullptr;
  MonitorContent m_content = MonitorContent::Speed;
  std::string m_userCommand;
  CommandCode m_userCode = kCodeUnknown;
  ReplyMatcher m_matcher;
  LinkRateMeter m_rates;
};

}  // namespace zembra
