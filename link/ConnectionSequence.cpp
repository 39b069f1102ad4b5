#include "link/ConnectionSequence.h"

#include <QLoggingCategory>

#include "link/ReplyText.h"
#include "platform/Gbk.h"
#include "platform/Prompter.h"
#include "platform/WindowMessages.h"

namespace zembra {
namespace {

// Off unless asked for (QT_LOGGING_RULES="zembra.connection.info=true"):
// when a drive was identified or lost, which queries the link did not
// send, for diagnosis and start-up timing.
Q_LOGGING_CATEGORY(lcConnection, "zembra.connection", QtWarningMsg)

bool EqualsIgnoreCase(std::string text, const char* expected) {
  ToUpperAscii(text);
  return text == expected;
}

}  // namespace

ConnectionSequence::ConnectionSequence(TransactionEngine& engine)
    : m_engine(engine),
      m_requester(engine),
      m_handshake([this](const char* command) { return Ask(command); },
                  {.asking = [this] { Status(QStringLiteral("连接驱动器")); },
                   .versionAnswered = [this](const std::string& version) { return OnVersion(version); },
                   .gaveUp = [this] { OnGaveUp(); },
                   .refused =
                       [](SendResult refusal) {
                         qCInfo(lcConnection, "identification query not sent: %s",
                                qUtf8Printable(RefusalReason(refusal)));
                       },
                   .modelAnswered = [this](const std::string& model) { OnModel(model); },
                   .settled = nullptr}) {}

void ConnectionSequence::Status(const QString& text) {
  if (m_statusText) m_statusText(text);
}

SendResult ConnectionSequence::Ask(std::string command) {
  return m_requester.RequestNow(std::move(command), [this](const LinkReply& reply) { OnReply(reply); });
}

void ConnectionSequence::AskOrLose(const char* command) {
  const SendResult sent = Ask(command);
  if (!WasSent(sent))
    qCInfo(lcConnection, "%.*s not sent: %s", static_cast<int>(std::string_view(command).size()) - 1, command,
           qUtf8Printable(RefusalReason(sent)));
}

std::intptr_t ConnectionSequence::ToPanel(CommandCode code, std::uintptr_t value, const std::string* text) {
  if (!m_panel) return 0;
  if (text) return SendMessage(m_panel, WM_STATUS_PANEL, 0, code, MakePayload(*text));
  return SendMessage(m_panel, WM_STATUS_PANEL, value, code);
}

void ConnectionSequence::Start() {
  m_state = State::QueryingVersion;
  Status(QStringLiteral("连接驱动器"));
  m_handshake.Start();
}

bool ConnectionSequence::ManualReconnect() {
  const SendResult sent = m_handshake.StartNow();
  if (!WasSent(sent)) {
    CurrentPrompter().ShowMessage(DescribeRefusal(sent), QString::fromUtf8(kErrorCaption), PromptIcon::Error);
    return false;
  }
  KillTimer(Handle(), TIMER_STATUS_POLL);
  PostMessage(m_panel, WM_STATUS_PANEL, 0, kCodeGVER);
  m_state = State::QueryingVersion;
  m_engine.SetConnected(m_engine.State().debugMode);
  return true;
}

void ConnectionSequence::OnPortLost() {
  m_handshake.Stop();
  m_requester.Cancel();
  for (std::uint32_t timer : {TIMER_DRVTYP, TIMER_STATUS_POLL, TIMER_STATUS_CHAIN}) KillTimer(Handle(), timer);
  m_typeTries = 0;
  m_state = State::NotConnected;
  m_engine.SetConnected(m_engine.State().debugMode);
  qCInfo(lcConnection, "port lost");
  Status(QStringLiteral("串口已断开"));
  ToPanel(kCodeGVER, 0, nullptr);
}

void ConnectionSequence::StartStatusChain() {
  m_statusChainStep = 0;
  SetTimer(Handle(), TIMER_STATUS_CHAIN, kStatusChainPeriodMs);
}

bool ConnectionSequence::OnVersion(const std::string& version) {
  if (ToPanel(kCodeGVER, 0, &version) == 0) {
    Status(QStringLiteral("连接驱动器失败"));
    m_engine.SetConnected(m_engine.State().debugMode);
    m_state = State::NotAccepted;
    return false;
  }
  Status(QStringLiteral("连接驱动器成功"));
  qCInfo(lcConnection, "connected, drive version %s", version.c_str());
  m_engine.SetConnected(true);
  m_state = State::Connected;
  SetTimer(Handle(), TIMER_STATUS_POLL, kStatusPollPeriodMs);
  // The handshake asks for the type next; the version reply has just
  // released the link, so it goes out.
  return true;
}

void ConnectionSequence::OnModel(const std::string& model) {
  ToPanel(kCodeGDTY, 0, &model);
  PostMessage(m_parameterPage, WM_PAGE_NOTIFY, 1, 1);
}

void ConnectionSequence::OnGaveUp() {
  m_state = State::NotConnected;
  Status(QStringLiteral("未连接驱动器"));
  ToPanel(kCodeGVER, 0, nullptr);
}

void ConnectionSequence::OnReply(const LinkReply& reply) {
  if (reply.code == kCodeGVER || reply.code == kCodeGDTY) {
    m_handshake.TakeReply(reply);
    return;
  }
  if (reply.outcome != LinkReply::Outcome::Answered) return;  // unanswered: nothing to show
  const std::string& text = reply.text;
  switch (reply.code) {
    case kCodeGSI:
    case kCodeGEI:
      ToPanel(reply.code, 0, &text);
      break;
    case kCodeGT:
    case kCodeGSP:
    case kCodeGENC:
      PostMessage(m_panel, WM_STATUS_PANEL, static_cast<std::uintptr_t>(static_cast<std::intptr_t>(LeadingInt(text))),
                  reply.code);
      break;
    case kCodeQNCON:
      if (EqualsIgnoreCase(text, "DIRER")) {
        PostMessage(m_panel, WM_STATUS_PANEL, 1, kCodeQNCON);
        Status(QStringLiteral("连接驱动器成功，获取驱动器型号"));
        m_typeTries = 0;
        m_state = State::ReadingType;
        AskOrLose("DRVTYP\r");
        SetTimer(Handle(), TIMER_DRVTYP, kDriveTypePeriodMs);
      }
      break;
    default:
      break;
  }
}

void ConnectionSequence::OnTimer(std::uint32_t timerId) {
  switch (timerId) {
    case TIMER_DRVTYP: {
      Status(QStringLiteral("获取驱动器型号"));
      AskOrLose("DRVTYP\r");
      const int before = m_typeTries++;
      if (before >= 2) {
        KillTimer(Handle(), TIMER_DRVTYP);
        m_typeTries = 0;
        Status(QStringLiteral("获取驱动器型号失败"));
        const std::string unknown = ToGbk(QStringLiteral("未知驱动器"));
        ToPanel(kCodeGDTY, 0, &unknown);
        m_state = m_engine.State().connected.load() ? State::Connected : State::NotConnected;
      }
      break;
    }
    case TIMER_STATUS_POLL: {
      const SendResult sent = Ask("GSI\r");
      if (WasSent(sent)) {
        StartStatusChain();
      } else {
        qCInfo(lcConnection, "status poll not sent: %s", qUtf8Printable(RefusalReason(sent)));
      }
      break;
    }
    case TIMER_STATUS_CHAIN: {
      const int step = m_statusChainStep++;
      if (step == 0) {
        AskOrLose("GEI\r");
      } else {
        if (step == 1) AskOrLose("GT\r");
        KillTimer(Handle(), TIMER_STATUS_CHAIN);
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace zembra
