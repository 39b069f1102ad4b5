#pragma once
// Turns SIGINT and SIGTERM into a call on the GUI thread, so that Ctrl+C in
// a terminal or a session logout ends a program by its own orderly exit
// (the window's close button, the command-line tool's stop after the
// command in flight) instead of killing it mid-transaction.
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
};

}  // namespace zembra
