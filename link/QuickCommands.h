#pragma once
// The status strip's commands for any moment: refresh the status, read
// position, speed or tracking error, zero the position, enable or disable
// the drive, and send a typed command. Each goes out at once or is refused
// at once, and a refusal is told to the user in words.
#include <QString>
#include <functional>
#include <optional>

#include "link/CommandHistory.h"
#include "link/ConnectionSequence.h"
#include "link/LinkRequester.h"
#include "link/TransactionEngine.h"

namespace zembra {

class QuickCommands {
 public:
  static constexpr int kMaxTypedLength = 62;

  QuickCommands(TransactionEngine& engine, ConnectionSequence& connection);

  void SetStatusPanel(HWND panel) { m_panel = panel; }
  // The enable state the status panel last decoded from the drive.
  void SetEnableStateSource(std::function<int()> source) { m_enableState = std::move(source); }
  void SetStatusText(std::function<void(const QString&)> sink) { m_statusText = std::move(sink); }

  void RefreshStatus();      // "状态刷新"
  void ReadTrackingError();  // "GSE"
  void ReadPosition();       // "GM"
  void ReadSpeed();          // "GV"
  void ZeroPosition();       // "PO"
  // "受控": sends DIS or ENA and tells the panel the resulting state, the
  // unchanged one on refusal so the check box springs back.
  void ToggleEnable();
  // "发  送": returns the text that entered the history, if it was sent.
  std::optional<QString> ManualSend(const QString& typed);

  const CommandHistory& History() const { return m_history; }

 private:
  bool CheckConnected();
  // Reads whose answers the connection sequence hands to the strip.
  bool AskWithStatus(const char* command, const QString& status);
  void Refused(SendResult result);
  void Status(const QString& text);

  TransactionEngine& m_engine;
  ConnectionSequence& m_connection;
  // Commands whose answers nobody awaits (PO, ENA, DIS).
  LinkRequester m_sender;
  HWND m_panel = 0;
  std::function<int()> m_enableState;
  std::function<void(const QString&)> m_statusText;
  CommandHistory m_history;
};

}  // namespace zembra
