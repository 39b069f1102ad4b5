#pragma once
// The parameter page's conversations with the drive, one at a time: the
// bulk read, the write, the EEPROM save, the factory reset with its
// re-read, and the phase initialisation. A second start while one runs is
// refused and the running one named, so a write never runs into a read and
// neither loses commands to the other. Nothing here blocks; everything
// reports on the GUI thread.
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "drive/CommandSequence.h"
#include "drive/EepromSave.h"
#include "drive/ParameterReadSequence.h"
#include "link/LinkRequester.h"
#include "link/TransactionEngine.h"

namespace zembra {

class ParameterOperations {
 public:
  enum class Kind { None, Read, Write, Verify, EepromSave, FactoryReset, PhaseInit };
  enum class StartResult { Started, NotConnected, Busy };

  using ReadStepHandler = drive::ParameterReadSequence::StepHandler;
  using ReadFinishHandler = drive::ParameterReadSequence::FinishHandler;
  using WriteStepHandler = drive::CommandSequence::StepHandler;
  using WriteFinishHandler = drive::CommandSequence::FinishHandler;
  using EepromFinishHandler = drive::EepromSave::FinishHandler;
  using ReplyHandler = std::function<void(const LinkReply&)>;

  explicit ParameterOperations(TransactionEngine& engine);
  // Stops whatever runs without calling anybody back.
  ~ParameterOperations();
  ParameterOperations(const ParameterOperations&) = delete;
  ParameterOperations& operator=(const ParameterOperations&) = delete;

  Kind Running() const { return m_running; }
  // What a refused start tells the user: "正在获取参数" while reading.
  static QString BusyText(Kind kind);
  bool Connected() const;

  // Each needs a connected drive and no running operation. Handlers run
  // on the GUI thread; a finish handler runs after the operation counts as
  // ended, so it may start the next one.
  StartResult StartRead(ReadStepHandler onStep, ReadFinishHandler onFinished);
  StartResult StartWrite(std::vector<drive::DriveCommand> commands, WriteStepHandler onStep,
                         WriteFinishHandler onFinished);
  // Reads back some steps after a write (indices into the read order).
  StartResult StartVerify(std::vector<int> steps, ReadStepHandler onStep, ReadFinishHandler onFinished);
  StartResult StartEepromSave(EepromFinishHandler onFinished);
  // "FCFG", then a full read whether or not the command went out (the
  // page must show the drive's values either way).
  StartResult StartFactoryReset(ReplyHandler onReset, ReadStepHandler onStep, ReadFinishHandler onFinished);
  // "CPA": the link's own refusals apply, a connection is not required.
  StartResult StartPhaseInit(ReplyHandler onDone);

  // Ends the running operation at once, without calling back.
  void StopAll();

  // The pauses after each read step and each written command. A real
  // drive needs the defaults; a virtual one answers at once, and tests
  // that run hundreds of writes against it use shorter ones.
  void SetPauses(std::chrono::milliseconds read, std::chrono::milliseconds write);

  // How long a refused command is retried before it counts as refused.
  static constexpr std::chrono::milliseconds kPatience{1000};

 private:
  StartResult CanStart(bool needsConnection) const;
  void BeginRead(Kind kind, std::vector<int> steps, ReadStepHandler onStep, ReadFinishHandler onFinished);
  // A refusal that waiting will not cure (the port is gone, the monitoring
  // page owns the link) ends the operation instead of failing every step.
  static bool EndsOperation(SendResult refusal);

  TransactionEngine& m_engine;
  drive::ParameterReadSequence m_read;
  drive::CommandSequence m_write;
  drive::EepromSave m_eeprom;
  LinkRequester m_single;
  std::optional<std::chrono::milliseconds> m_writePause;
  Kind m_running = Kind::None;
  // Set while StopAll runs: a stopped read or write ends by calling its
  // finish handler, which nobody is to hear.
  bool m_quiet = false;
};

}  // namespace zembra
