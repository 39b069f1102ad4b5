#pragma once
// Turns SIGINT and SIGTERM into a call on the GUI thread, so that Ctrl+C in
// a terminal or a session logout closes the program by the same orderly
// exit as its close button: streams stopped, receive thread ended.
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
