#pragma once
// restore: the page's "设 置" for the file's values, command for command
// with its pauses; with a baud change the two baud commands after them;
// with --verify, the written parameters read back and compared with what
// was sent; with --eeprom, "ESA" once every command went out and was
// confirmed (and, with --verify, read back as sent).
//
// Writes do not wait for answers, but the drive answers every command, so
// the replies counted on the link tell a confirmed write from one that
// went partly unheard, and a drive that went quiet from a slow one.
#include <QString>
#include <chrono>
#include <functional>
#include <vector>

#include "cli/LinkWatch.h"
#include "cli/PortReport.h"
#include "cli/PortTask.h"
#include "drive/CommandSequence.h"
#include "drive/EepromSave.h"
#include "drive/ParameterReadSequence.h"
#include "drive/ParameterReadout.h"
#include "platform/WindowRuntime.h"

namespace zembra::cli {

struct RestorePlan {
  drive::ParameterSet values;  // what the commands were made from
  std::vector<drive::DriveCommand> commands;
  bool verify = false;
  bool eeprom = false;
  bool changeBaud = false;
  int serialBaud = 0;  // the rate the drive speaks after a baud change
  QString device;      // reopened at that rate before "ESA"
};

class RestoreTask : public PortTask, public MessageWindow {
 public:
  // A drive is taken as gone when kUnansweredLimit commands in a row and
  // this long went by without a reply; a busy machine may delay replies
  // past a pause or two, never this long.
  static constexpr std::chrono::milliseconds kQuietFor{1000};
  // After the last pause, replies still on their way get the link's
  // reply time to arrive before commands count as unconfirmed.
  static constexpr std::chrono::milliseconds kLateReplyWait{500};

  RestoreTask(TransactionEngine& engine, const LinkWatch& watch, RestorePlan plan, PortReport& report,
              std::function<void()> onProgress);

  void Start(Done done) override;
  void Interrupt() override;
  void Abort(const QString& reason) override;
  QString Progress() const override;

  void OnTimer(std::uint32_t timerId) override;

 private:
  enum class Phase { Idle, Writing, AwaitingLateReplies, Verifying, Saving, Done };
  enum Timer : std::uint32_t { kTimerLateReplies = 1 };
  static constexpr std::uint32_t kLateReplyPollMs = 20;

  void OnStep(const drive::CommandResult& result);
  void OnWritten(const drive::CommandSummary& summary);
  bool DriveWentQuiet() const;
  int Unconfirmed() const;
  void Conclude();
  void StartVerification();
  void OnVerified(const drive::ReadSummary& summary);
  void Store();
  void OnSaved(const drive::EepromResult& result);
  void Finish();
  static bool IsBaudCommand(const drive::DriveCommand& command);

  TransactionEngine& m_engine;
  const LinkWatch& m_watch;
  drive::CommandSequence m_write;
  drive::ParameterReadSequence m_readBack;
  std::optional<drive::ParameterReadout> m_readout;
  drive::EepromSave m_save;
  RestorePlan m_plan;
  PortReport& m_report;
  std::function<void()> m_onProgress;
  Done m_done;
  Phase m_phase = Phase::Idle;
  bool m_interrupted = false;
  bool m_aborted = false;

  std::chrono::steady_clock::time_point m_startedAt{};
  std::chrono::steady_clock::time_point m_lateWaitEnds{};
  std::uint64_t m_repliesAtStart = 0;
  std::uint64_t m_repliesSeen = 0;  // at the last command sent
  int m_unansweredInARow = 0;
  int m_confirmable = 0;            // commands sent that must be answered
};

}  // namespace zembra::cli
