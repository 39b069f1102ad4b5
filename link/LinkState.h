#pragma once
// The state of the one drive link, shared by the GUI thread, the receive
// thread and the parameter read thread. Each member has one writer by
// design; the atomics make the readers on other threads well defined.
#include <atomic>

#include "platform/WindowRuntime.h"

namespace zembra {

struct LinkState {
  std::atomic<HWND> waitWnd{0};        // window awaiting the next text reply
  std::atomic<HWND> streamWnd{0};      // window owning the sampling stream
  std::atomic<int> pendingCode{-1};    // CommandCode of the awaited reply
  std::atomic<bool> monitoring{false}; // the monitoring page owns the link
  std::atomic<bool> connected{false};  // the drive has been identified
  std::atomic<bool> displayBatching{false};  // console batches lines while sampling
  bool debugMode = false;              // started with a debug switch: counts as connected
};

}  // namespace zembra
