#pragma once
// Identifies the drive after the port opens and keeps its status fresh:
// the version query with its retries, the drive type, the parameter read
// trigger, and the periodic status poll. It is the window that waits for
// the replies of the main frame's own commands.
#include <QString>
#include <functional>

#include "link/TransactionEngine.h"
#include "platform/WindowRuntime.h"

namespace zembra {

class ConnectionSequence : public MessageWindow {
 public:
  enum class State { Idle, QueryingVersion, Connected, NotAccepted, NotConnected, ReadingType };

  static constexpr std::uint32_t kVersionPeriodMs = 200;
  static constexpr std::uint32_t kDriveTypePeriodMs = 450;
  static constexpr std::uint32_t kStatusPollPeriodMs = 10000;
  static constexpr std::uint32_t kStatusChainPeriodMs = 200;

  explicit ConnectionSequence(TransactionEngine& engine);

  void SetStatusPanel(HWND panel) { m_panel = panel; }
  void SetParameterPage(HWND page) { m_parameterPage = page; }
  void SetStatusText(std::function<void(const QString&)> sink) { m_statusText = std::move(sink); }

  // After the port opened and the receive thread runs: ask for the version.
  void Start();
  // The "手动连接" button. False (with the busy message shown) when the
  // link is busy.
  bool ManualReconnect();
  // Follow "GSI" with "GEI" and "GT", 200 ms apart.
  void StartStatusChain();
  // The port vanished: the drive no longer counts as connected, the polls
  // stop, and the status strip shows it, until Start() after a reopen.
  void OnPortLost();

  State CurrentState() const { return m_state; }

  std::intptr_t OnMessage(const WindowMessage& message) override;
  void OnTimer(std::uint32_t timerId) override;

 private:
  void OnDriveReply(const WindowMessage& message);
  void Status(const QString& text);
  SendResult Send(const char* command);
  std::intptr_t ToPanel(CommandCode code, std::uintptr_t value, const std::string* text);

  TransactionEngine& m_engine;
  HWND m_panel = 0;
  HWND m_parameterPage = 0;
  std::function<void(const QString&)> m_statusText;
  int m_retries = 0;
  int m_statusChainStep = 0;
  State m_state = State::Idle;
};

}  // namespace zembra
