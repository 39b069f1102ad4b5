#pragma once
// The link's own tests of the engine's raw layer: the sends and the wait
// that every window reaches only through the typed request.
#include <string>

#include "link/TransactionEngine.h"

namespace zembra {

class EngineProbe {
 public:
  explicit EngineProbe(TransactionEngine& engine) : m_engine(engine) {}

  [[nodiscard]] SendResult SendCommand(std::string text, HWND wait, bool echo) {
    return m_engine.SendCommand(std::move(text), wait, echo);
  }
  [[nodiscard]] SendResult SendRaw(std::string text, HWND wait, bool echo) {
    return m_engine.SendRaw(std::move(text), wait, echo);
  }
  [[nodiscard]] SendResult SendMonitorQuery(std::string text, HWND wait, bool echo) {
    return m_engine.SendMonitorQuery(std::move(text), wait, echo);
  }
  void SetStreamWindow(HWND hwnd) { m_engine.m_state.streamWnd.store(hwnd); }
  void ReleaseWaitOf(HWND hwnd) { m_engine.ReleaseWaitOf(hwnd); }

 private:
  TransactionEngine& m_engine;
};

}  // namespace zembra
