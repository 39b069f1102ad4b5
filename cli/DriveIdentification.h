#pragma once
// Identifies the drive on a freshly opened port the way the program does
// after opening its port: "GVER" on a 200 ms tick, giving up on the third
// tick (a tick that finds the previous query still awaited counts as a
// try), then "GDTY" for the model. A query still awaited when the program
// gives up may still bring the answer.
#include <functional>
#include <string>

#include "link/LinkRequester.h"
#include "platform/WindowRuntime.h"

namespace zembra::cli {

struct DriveIdentity {
  bool identified = false;
  bool portLost = false;  // the bytes could not be written
  std::string version;    // the drive's bytes
  std::string model;      // empty when "GDTY" went unanswered
};

class DriveIdentification : public MessageWindow {
 public:
  static constexpr std::uint32_t kPeriodMs = 200;
  static constexpr int kTicks = 3;

  using Done = std::function<void(const DriveIdentity&)>;

  explicit DriveIdentification(TransactionEngine& engine);

  // `done` runs once on the GUI thread, unless Stop() comes first.
  void Start(Done done);
  void Stop();

  void OnTimer(std::uint32_t timerId) override;

 private:
  enum Timer : std::uint32_t { kTimerVersion = 1 };

  void AskVersion();
  void OnVersion(const LinkReply& reply);
  void OnModel(const LinkReply& reply);
  void Finish();

  LinkRequester m_requester;
  int m_ticks = 0;
  bool m_gaveUp = false;
  DriveIdentity m_identity;
  Done m_done;
};

}  // namespace zembra::cli
