#pragma once
// The state of the one drive link, shared by the GUI thread, the receive
// thread and the sequences that send. Each member has one writer by
// design; the atomics make the readers on other threads well defined.
#include <atomic>
#include <cstdint>

#include "link/CommandVocabulary.h"
#include "platform/WindowRuntime.h"

namespace zembra {

// The window that awaits the next text reply and the code of the command
// it awaits. They change together: a receive thread that read them apart
// could hand a late reply to a new waiter under the old command's code.
struct WaitClaim {
  HWND window = 0;
  CommandCode code = kCodeUnknown;
  friend bool operator==(const WaitClaim&, const WaitClaim&) = default;
};

class WaitSlot {
 public:
  WaitClaim Load() const { return Unpack(m_bits.load()); }
  HWND Window() const { return Load().window; }
  CommandCode Code() const { return Load().code; }

  // Takes the link for `window` awaiting `code`, unless a window already
  // waits. With window 0 nothing is held, but the code is still recorded.
  bool TryClaim(HWND window, CommandCode code) {
    std::uint64_t current = m_bits.load();
    for (;;) {
      if (Unpack(current).window != 0) return false;
      if (m_bits.compare_exchange_weak(current, Pack({window, code}))) return true;
    }
  }
  void Store(WaitClaim claim) { m_bits.store(Pack(claim)); }
  // The window alone; the awaited code stays.
  void StoreWindow(HWND window) {
    Update([window](WaitClaim& c) { c.window = window; });
  }
  // The code alone; the waiting window stays.
  void StoreCode(CommandCode code) {
    Update([code](WaitClaim& c) { c.code = code; });
  }
  // Ends the wait only while `window` still holds it; the code stays.
  bool ReleaseIf(HWND window) {
    std::uint64_t current = m_bits.load();
    for (;;) {
      WaitClaim claim = Unpack(current);
      if (claim.window != window || window == 0) return false;
      claim.window = 0;
      if (m_bits.compare_exchange_weak(current, Pack(claim))) return true;
    }
  }

 private:
  static std::uint64_t Pack(WaitClaim c) {
    return (static_cast<std::uint64_t>(c.window) << 32) | static_cast<std::uint32_t>(c.code);
  }
  static WaitClaim Unpack(std::uint64_t bits) {
    return {static_cast<HWND>(bits >> 32), static_cast<CommandCode>(static_cast<std::int32_t>(static_cast<std::uint32_t>(bits)))};
  }
  template <class F>
  void Update(F change) {
    std::uint64_t current = m_bits.load();
    for (;;) {
      WaitClaim claim = Unpack(current);
      change(claim);
      if (m_bits.compare_exchange_weak(current, Pack(claim))) return;
    }
  }

  std::atomic<std::uint64_t> m_bits{Pack({})};
  static_assert(sizeof(HWND) == 4, "a claim packs the window into 32 bits");
};

struct LinkState {
  WaitSlot wait;                       // g_hWaitWnd with g_nPendingCode
  std::atomic<HWND> streamWnd{0};      // window owning the sampling stream
  std::atomic<bool> monitoring{false}; // the monitoring page owns the link
  std::atomic<HWND> monitorHolder{0};  // the window that holds it for monitoring
  std::atomic<bool> connected{false};  // the drive has been identified
  std::atomic<bool> displayBatching{false};  // console batches lines while sampling
  bool debugMode = false;              // started with a debug switch: counts as connected
};

}  // namespace zembra
