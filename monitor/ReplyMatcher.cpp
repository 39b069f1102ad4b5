#include "monitor/ReplyMatcher.h"

namespace zembra {

void ReplyMatcher::Sent(SentPurpose purpose, CommandCode code, std::uint32_t tick) {
  if (m_sent.size() >= kMaxOutstanding) m_sent.pop_front();
  m_sent.push_back({purpose, code, tick});
}

std::optional<SentCommand> ReplyMatcher::Answer(std::uint32_t tick) {
  // Wrapping difference: the tick counter may pass zero in between.
  while (!m_sent.empty() && tick - m_sent.front().tick > kGiveUpMs) m_sent.pop_front();
  if (m_sent.empty()) return std::nullopt;
  SentCommand answered = m_sent.front();
  m_sent.pop_front();
  return answered;
}

}  // namespace zembra
