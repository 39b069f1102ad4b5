#include "link/TransactionEngine.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "link/ReplyTimer.h"
#include "platform/Gbk.h"
#include "platform/Prompter.h"
#include "platform/WindowMessages.h"

namespace zembra {
namespace {

const char* const kStreamStops[] = {"$S\r", "*S\r", "@S\r"};

bool EqualsIgnoreCase(const std::string& a, const char* b) {
  std::string upper = a;
  ToUpperAscii(upper);
  return upper == b;
}

}  // namespace

TransactionEngine::TransactionEngine(LinkState& state) : m_state(state) {
  m_state.wait.StoreWindow(0);
  m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

TransactionEngine::~TransactionEngine() {
  StopReceiveThread();
  if (m_wakeFd >= 0) ::close(m_wakeFd);
}

bool TransactionEngine::OpenPort(const QString& devicePath, const std::string& settings) {
  {
    std::lock_guard lock(m_openMutex);
    m_lastPath = devicePath;
    m_lastSettings = settings;
  }
  bool ok = m_port.Open(devicePath, settings);
  // The receive thread may be waiting on the old descriptor.
  WakeReceiveThread();
  if (!ok) CurrentPrompter().ShowMessage(m_port.LastError(), QString::fromUtf8(kErrorCaption), PromptIcon::Error);
  return ok;
}

bool TransactionEngine::ReopenPort() {
  QString path;
  std::string settings;
  {
    std::lock_guard lock(m_openMutex);
    path = m_lastPath;
    settings = m_lastSettings;
  }
  if (path.isEmpty()) return false;
  const bool ok = m_port.Open(path, settings);
  WakeReceiveThread();
  if (ok) Notice(QStringLiteral("串口已重新打开：%1").arg(path));
  return ok;
}

std::chrono::microseconds TransactionEngine::WireTime(std::size_t bytes) const {
  std::string settings;
  {
    std::lock_guard lock(m_openMutex);
    settings = m_lastSettings;
  }
  const int baud = CMSComm::BaudFromSettings(settings);
  if (baud <= 0) return std::chrono::microseconds(0);
  return std::chrono::microseconds((static_cast<std::int64_t>(bytes) * 10 * 1000000 + baud - 1) / baud);
}

void TransactionEngine::ClosePort() {
  m_port.Close();
  WakeReceiveThread();
}

QString TransactionEngine::LastDevicePath() const {
  std::lock_guard lock(m_openMutex);
  return m_lastPath;
}

bool TransactionEngine::StartReceiveThread() {
  if (m_thread.joinable() || m_wakeFd < 0) return false;
  m_rxRun.store(true);
  m_stopRx.store(false);
  try {
    m_thread = std::thread([this] { ReceiveThreadProc(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void TransactionEngine::StopReceiveThread() {
  m_rxRun.store(false);
  m_stopRx.store(true);
  WakeReceiveThread();
  if (m_thread.joinable()) m_thread.join();
}

void TransactionEngine::WakeReceiveThread() {
  if (m_wakeFd < 0) return;
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(m_wakeFd, &one, sizeof one);
}

void TransactionEngine::ReceiveThreadProc() {
  std::string bytes;
  int lostFd = -1;  // a descriptor that hung up is not waited on again
  bool waitFailing = false;
  while (m_rxRun.load()) {
    pollfd fds[2];
    fds[0] = {m_wakeFd, POLLIN, 0};
    int count = 1;
    int portFd = m_port.PollDescriptor();
    if (portFd >= 0 && portFd != lostFd) fds[count++] = {portFd, POLLIN, 0};
    int r = m_poll ? m_poll(fds, static_cast<::nfds_t>(count), -1) : ::poll(fds, static_cast<::nfds_t>(count), -1);
    if (r < 0) {
      const int error = errno;
      if (error == EINTR) continue;
      // The wait itself failed. Ending the program would lose the user's
      // work; spinning would eat the machine. Treat the port as lost (a
      // reconnect follows) and wait a moment before the next try.
      // Said once for as long as the wait keeps failing, not every try.
      if (!waitFailing)
        Notice(QStringLiteral("等待串口数据失败（%1），按串口断开处理。").arg(QString::fromLocal8Bit(std::strerror(error))));
      waitFailing = true;
      if (portFd >= 0 && portFd != lostFd) {
        lostFd = portFd;
        PostMessage(m_owner.load(), WM_PORT_LOST);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      continue;
    }
    waitFailing = false;
    if (m_stopRx.load()) return;
    if (fds[0].revents & POLLIN) {
      std::uint64_t drained;
      [[maybe_unused]] ssize_t n = ::read(m_wakeFd, &drained, sizeof drained);
      lostFd = -1;  // woken by an open: the descriptor may be new
    }
    if (count < 2 || fds[1].revents == 0) continue;
    CMSComm::ReadStatus status = m_port.ReadAll(bytes);
    QString lostReason = m_port.LastError();
    // A hang-up that reads as "nothing" would wake poll() forever.
    if (status == CMSComm::ReadStatus::Nothing && (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL))) {
      status = CMSComm::ReadStatus::Lost;
      lostReason = QStringLiteral("串口已断开。");
    }
    switch (status) {
      case CMSComm::ReadStatus::Nothing:
        break;
      case CMSComm::ReadStatus::Lost:
        lostFd = portFd;
        Notice(lostReason);
        PostMessage(m_owner.load(), WM_PORT_LOST);
        break;
      case CMSComm::ReadStatus::Data:
        for (const ScannedFrame& frame : m_scanner.Feed(bytes, m_state.connected.load())) Deliver(frame);
        break;
    }
  }
}

void TransactionEngine::Deliver(const ScannedFrame& frame) {
  switch (frame.kind) {
    case ScannedFrame::Kind::TextReply: {
      // The bytes travel with the message, immutable, so a reply is never
      // read from a buffer that a later frame has overwritten.
      Payload payload = MakePayload(frame.payload);
      PostMessage(m_console.load(), WM_DRIVE_TEXT, 0,
                  MakeLParam(kDriveTextFrame, static_cast<std::uint16_t>(FrameType::Text)), payload);
      // One load: the window and the code it awaits belong together.
      const WaitClaim claim = m_state.wait.Load();
      // A text line does not answer the parameter block ("#ERR", or a late
      // line of something else): its time-out keeps running, so the block
      // may still come and otherwise the waiter hears that it did not.
      if (claim.window && claim.code != kCodeGESA) {
        PostMessage(claim.window, WM_DRIVE_REPLY, 0, MakeReplyLParam(claim.code, FrameType::Text), payload);
        ReplyTimer::Kill(claim.window);
      }
      break;
    }
    case ScannedFrame::Kind::Sample: {
      Payload payload = MakePayload(frame.payload);
      PostMessage(m_console.load(), WM_DRIVE_TEXT, 0,
                  MakeLParam(kDriveTextFrame, static_cast<std::uint16_t>(frame.type)), payload);
      HWND stream = m_state.streamWnd.load();
      const CommandCode code = m_state.wait.Code();
      if (stream && code != kCodeGESA)
        PostMessage(stream, WM_DRIVE_REPLY, 0, MakeReplyLParam(code, frame.type), payload);
      break;
    }
    case ScannedFrame::Kind::ParameterBlock: {
      const WaitClaim claim = m_state.wait.Load();
      if (claim.window && claim.code == kCodeGESA) {
        const HWND wait = claim.window;
        PostMessage(wait, WM_DRIVE_REPLY, 0, MakeReplyLParam(kCodeGESA, FrameType::Text), MakePayload(frame.payload));
        ReplyTimer::Kill(wait);
        PostMessage(m_console.load(), WM_DRIVE_TEXT, 0, MakeLParam(kDriveTextString, 0),
                    MakePayload("GESA Succeed"));
      }
      break;
    }
    case ScannedFrame::Kind::UnsolicitedStream:
      // The drive streams without having been asked: stop all three
      // streams. Written directly, so neither a pending reply nor the
      // awaited command's code is disturbed.
      for (const char* stop : kStreamStops) m_port.Write(stop);
      break;
  }
}

void TransactionEngine::Echo(const std::string& text) {
  HWND console = m_console.load();
  if (!console) return;
  SendMessage(console, WM_DRIVE_TEXT, 0, MakeLParam(kDriveTextString, 0), MakePayload(text));
}

void TransactionEngine::Notice(const QString& text) {
  HWND console = m_console.load();
  if (!console) return;
  // Console texts are drive bytes (GBK); notices are converted at the edge.
  PostMessage(console, WM_DRIVE_TEXT, 0, MakeLParam(kDriveTextString, 0), MakePayload(ToGbk(text)));
}

bool TransactionEngine::WriteAndEcho(const std::string& text, bool echo) {
  bool written = m_port.Write(text);
  if (echo) Echo(text);
  if (!written) Notice(QStringLiteral("命令未能发出：%1").arg(m_port.PortOpen() ? m_port.LastError()
                                                                          : QStringLiteral("串口未打开。")));
  return written;
}

SendResult TransactionEngine::SendCommand(std::string text, HWND wait, bool echo) {
  if (m_state.monitoring.load()) return SendResult::Monitoring;
  CommandCode code = kCodeUnknown;
  LookupCommandCode(m_codes, text, code);
  // Check and claim in one step: the GUI thread and the sequences may both
  // send.
  if (!m_state.wait.TryClaim(wait, code)) return SendResult::Busy;
  // The time-out is armed before the bytes leave, so a fast reply cannot
  // kill the timer before it exists and leave a stray time-out behind.
  if (wait) ReplyTimer::Start(wait, code == kCodeGESA ? kBlockReplyTimeoutMs : kReplyTimeoutMs);
  if (WriteAndEcho(text, echo)) return SendResult::Sent;
  // Nothing will answer bytes that never left: do not hold the link for
  // the time-out.
  if (wait) {
    ReplyTimer::Kill(wait);
    m_state.wait.ReleaseIf(wait);
  }
  return SendResult::NotWritten;
}

SendResult TransactionEngine::SendRaw(std::string text, HWND wait, bool echo) {
  // The holder passes even while its wait is released between polls: its
  // emergency stop must never be refused by its own link.
  const bool holder = wait != 0 && m_state.monitorHolder.load() == wait;
  if (m_state.monitoring.load() && m_state.wait.Window() != wait && !holder) return SendResult::Monitoring;
  return WriteAndEcho(text, echo) ? SendResult::Sent : SendResult::NotWritten;
}

SendResult TransactionEngine::SendMonitorQuery(std::string text, HWND wait, bool echo) {
  CommandCode code = kCodeUnknown;
  if (EqualsIgnoreCase(text, "GM\r")) {
    code = kCodeGM;
  } else if (EqualsIgnoreCase(text, "GV\r")) {
    code = kCodeGV;
  } else if (EqualsIgnoreCase(text, "GC\r")) {
    code = kCodeGC;
  } else {
    bool isMonitorCommand;
    {
      std::lock_guard lock(m_monitorTextMutex);
      isMonitorCommand = !m_monitorCommandText.empty() && text == m_monitorCommandText;
    }
    if (!isMonitorCommand) return SendCommand(std::move(text), wait, echo);
    LookupCommandCode(m_codes, text, code);
  }
  m_state.wait.Store({wait, code});
  return WriteAndEcho(text, echo) ? SendResult::Sent : SendResult::NotWritten;
}

SendResult TransactionEngine::SendStreamCommand(std::string text, HWND hwnd, bool owner) {
  HWND stream = m_state.streamWnd.load();
  if (stream == 0 || (stream == hwnd && owner)) {
    m_state.streamWnd.store(hwnd);
    return WriteAndEcho(text, false) ? SendResult::Sent : SendResult::NotWritten;
  }
  if (m_statusText) m_statusText(QStringLiteral("正在进行监测，请稍后重试......"));
  return SendResult::Busy;
}

SendResult TransactionEngine::StopStreamsWhileMonitoring() {
  if (!m_state.monitoring.load()) return SendResult::Sent;
  for (const char* stop : kStreamStops) {
    const SendResult sent = SendStreamCommand(stop, m_state.streamWnd.load(), true);
    if (!WasSent(sent)) return sent;
  }
  return SendResult::Sent;
}

SendResult TransactionEngine::BeginMonitoring(HWND holder, std::string pollText) {
  if (m_state.monitoring.load()) return SendResult::Monitoring;
  // Awaiting from the start, so the holder's own commands pass even
  // before the first poll, and nobody else's do.
  if (!m_state.wait.TryClaim(holder, kCodeUnknown)) return SendResult::Busy;
  {
    std::lock_guard lock(m_monitorTextMutex);
    m_monitorCommandText = std::move(pollText);
  }
  m_state.monitorHolder.store(holder);
  m_state.monitoring.store(true);
  m_state.displayBatching.store(true);
  return SendResult::Sent;
}

void TransactionEngine::EndMonitoring(LinkState& state, HWND holder) {
  if (holder == 0 || state.monitorHolder.load() != holder) return;
  state.monitoring.store(false);
  state.monitorHolder.store(0);
  state.wait.ReleaseIf(holder);
  state.streamWnd.store(0);
  state.displayBatching.store(false);
}

void TransactionEngine::ReleaseWaitOf(HWND hwnd) { m_state.wait.ReleaseIf(hwnd); }

}  // namespace zembra
