#pragma once
// Stores the drive's working parameters in its EEPROM ("ESA") and finds
// out whether it worked: the drive's answer is awaited for up to a second,
// and the operation lasts at least that second, the time the drive needs
// to store before it takes further commands.
#include <chrono>
#include <functional>
#include <string>

#include "link/LinkRequester.h"
#include "platform/WindowRuntime.h"

namespace zembra::drive {

struct EepromResult {
  enum class Outcome {
    Stored,     // the drive answered without "ERR"
    DriveError, // the drive answered "ERR"
    NoAnswer,   // nothing within the second
    Refused,    // the link did not send it
  };
  Outcome outcome = Outcome::Refused;
  std::string reply;
  SendResult refusal = SendResult::Sent;
};

class EepromSave : public MessageWindow {
 public:
  static constexpr std::chrono::milliseconds kDuration{1000};
  static constexpr std::chrono::milliseconds kPatience{1000};
  using FinishHandler = std::function<void(const EepromResult&)>;

  explicit EepromSave(TransactionEngine& engine);

  // False (and `onFinished` never runs) while a save runs. `onFinished`
  // runs once on the GUI thread.
  [[nodiscard]] bool Start(FinishHandler onFinished);
  void Stop();
  bool Running() const { return m_running; }

  void OnTimer(std::uint32_t timerId) override;

 private:
  enum Timer : std::uint32_t { kTimerDuration = 1 };
  void OnReply(const LinkReply& reply);
  void Finish();

  LinkRequester m_requester;
  bool m_running = false;
  bool m_answered = false;
  bool m_durationOver = false;
  EepromResult m_result;
  FinishHandler m_onFinished;
};

// Words for a user: what became of the save.
std::string DescribeEepromResult(const EepromResult& result);

}  // namespace zembra::drive
