#include "link/ConnectionSequence.h"

#include <QLoggingCategory>

#include "link/FrameType.h"
#include "link/ReplyText.h"
#include "platform/Gbk.h"
#include "platform/Prompter.h"
#include "platform/WindowMessages.h"

namespace zembra {
namespace {

// Off unless asked for (QT_LOGGING_RULES="zembra.connection.info=true"):
// when a drive was identified or lost, for diagnosis and start-up timing.
Q_LOGGING_CATEGORY(lcConnection, "zembra.connection", QtWarningMsg)

bool EqualsIgnoreCase(std::string text, const char* expected) {
  ToUpperAscii(text);
  return text == expected;
}

}  // namespace

ConnectionSequence::ConnectionSequence(TransactionEngine& engine) : m_engine(engine) {}

void ConnectionSequence::Status(const QString& text) {
  if (m_statusText) m_statusText(text);
}

SendResult ConnectionSequence::Send(const char* command) { return m_engine.SendCommand(command, Handle(), true); }

std::intptr_t ConnectionSequence::ToPanel(CommandCode code, std::uintptr_t value, const std::string* text) {
  if (!m_panel) return 0;
  if (text) return SendMessage(m_panel, WM_STATUS_PANEL, 0, code, MakePayload(*text));
  return SendMessage(m_panel, WM_STATUS_PANEL, value, code);
}

void ConnectionSequence::Start() {
  m_retries = 0;
  m_state = State::QueryingVersion;
  Status(QStringLiteral("连接驱动器"));
  SetTimer(Handle(), TIMER_VERSION, kVersionPeriodMs);
  PostMessage(Handle(), WM_LINK_READY);
}

bool ConnectionSequence::ManualReconnect() {
  const SendResult sent = Send("GVER\r");
  if (!WasSent(sent)) {
    CurrentPrompter().ShowMessage(DescribeRefusal(sent), QString::fromUtf8(kErrorCaption), PromptIcon::Error);
    return false;
  }
  KillTimer(Handle(), TIMER_STATUS_POLL);
  PostMessage(m_panel, WM_STATUS_PANEL, 0, kCodeGVER);
  m_retries = 1;
  m_state = State::QueryingVersion;
  SetTimer(Handle(), TIMER_VERSION, kVersionPeriodMs);
  m_engine.State().connected.store(m_engine.State().debugMode);
  PostMessage(Handle(), WM_LINK_READY);
  return true;
}

void ConnectionSequence::OnPortLost() {
  for (std::uint32_t timer : {TIMER_VERSION, TIMER_DRVTYP, TIMER_STATUS_POLL, TIMER_STATUS_CHAIN, TIMER_REPLY})
    KillTimer(Handle(), timer);
  m_engine.ReleaseWaitOf(Handle());
  m_retries = 0;
  m_state = State::NotConnected;
  m_engine.State().connected.store(m_engine.State().debugMode);
  qCInfo(lcConnection, "port lost");
  Status(QStringLiteral("串口已断开"));
  ToPanel(kCodeGVER, 0, nullptr);
}

void ConnectionSequence::StartStatusChain() {
  m_statusChainStep = 0;
  SetTimer(Handle(), TIMER_STATUS_CHAIN, kStatusChainPeriodMs);
}

std::intptr_t ConnectionSequence::OnMessage(const WindowMessage& message) {
  switch (message.msg) {
    case WM_DRIVE_REPLY:
      OnDriveReply(message);
      return 0;
    case WM_LINK_READY:
      return 0;
    default:
      return MessageWindow::OnMessage(message);
  }
}

void ConnectionSequence::OnDriveReply(const WindowMessage& message) {
  m_engine.ReleaseWaitOf(Handle());
  const std::string& text = message.Text();
  const int value = LeadingInt(text);
  switch (ReplyCodeOf(message.lParam)) {
    case kCodeGVER:
      KillTimer(Handle(), TIMER_VERSION);
      if (ToPanel(kCodeGVER, 0, &text) != 0) {
        Status(QStringLiteral("连接驱动器成功"));
        qCInfo(lcConnection, "connected, drive version %s", text.c_str());
        m_engine.State().connected.store(true);
        m_state = State::Connected;
        PostMessage(Handle(), WM_LINK_READY);
        SetTimer(Handle(), TIMER_STATUS_POLL, kStatusPollPeriodMs);
        // The version reply has just released the link, so this goes out.
        Send("GDTY\r");
      } else {
        Status(QStringLiteral("连接驱动器失败"));
        m_engine.State().connected.store(m_engine.State().debugMode);
        m_state = State::NotAccepted;
      }
      m_retries = 0;
      break;
    case kCodeGDTY:
      ToPanel(kCodeGDTY, 0, &text);
      PostMessage(m_parameterPage, WM_PAGE_NOTIFY, 1, 1);
      break;
    case kCodeGSI:
      ToPanel(kCodeGSI, 0, &text);
      break;
    case kCodeGEI:
      ToPanel(kCodeGEI, 0, &text);
      break;
    case kCodeGT:
      PostMessage(m_panel, WM_STATUS_PANEL, static_cast<std::uintptr_t>(value), kCodeGT);
      break;
    case kCodeGSP:
      PostMessage(m_panel, WM_STATUS_PANEL, static_cast<std::uintptr_t>(value), kCodeGSP);
      break;
    case kCodeGENC:
      PostMessage(m_panel, WM_STATUS_PANEL, static_cast<std::uintptr_t>(value), kCodeGENC);
      break;
    case kCodeQNCON:
      if (EqualsIgnoreCase(text, "DIRER")) {
        PostMessage(m_panel, WM_STATUS_PANEL, 1, kCodeQNCON);
        Status(QStringLiteral("连接驱动器成功，获取驱动器型号"));
        m_retries = 0;
        m_state = State::ReadingType;
        Send("DRVTYP\r");
        SetTimer(Handle(), TIMER_DRVTYP, kDriveTypePeriodMs);
      }
      break;
    default:
      break;
  }
  m_engine.SetPendingCode(kCodeNone);
}

void ConnectionSequence::OnTimer(std::uint32_t timerId) {
  switch (timerId) {
    case TIMER_VERSION:
      if (++m_retries <= 2) {
        Status(QStringLiteral("连接驱动器"));
        Send("GVER\r");
      } else {
        KillTimer(Handle(), TIMER_VERSION);
        m_retries = 0;
        m_state = State::NotConnected;
        Status(QStringLiteral("未连接驱动器"));
        ToPanel(kCodeGVER, 0, nullptr);
      }
      break;
    case TIMER_DRVTYP: {
      Status(QStringLiteral("获取驱动器型号"));
      Send("DRVTYP\r");
      const int before = m_retries++;
      if (before >= 2) {
        KillTimer(Handle(), TIMER_DRVTYP);
        m_retries = 0;
        Status(QStringLiteral("获取驱动器型号失败"));
        const std::string unknown = ToGbk(QStringLiteral("未知驱动器"));
        ToPanel(kCodeGDTY, 0, &unknown);
        m_state = m_engine.State().connected.load() ? State::Connected : State::NotConnected;
      }
      break;
    }
    case TIMER_STATUS_POLL:
      if (WasSent(Send("GSI\r"))) StartStatusChain();
      break;
    case TIMER_STATUS_CHAIN: {
      const int step = m_statusChainStep++;
      if (step == 0) {
        Send("GEI\r");
      } else {
        if (step == 1) Send("GT\r");
        KillTimer(Handle(), TIMER_STATUS_CHAIN);
      }
      break;
    }
    case TIMER_REPLY:
      KillTimer(Handle(), TIMER_REPLY);
      m_engine.ReleaseWaitOf(Handle());
      m_engine.SetPendingCode(kCodeNone);
      break;
    default:
      break;
  }
}

}  // namespace zembra
