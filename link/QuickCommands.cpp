#include "link/QuickCommands.h"

#include "platform/Gbk.h"
#include "platform/Prompter.h"
#include "platform/WindowMessages.h"

namespace zembra {
namespace {

void ShowError(const QString& text) {
  CurrentPrompter().ShowMessage(text, QString::fromUtf8(kErrorCaption), PromptIcon::Error);
}

}  // namespace

QuickCommands::QuickCommands(TransactionEngine& engine, ConnectionSequence& connection)
    : m_engine(engine), m_connection(connection) {}

void QuickCommands::Status(const QString& text) {
  if (m_statusText) m_statusText(text);
}

void QuickCommands::Refused(SendResult result) { ShowError(DescribeRefusal(result)); }

bool QuickCommands::CheckConnected() {
  if (m_engine.State().connected.load()) return true;
  ShowError(QStringLiteral("请先连接驱动器"));
  return false;
}

bool QuickCommands::SendWithStatus(const char* command, HWND wait, const QString& status) {
  if (!CheckConnected()) return false;
  const SendResult sent = m_engine.SendCommand(command, wait, true);
  if (!WasSent(sent)) {
    Refused(sent);
    return false;
  }
  Status(status);
  return true;
}

bool QuickCommands::RefreshStatus() {
  if (!SendWithStatus("GSI\r", m_connection.Handle(), QStringLiteral("刷新状态"))) return false;
  m_connection.StartStatusChain();
  return true;
}

bool QuickCommands::ReadTrackingError() {
  return SendWithStatus("GSE\r", m_connection.Handle(), QStringLiteral("步进模式实际位置跟踪误差"));
}

bool QuickCommands::ReadPosition() {
  return SendWithStatus("GM\r", m_connection.Handle(), QStringLiteral("获取当前位置"));
}

bool QuickCommands::ReadSpeed() {
  return SendWithStatus("GV\r", m_connection.Handle(), QStringLiteral("获取当前速度"));
}

bool QuickCommands::ZeroPosition() { return SendWithStatus("PO\r", 0, QStringLiteral("位置清零")); }

bool QuickCommands::ToggleEnable() {
  const int state = m_enableState ? m_enableState() : 1;
  int result = state;
  std::optional<SendResult> sent;
  if (CheckConnected()) {
    sent = m_engine.SendCommand(state ? "DIS\r" : "ENA\r", 0, true);
    if (WasSent(*sent)) result = state ? 0 : 1;
  }
  PostMessage(m_panel, WM_STATUS_PANEL, static_cast<std::uintptr_t>(result), kCodeENA);
  if (sent && !WasSent(*sent)) Refused(*sent);
  return sent && WasSent(*sent);
}

std::optional<QString> QuickCommands::ManualSend(const QString& typed) {
  if (!CheckConnected()) return std::nullopt;
  QString text = typed.left(kMaxTypedLength);
  text.remove(QLatin1Char(' '));
  if (text.isEmpty()) {
    ShowError(QStringLiteral("请填写发送内容！"));
    return std::nullopt;
  }
  Status(QStringLiteral("手动发送"));
  const SendResult sent = m_engine.SendCommand(ToGbk(text) + "\r", m_connection.Handle(), true);
  if (!WasSent(sent)) {
    Refused(sent);
    return std::nullopt;
  }
  m_history.Add(text);
  return text;
}

}  // namespace zembra
