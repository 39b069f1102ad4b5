#pragma once
// Waits for a vanished serial device to come back: a USB adapter pulled and
// plugged in again, a /dev/serial/by-id link that points at the new node.
// It looks for the device every quarter second and reopens it through the
// engine with the settings it last had; the owner then identifies the
// drive again.
#include <QString>
#include <cstdint>
#include <functional>

#include "link/TransactionEngine.h"
#include "platform/WindowRuntime.h"

namespace zembra {

class PortWatcher : public MessageWindow {
 public:
  static constexpr std::uint32_t kLookPeriodMs = 250;

  explicit PortWatcher(TransactionEngine& engine);

  // Called on the GUI thread once the device is open again.
  void SetReopened(std::function<void()> reopened) { m_reopened = std::move(reopened); }

  // The port was lost: close it (so the dead node can go away) and look
  // for the device at the path it was opened with.
  void Watch();
  void StopWatching();
  bool Watching() const { return m_watching; }

  void OnTimer(std::uint32_t timerId) override;

 private:
  enum Timer : std::uint32_t { kTimerLook = 1 };

  TransactionEngine& m_engine;
  std::function<void()> m_reopened;
  bool m_watching = false;
};

}  // namespace zembra
