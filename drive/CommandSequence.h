#pragma once
// Sends a list of commands to the drive in order, each followed by its
// pause, without waiting on the drive's answers: a parameter write. While
// a command is on its way and its answer may come, this window holds the
// link, so a status poll or a quick command that starts meanwhile cannot
// take that answer for its own; the pause itself is never stretched by
// waiting. A command the link refuses is tried again while the link stays
// busy, for up to a second; still refused, it is recorded and the write
// goes on with the next.
#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "drive/WriteEncoder.h"
#include "link/LinkRequester.h"
#include "platform/WindowRuntime.h"

namespace zembra::drive {

struct CommandResult {
  const DriveCommand* command = nullptr;
  int index = 0;
  bool sent = false;
  SendResult refusal = SendResult::Sent;
};

struct CommandSummary {
  int total = 0;
  int sent = 0;
  std::vector<std::string_view> refused;         // mnemonics of commands never sent
  std::vector<std::string_view> answeredError;   // sent, and the drive answered "ERR"
  bool stopped = false;
  bool Complete() const { return !stopped && sent == total; }
};

class CommandSequence : public MessageWindow {
 public:
  static constexpr std::chrono::milliseconds kPatience{1000};

  using StepHandler = std::function<void(const CommandResult&)>;
  using FinishHandler = std::function<void(const CommandSummary&)>;

  explicit CommandSequence(TransactionEngine& engine);
  ~CommandSequence() override;

  // False while a sequence runs. `onStep` runs as each command leaves (or
  // is given up), `onFinished` after the last pause.
  bool Start(std::vector<DriveCommand> commands, StepHandler onStep, FinishHandler onFinished);
  void Stop();
  bool Running() const { return m_running; }
  int StepsDone() const { return m_next; }
  int StepCount() const { return static_cast<int>(m_commands.size()); }

  void OnTimer(std::uint32_t timerId) override;

 private:
  enum Timer : std::uint32_t { kTimerPause = 1 };

  void StartStep();
  void OnSent(int index);
  void OnAnswer(const LinkReply& reply);
  void Finish(bool stopped);
  // The command's pause, counted from when its last byte reaches the drive.
  std::uint32_t PauseAfterSending(const DriveCommand& command) const;

  TransactionEngine& m_engine;
  LinkRequester m_requester;
  std::vector<DriveCommand> m_commands;
  bool m_running = false;
  bool m_inPause = false;
  int m_next = 0;
  StepHandler m_onStep;
  FinishHandler m_onFinished;
  CommandSummary m_summary;
};

}  // namespace zembra::drive
