#include "link/PortWatcher.h"

#include <sys/stat.h>

namespace zembra {

PortWatcher::PortWatcher(TransactionEngine& engine) : m_engine(engine) {}

void PortWatcher::Watch() {
  if (m_engine.LastDevicePath().isEmpty()) return;
  m_engine.ClosePort();
  m_watching = true;
  SetTimer(Handle(), kTimerLook, kLookPeriodMs);
}

void PortWatcher::StopWatching() {
  m_watching = false;
  KillTimer(Handle(), kTimerLook);
}

void PortWatcher::OnTimer(std::uint32_t timerId) {
  if (timerId != kTimerLook || !m_watching) return;
  // stat() follows a by-id link to the node it names now.
  struct stat st {};
  const QByteArray path = m_engine.LastDevicePath().toLocal8Bit();
  if (::stat(path.constData(), &st) != 0 || !S_ISCHR(st.st_mode)) return;
  // A node that exists but does not open yet (permissions still being
  // set up) is tried again at the next look.
  if (!m_engine.ReopenPort()) return;
  StopWatching();
  if (m_reopened) m_reopened();
}

}  // namespace zembra
