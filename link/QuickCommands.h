#pragma once
// The status strip's commands for any moment: refresh the status, read
// position, speed or tracking error, zero the position, enable or disable
// the drive, and send a typed command.
#include <QString>
#include <functional>
#include <optional>

#include "link/CommandHistory.h"
#include "link/ConnectionSequence.h"
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

  bool RefreshStatus();        // "状态刷新"
  bool ReadTrackingError();    // "GSE"
  bool ReadPosition();         // "GM"
  bool ReadSpeed();            // "GV"
  bool ZeroPosition();         // "PO"
  // "受控": sends DIS or ENA and tells the panel the resulting state, the
  // unchanged one on refusal so the check box springs back.
  bool ToggleEnable();
  // "发  送": returns the text that entered the history, if it was sent.
  std::optional<QString> ManualSend(const QString& typed);

  const CommandHistory& History() const { return m_history; }

 private:
  bool CheckConnected();
  bool SendWithStatus(const char* command, HWND wait, const QString& status);
  void Refused(SendResult result);
  void Status(const QString& text);

  TransactionEngine& m_engine;
  ConnectionSequence& m_connection;
  HWND m_panel = 0;
  std::function<int()> m_enableState;
  std::function<void(const QString&)> m_statusText;
  CommandHistory m_history;
};

}  // namespace zembra
