#include "monitor/PollPacer.h"

namespace zembra {

void PollPacer::Start(bool fast) {
  m_fast = fast;
  m_outstanding = false;
  m_lastPoll = 0;
}

bool PollPacer::DueOnTick(std::uint32_t now) const {
  if (!m_fast) return true;
  // Tick counts wrap; their difference does not.
  return !m_outstanding || now - m_lastPoll >= kAnswerTimeoutMs;
}

bool PollPacer::DueOnAnswer() {
  m_outstanding = false;
  return m_fast;
}

void PollPacer::Polled(std::uint32_t now, bool written) {
  m_outstanding = written;
  m_lastPoll = now;
}

}  // namespace zembra
