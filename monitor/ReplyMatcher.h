#pragma once
// Pairs each reply with the command that asked for it. The drive answers
// in the order it was asked, so the oldest unanswered command owns the
// next reply; a command left unanswered for too long is given up, so one
// lost answer cannot shift every later reply onto the wrong command.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

#include "link/CommandVocabulary.h"

namespace zembra {

// Why the page sent a command: a poll whose answer is a sample, or a
// motion command whose answer ("OK", "ERR") is not.
enum class SentPurpose { Poll, Motion };

struct SentCommand {
  SentPurpose purpose = SentPurpose::Poll;
  CommandCode code = kCodeUnknown;
  std::uint32_t tick = 0;
};

class ReplyMatcher {
 public:
  // A drive that has not answered within this time will not answer.
  static constexpr std::uint32_t kGiveUpMs = 1000;
  // Bounds the queue when the drive is silent and the page keeps asking.
  static constexpr std::size_t kMaxOutstanding = 64;

  void Clear() { m_sent.clear(); }
  void Sent(SentPurpose purpose, CommandCode code, std::uint32_t tick);
  // The command that a reply arriving at `tick` answers; nothing when no
  // command is waiting for one.
  std::optional<SentCommand> Answer(std::uint32_t tick);
  std::size_t Outstanding() const { return m_sent.size(); }

 private:
  std::deque<SentCommand> m_sent;
};

}  // namespace zembra
