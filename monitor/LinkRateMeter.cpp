#include "monitor/LinkRateMeter.h"

#include <algorithm>

namespace zembra {

void LinkRateMeter::Start(std::uint32_t now) {
  m_polls.clear();
  m_replies.clear();
  m_lastHeard = now;
}

void LinkRateMeter::Record(std::deque<std::uint32_t>& events, std::uint32_t now) {
  events.push_back(now);
  while (!events.empty() && now - events.front() > kWindowMs) events.pop_front();
}

void LinkRateMeter::Polled(std::uint32_t now) { Record(m_polls, now); }

void LinkRateMeter::Answered(std::uint32_t now) {
  Record(m_replies, now);
  m_lastHeard = now;
}

double LinkRateMeter::Rate(const std::deque<std::uint32_t>& events, std::uint32_t now) {
  // Only events still inside the window count; ticks wrap.
  std::size_t first = 0;
  while (first < events.size() && now - events[first] > kWindowMs) ++first;
  const std::size_t count = events.size() - first;
  if (count < 2) return 0.0;
  const double spread = events.back() - events[first];
  if (spread <= 0.0) return 0.0;
  // Each event stands for one interval, the newest one's reaching up to
  // now at the earliest: steady events read exactly their rate, and events
  // that stop make the rate fall off instead of freezing.
  const double interval = spread / (count - 1);
  const double covered = std::max(spread + interval, static_cast<double>(now - events[first]));
  return count * 1000.0 / covered;
}

double LinkRateMeter::PollRate(std::uint32_t now) const { return Rate(m_polls, now); }
double LinkRateMeter::ReplyRate(std::uint32_t now) const { return Rate(m_replies, now); }

bool LinkRateMeter::DriveSilent(std::uint32_t now) const { return now - m_lastHeard > kSilenceMs; }

QString LinkRateMeter::Text(std::uint32_t now) const {
  QString text = QStringLiteral("%1 次/秒，回复 %2 次/秒")
                     .arg(PollRate(now), 0, 'f', 1)
                     .arg(ReplyRate(now), 0, 'f', 1);
  if (DriveSilent(now)) text += QStringLiteral("，驱动器无响应");
  return text;
}

}  // namespace zembra
