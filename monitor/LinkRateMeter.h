#pragma once
// How fast the page polls and how fast the drive answers, over the last
// few seconds, and whether the drive has gone quiet.
#include <QString>
#include <cstdint>
#include <deque>

namespace zembra {

class LinkRateMeter {
 public:
  static constexpr std::uint32_t kWindowMs = 3000;
  // No answer for longer than this while polling: the drive is not answering.
  static constexpr std::uint32_t kSilenceMs = 1000;

  void Start(std::uint32_t now);
  void Polled(std::uint32_t now);
  // An answer to a poll; counts toward the reply rate.
  void Answered(std::uint32_t now);
  // Any reply at all: the drive is alive.
  void Heard(std::uint32_t now) { m_lastHeard = now; }

  // Events per second over the window, from the spacing of the events in it.
  double PollRate(std::uint32_t now) const;
  double ReplyRate(std::uint32_t now) const;
  bool DriveSilent(std::uint32_t now) const;

  // "10.0 次/秒，回复 9.9 次/秒", or the rates and "驱动器无响应".
  QString Text(std::uint32_t now) const;

 private:
  static void Record(std::deque<std::uint32_t>& events, std::uint32_t now);
  static double Rate(const std::deque<std::uint32_t>& events, std::uint32_t now);

  std::deque<std::uint32_t> m_polls;
  std::deque<std::uint32_t> m_replies;
  std::uint32_t m_lastHeard = 0;  // start, or the newest reply
};

}  // namespace zembra
