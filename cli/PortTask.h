#pragma once
// The work a command does on one identified drive. A task writes what it
// learns into the port's report and says when it is done; the port job
// owns the link around it.
#include <QString>
#include <functional>

namespace zembra::cli {

class PortTask {
 public:
  using Done = std::function<void()>;

  virtual ~PortTask() = default;

  // `done` runs once, on the GUI thread, never from inside Start().
  virtual void Start(Done done) = 0;
  // SIGINT: end after the command in flight.
  virtual void Interrupt() = 0;
  // The port is gone: end now, saying why.
  virtual void Abort(const QString& reason) = 0;
  // "读取参数 12/39"
  virtual QString Progress() const = 0;
};

// A drive that let this many commands in a row go unanswered has stopped
// answering: the task ends rather than talk on into silence.
constexpr int kUnansweredLimit = 4;

}  // namespace zembra::cli
