#pragma once
// Turns SIGINT, SIGTERM and SIGHUP into a call on the GUI thread, so that
// Ctrl+C in a terminal, `kill`, a session logout or a closed terminal end a
// program by its own orderly exit (the window's close button, the
// command-line tool's stop after the command in flight) instead of killing
// it mid-transaction. The call comes through a socket notifier, so it also
// arrives while a modal dialog runs its own event loop.
#include <QObject>
#include <functional>

class QSocketNotifier;

namespace zembra {

class TerminationSignals : public QObject {
 public:
  explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
  ~TerminationSignals() override;

 private:
  std::function<void()> m_onSignal;
  QSocketNotifier* m_notifier = nullptr;
  // SIGHUP is taken only when it was not ignored at start: `nohup` asks
  // for that, and gets it.
  bool m_hangupTaken = false;
};

}  // namespace zembra
