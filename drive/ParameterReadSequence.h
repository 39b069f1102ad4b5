#pragma once
// The bulk read: every read of the parameter table in its order, one at a
// time. Each step waits up to 500 ms for its reply, then pauses 50 ms so
// the drive and the receive thread keep up. A step the link refuses (a
// status poll or a quick command holds it) is tried again while the link
// stays busy, for up to a second, before it counts as refused.
//
// It runs on the GUI thread's timers: nothing blocks, and stopping it is
// cancelling a timer and a request.
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "drive/ParameterTable.h"
#include "drive/ReplyDecoder.h"
#include "link/LinkRequester.h"
#include "platform/WindowRuntime.h"

namespace zembra::drive {

struct ReadStepResult {
  enum class Outcome { Answered, TimedOut, Refused };
  const ReadStep* step = nullptr;
  int index = 0;  // 0-based position in the table's read order
  Outcome outcome = Outcome::Refused;
  std::string reply;     // the reply text when Answered
  DecodedReply decoded;  // what the reply changes, when Answered
  SendResult refusal = SendResult::Sent;
};

struct ReadSummary {
  int total = 0;
  int answered = 0;
  std::vector<std::string_view> timedOut;  // mnemonics, in read order
  std::vector<std::string_view> refused;
  bool stopped = false;  // ended by Stop() before its last step
};

class ParameterReadSequence : public MessageWindow {
 public:
  static constexpr std::chrono::milliseconds kReplyWait{500};
  static constexpr std::chrono::milliseconds kPause{50};
  static constexpr std::chrono::milliseconds kPatience{1000};

  using StepHandler = std::function<void(const ReadStepResult&)>;
  using FinishHandler = std::function<void(const ReadSummary&)>;

  explicit ParameterReadSequence(TransactionEngine& engine);
  ~ParameterReadSequence() override;

  // False (and nothing happens) while a read runs. `onStep` runs once per
  // step as it ends, `onFinished` once at the end; both on the GUI thread.
  bool Start(StepHandler onStep, FinishHandler onFinished);
  // The same for some of the steps only (indices into the read order, run
  // in the order given): the read-back after a write.
  bool Start(std::vector<int> steps, StepHandler onStep, FinishHandler onFinished);
  // Ends a running read at once: its request is withdrawn, the link
  // released, and `onFinished` runs with `stopped` set.
  void Stop();
  bool Running() const { return m_running; }
  // Steps ended so far in the running read, and how many it has.
  int StepsDone() const { return m_next; }
  int StepsPlanned() const { return static_cast<int>(m_steps.size()); }
  static int StepCount() { return static_cast<int>(ParameterTable::ReadSteps().size()); }

  // The pause after each step; kPause unless a drive that needs less
  // (a virtual one) is read.
  void SetPause(std::chrono::milliseconds pause) { m_pause = pause; }

  void OnTimer(std::uint32_t timerId) override;

 private:
  enum Timer : std::uint32_t { kTimerReplyWait = 1, kTimerPause = 2 };

  const ReadStep& Current() const;
  void StartStep();
  void OnReply(const LinkReply& reply);
  void EndStep(ReadStepResult result);
  void Finish(bool stopped);

  LinkRequester m_requester;
  bool m_running = false;
  std::chrono::milliseconds m_pause = kPause;
  std::vector<int> m_steps;  // indices into the read order
  int m_next = 0;            // position in m_steps of the step in progress
  StepHandler m_onStep;
  FinishHandler m_onFinished;
  ReadSummary m_summary;
  ReadStepResult m_timedOutStep;  // held while the rest of the 500 ms runs out
};

}  // namespace zembra::drive
