#pragma once
// Identifies the drive after the port opens and keeps its status fresh:
// the handshake (version, then type) with the status strip taking the
// version, the parameter read trigger, the periodic status poll, and the
// type step after a "QNCON" typed by hand. Its typed request carries the
// main frame's own commands (the quick commands' reads and the manual
// command line too), and their replies are handled here by command code.
#include <QString>
#include <functional>

#include "link/DriveHandshake.h"
#include "link/LinkRequester.h"
#include "link/TransactionEngine.h"
#include "platform/WindowRuntime.h"

namespace zembra {

class ConnectionSequence : public MessageWindow {
 public:
  enum class State { Idle, QueryingVersion, Connected, NotAccepted, NotConnected, ReadingType };

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
  // link refuses the version query.
  bool ManualReconnect();
  // One of the main frame's commands, its reply handled here by code. Sent
  // at once or refused at once (a reply still awaited, monitoring, a lost
  // port); the caller says why.
  [[nodiscard]] SendResult Ask(std::string command);
  // Follow "GSI" with "GEI" and "GT", 200 ms apart.
  void StartStatusChain();
  // The port vanished: the drive no longer counts as connected, the polls
  // stop, and the status strip shows it, until Start() after a reopen.
  void OnPortLost();

  State CurrentState() const { return m_state; }

  void OnTimer(std::uint32_t timerId) override;

 private:
  void OnReply(const LinkReply& reply);
  bool OnVersion(const std::string& version);
  void OnModel(const std::string& model);
  void OnGaveUp();
  // A step of the status chain or of the type step that the link refuses
  // is lost, as it always was: the next tick or poll asks again.
  void AskOrLose(const char* command);
  void Status(const QString& text);
  std::intptr_t ToPanel(CommandCode code, std::uintptr_t value, const std::string* text);

  TransactionEngine& m_engine;
  LinkRequester m_requester;
  DriveHandshake m_handshake;
  HWND m_panel = 0;
  HWND m_parameterPage = 0;
  std::function<void(const QString&)> m_statusText;
  int m_typeTries = 0;
  int m_statusChainStep = 0;
  State m_state = State::Idle;
};

}  // namespace zembra
