#pragma once
// One drive link, one answer at a time: the port, the receive thread that
// frames the replies and posts each to the window that waits for it, and
// the link state. Every command the program sends goes through here, by
// way of the typed request (LinkRequester) or the monitoring page's hold of
// the link (MonitorLink); nothing else sets a wait or a reply time-out.
#include <poll.h>

#include <QString>
#include <atomic>
#include <functional>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include "link/CommandVocabulary.h"
#include "link/FrameScanner.h"
#include "link/LinkState.h"
#include "link/MSComm.h"
#include "link/SendResult.h"
#include "platform/WindowRuntime.h"

namespace zembra {

class TransactionEngine {
 public:
  static constexpr std::uint32_t kReplyTimeoutMs = 450;
  static constexpr std::uint32_t kBlockReplyTimeoutMs = 3600;

  explicit TransactionEngine(LinkState& state);
  ~TransactionEngine();
  TransactionEngine(const TransactionEngine&) = delete;
  TransactionEngine& operator=(const TransactionEngine&) = delete;

  const LinkState& State() const { return m_state; }
  // The drive has been identified (or, in debug mode, counts as such).
  void SetConnected(bool connected) { m_state.connected.store(connected); }
  const CommandCodeMap& Codes() const { return m_codes; }
  CMSComm& Port() { return m_port; }

  // Where link traffic is shown, and who hears of a vanished port or a
  // failed receive wait (the main frame). 0 = nobody.
  void SetConsoleWindow(HWND console) { m_console.store(console); }
  void SetOwnerWindow(HWND owner) { m_owner.store(owner); }
  // Progress texts (the status bar's third pane).
  void SetStatusText(std::function<void(const QString&)> sink) { m_statusText = std::move(sink); }

  // Opens the port; on failure shows why (caption "伺服运控系统", error
  // icon) and returns false.
  bool OpenPort(const QString& devicePath, const std::string& settings);
  // Opens the device of the last OpenPort again with its settings, without
  // telling the user when it fails (a reconnect tries again by itself).
  bool ReopenPort();
  // Closes the port; the receive thread stops waiting on it.
  void ClosePort();
  QString LastDevicePath() const;
  // How long `bytes` take on the line at the baud of the last OpenPort
  // (start, eight data bits, stop: ten bits a byte); zero when no baud is
  // known.
  std::chrono::microseconds WireTime(std::size_t bytes) const;

  // How the receive thread waits; tests put a failing one in its place.
  // Set before StartReceiveThread.
  using PollFunction = int (*)(::pollfd* fds, ::nfds_t count, int timeoutMs);
  void SetPollFunction(PollFunction poll) { m_poll = poll; }

  bool StartReceiveThread();
  // Clears the run flag, sets the stop flag, wakes the thread and joins it.
  void StopReceiveThread();
  bool ReceiveThreadRunning() const { return m_thread.joinable(); }

  // At shutdown: while the monitoring page holds the link, the drive is
  // told to stop all three sampling streams. Sent when nothing monitors;
  // otherwise the first stop the link did not send.
  [[nodiscard]] SendResult StopStreamsWhileMonitoring();

 private:
  // The raw sends and the wait they set. Windows reach them only through
  // the typed request (LinkRequester) or the monitoring page's hold of the
  // link (MonitorLink), which own the reply time-out and the release.
  friend class LinkRequester;
  friend class MonitorLink;
  friend class EngineProbe;  // the link's own tests of this layer

  // The general transaction: refused while monitoring or while a reply is
  // awaited; upper-cases the text and records its code; starts the reply
  // time-out on `wait` (450 ms, 3600 ms for GESA). Callable from any thread.
  // When the port cannot take the bytes the wait is given up at once.
  [[nodiscard]] SendResult SendCommand(std::string text, HWND wait, bool echo);
  // Writes the text unchanged without waiting; refused while monitoring,
  // unless sent by the monitoring holder or the window that awaits replies.
  [[nodiscard]] SendResult SendRaw(std::string text, HWND wait, bool echo);
  // The monitoring page's periodic read: never refused, no time-out.
  [[nodiscard]] SendResult SendMonitorQuery(std::string text, HWND wait, bool echo);
  // Sampling-stream commands; Busy when another window owns the stream.
  [[nodiscard]] SendResult SendStreamCommand(std::string text, HWND hwnd, bool owner);

  // Takes the link for monitoring by `holder`: Monitoring when it is held
  // already, Busy while a window awaits a reply. `pollText` is the polled
  // user command, passed without refusal like the fixed polls.
  [[nodiscard]] SendResult BeginMonitoring(HWND holder, std::string pollText);
  // Gives the link back if `holder` holds it. Needs only the link state,
  // which outlives the engine: a page may go after the engine has gone.
  static void EndMonitoring(LinkState& state, HWND holder);
  // Ends the wait only if `hwnd` is still the waiting window, so a late
  // time-out never releases a wait that another window has since started.
  void ReleaseWaitOf(HWND hwnd);

  void ReceiveThreadProc();
  void Deliver(const ScannedFrame& frame);
  bool WriteAndEcho(const std::string& text, bool echo);
  void Echo(const std::string& text);
  void Notice(const QString& text);
  void WakeReceiveThread();

  LinkState& m_state;
  CommandCodeMap m_codes;
  CMSComm m_port;
  FrameScanner m_scanner;  // receive thread only
  std::atomic<HWND> m_console{0};
  std::atomic<HWND> m_owner{0};
  std::function<void(const QString&)> m_statusText;

  mutable std::mutex m_openMutex;
  QString m_lastPath;
  std::string m_lastSettings;

  std::mutex m_monitorTextMutex;
  std::string m_monitorCommandText;

  PollFunction m_poll = nullptr;  // null: the system's poll()
  std::thread m_thread;
  std::atomic<bool> m_rxRun{true};
  std::atomic<bool> m_stopRx{false};
  int m_wakeFd = -1;
};

}  // namespace zembra
