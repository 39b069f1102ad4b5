#pragma once
// Identifies the drive on a freshly opened port: "GVER" on a 200 ms tick,
// given up on the third tick (a tick that finds the link busy, or the
// previous query still awaited, counts as a try), then, once the version is
// taken, "GDTY" for the model. The program and zembra-cli identify the
// drive through this one handshake; it has no window of its own beyond its
// timer, and says what happens through its events.
#include <functional>
#include <string>

#include "link/LinkRequester.h"
#include "link/SendResult.h"
#include "platform/WindowRuntime.h"

namespace zembra {

struct DriveIdentity {
  bool identified = false;  // a version was taken
  std::string version;      // the drive's bytes
  std::string model;        // empty when "GDTY" went unanswered
};

class DriveHandshake : public MessageWindow {
 public:
  static constexpr std::uint32_t kPeriodMs = 200;
  // Ticks that ask; the one after them gives up.
  static constexpr int kAskingTicks = 2;

  // Sends one query through the owner's typed request, whose reply or
  // time-out the owner hands back to TakeReply().
  using Ask = std::function<SendResult(const char* command)>;

  struct Events {
    std::function<void()> asking;                                    // a tick asks for the version
    std::function<bool(const std::string& version)> versionAnswered;  // true when the version is taken
    std::function<void()> gaveUp;                                    // the third tick, nothing taken
    std::function<void(SendResult)> refused;                         // a query the link did not send
    std::function<void(const std::string& model)> modelAnswered;
    // The run started by Start() or StartNow() is over for good: the model
    // step ended, the version was not taken, or the handshake gave up and
    // no query is awaited any more.
    std::function<void(const DriveIdentity&)> settled;
  };

  DriveHandshake(Ask ask, Events events);

  // The first query goes out on the first tick.
  void Start();
  // The first query goes out at once; when the link refuses it, nothing
  // starts and the refusal is returned.
  [[nodiscard]] SendResult StartNow();
  // No further query and no further event of this run. The owner cancels
  // its request in flight with it.
  void Stop();
  bool Querying() const { return m_querying; }

  // A reply, or the time-out, of "GVER" or "GDTY", whoever asked for it: a
  // version typed by hand is taken as one asked for. Others are ignored.
  void TakeReply(const LinkReply& reply);

  void OnTimer(std::uint32_t timerId) override;

 private:
  void Begin();
  void AskVersion();
  void AskModel();
  void OnVersion(const LinkReply& reply);
  void OnModel(const LinkReply& reply);
  void SettleIfOver();
  void Settle();

  Ask m_ask;
  Events m_events;
  int m_ticks = 0;
  bool m_querying = false;  // the version tick runs
  bool m_running = false;   // a run waits to be settled
  bool m_gaveUp = false;
  bool m_versionAwaited = false;
  bool m_modelAwaited = false;
  DriveIdentity m_identity;
};

}  // namespace zembra
