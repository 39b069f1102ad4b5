#include "platform/TerminationSignals.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace zembra {
namespace {

int g_pipe[2] = {-1, -1};

extern "C" void OnTerminationSignal(int) {
  // Only async-signal-safe work here: the GUI thread does the rest. The
  // interrupted code may be about to read errno.
  const int savedErrno = errno;
  const char byte = 1;
  [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &byte, 1);
  errno = savedErrno;
}

void Take(int signalNumber) {
  struct sigaction action {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(signalNumber, &action, nullptr);
}

bool IgnoredNow(int signalNumber) {
  struct sigaction current {};
  return ::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
  if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, [this] {
    char buffer[16];
    while (::read(g_pipe[0], buffer, sizeof buffer) > 0) {
    }
    if (m_onSignal) m_onSignal();
  });
  Take(SIGINT);
  Take(SIGTERM);
  m_hangupTaken = !IgnoredNow(SIGHUP);
  if (m_hangupTaken) Take(SIGHUP);
}

TerminationSignals::~TerminationSignals() {
  ::signal(SIGINT, SIG_DFL);
  ::signal(SIGTERM, SIG_DFL);
  if (m_hangupTaken) ::signal(SIGHUP, SIG_DFL);
}

}  // namespace zembra
