#pragma once
// The typed request: the one way a window talks to the drive (the
// monitoring page's hold of the link aside, see MonitorLink). Every waiting
// window has the same chores: take the reply, kill the reply time-out,
// release the link, and give up when the link refuses. Forgetting one
// leaves the link refusing every later command, so they live here once: a
// user hands over a command and gets one completion back, with the reply,
// the time-out or the refusal.
#include <chrono>
#include <functional>
#include <string>

#include "link/SendResult.h"
#include "link/TransactionEngine.h"
#include "platform/WindowRuntime.h"

namespace zembra {

struct LinkReply {
  enum class Outcome {
    Answered,  // the drive replied; `text` holds the reply
    TimedOut,  // no reply within the link's reply time-out
    Sent,      // a command nobody waits for left for the drive
    Refused,   // the link refused it for longer than the patience allowed
  };
  Outcome outcome = Outcome::Refused;
  CommandCode code = kCodeUnknown;  // the command code the reply answers
  std::string text;         // the reply between "#" and "\r"; empty unless Answered
  SendResult refusal = SendResult::Sent;  // why, when Refused
  std::chrono::steady_clock::time_point sentAt{};  // when the bytes left; unset when Refused

  static LinkReply RefusedFor(SendResult why) {
    LinkReply reply;
    reply.refusal = why;
    return reply;
  }
};

struct RequestOptions {
  bool echo = true;  // show the command in the console
  // How long a refused send (link busy or monitoring) is tried again.
  std::chrono::milliseconds patience{0};
  // A reply wait longer than the link's own keeps the link held for a
  // slow answer (a drive storing its EEPROM); zero takes the link's.
  std::chrono::milliseconds replyTimeout{0};
  // Runs on the GUI thread the moment the bytes leave, before any reply.
  std::function<void()> onSent;
};

class LinkRequester : public MessageWindow {
 public:
  using Completion = std::function<void(const LinkReply&)>;
  static constexpr std::uint32_t kRetryPeriodMs = 5;

  explicit LinkRequester(TransactionEngine& engine);
  ~LinkRequester() override;

  // For a sequence that may wait its turn. GUI thread. Sends `command`
  // with this window awaiting the reply. While the link is busy or
  // monitoring, the send is tried again every few milliseconds for up to
  // the options' patience. `done` runs exactly once, later, on the GUI
  // thread, with the reply, the time-out or the refusal, unless the request
  // is cancelled first. One request at a time: while Pending() a new one is
  // not taken (false), and its `done` never runs.
  [[nodiscard]] bool Request(std::string command, RequestOptions options, Completion done);
  // The same for a command whose reply nobody awaits: `done` gets Sent or
  // Refused.
  [[nodiscard]] bool Send(std::string command, RequestOptions options, Completion done);

  // For a user's press: now or never. The command goes out at once with
  // this window awaiting its reply, and `done` later gets the reply or the
  // time-out; or it is refused at once, the caller says why, and `done`
  // never runs. Busy while this requester has a request in flight.
  [[nodiscard]] SendResult RequestNow(std::string command, Completion done, bool echo = true);
  // Now or never, with nobody awaiting a reply: the link is not held and
  // nothing follows.
  [[nodiscard]] SendResult SendNow(std::string command, bool echo = true);

  bool Pending() const { return m_phase != Phase::Idle; }
  // Drops the request in flight: the link is released if this window holds
  // it, and its completion never runs.
  void Cancel();

  std::intptr_t OnMessage(const WindowMessage& message) override;
  void OnTimer(std::uint32_t timerId) override;

 private:
  enum class Phase { Idle, WaitingForLink, AwaitingReply, Resolved };

  void Begin(std::string command, bool awaitReply, RequestOptions options, Completion done);
  // One try at the link; on success the request moves on to its reply.
  SendResult Attempt();
  void TrySend();
  // Ends the request from inside Request(): the completion is posted.
  void Resolve(LinkReply reply);
  // Ends the request from a message or timer handler: the completion runs.
  void Complete(LinkReply reply);
  void ReleaseLink();

  TransactionEngine& m_engine;
  Phase m_phase = Phase::Idle;
  std::string m_command;
  RequestOptions m_options;
  bool m_awaitReply = false;
  CommandCode m_code = kCodeUnknown;
  std::chrono::steady_clock::time_point m_giveUpAt;
  std::chrono::steady_clock::time_point m_sentAt;
  Completion m_done;
  LinkReply m_result;
  // Bumped by every request and cancel, so a completion posted for an
  // earlier request is never run for a later one.
  std::uint64_t m_generation = 0;
};

}  // namespace zembra
