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
    : m_engine(engine), m_connection(connection), m_sender(engine) {}

void QuickCommands::Status(const QString& text) {
  if (m_statusText) m_statusText(text);
}

void QuickCommands::Refused(SendResult result) { ShowError(DescribeRefusal(result)); }

bool QuickCommands::CheckConnected() {
  if (m_engine.State().connected.load()) return true;
  ShowError(QStringLiteral("请先连接驱动器"));
  return false;
}

bool QuickCommands::AskWithStatus(const char* command, const QString& status) {
  if (!CheckConnected()) return false;
  const SendResult sent = m_connection.Ask(command);
  if (!WasSent(sent)) {
    Refused(sent);
    return false;
  }
  Status(status);
  return true;
}

void QuickCommands::RefreshStatus() {
  if (AskWithStatus("GSI\r", QStringLiteral("刷新状态"))) m_connection.StartStatusChain();
}

void QuickCommands::ReadTrackingError() {
  AskWithStatus("GSE\r", QStringLiteral("步进模式实际位置跟踪误差"));
}

void QuickCommands::ReadPosition() { AskWithStatus("GM\r", QStringLiteral("获取当前位置")); }

void QuickCommands::ReadSpeed() { AskWithStatus("GV\r", QStringLiteral("获取当前速度")); }

void QuickCommands::ZeroPosition() {
  if (!CheckConnected()) return;
  const SendResult sent = m_sender.SendNow("PO\r");
  if (!WasSent(sent)) return Refused(sent);
  Status(QStringLiteral("位置清零"));
}

void QuickCommands::ToggleEnable() {
  const int state = m_enableState ? m_enableState() : 1;
  int result = state;
  std::optional<SendResult> sent;
  if (CheckConnected()) {
    sent = m_sender.SendNow(state ? "DIS\r" : "ENA\r");
    if (WasSent(*sent)) result = state ? 0 : 1;
  }
  PostMessage(m_panel, WM_STATUS_PANEL, static_cast<std::uintptr_t>(result), kCodeENA);
  if (sent && !WasSent(*sent)) Refused(*sent);
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
  const SendResult sent = m_connection.Ask(ToGbk(text) + "\r");
  if (!WasSent(sent)) {
    Refused(sent);
    return std::nullopt;
  }
  m_history.Add(text);
  return text;
}

}  // namespace zembra
