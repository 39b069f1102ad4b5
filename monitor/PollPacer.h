#pragma once
// When the monitoring page's next poll goes out. At the page timer's pace,
// every tick; or, with fast sampling, as soon as the previous poll has been
// answered, so the rate is set by the line and the drive. A fast poll that
// was never answered (or never written) is given up at the next timer tick
// that comes at least kAnswerTimeoutMs after it, so a silent drive is polled
// at the timer's pace and never left unasked.
#include <cstdint>

namespace zembra {

class PollPacer {
 public:
  static constexpr std::uint32_t kAnswerTimeoutMs = 100;

  void Start(bool fast);
  bool Fast() const { return m_fast; }

  // The page's timer ticked: whether a poll goes out now.
  bool DueOnTick(std::uint32_t now) const;
  // A poll's answer was taken: whether the next one goes out now.
  bool DueOnAnswer();
  // A poll went out (or failed to); a failed one is retried at the next tick.
  void Polled(std::uint32_t now, bool written);

 private:
  bool m_fast = false;
  bool m_outstanding = false;
  std::uint32_t m_lastPoll = 0;
};

}  // namespace zembra
