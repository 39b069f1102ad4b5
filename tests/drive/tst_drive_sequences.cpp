// The read, write and EEPROM sequences over a real pseudo-terminal against
// the virtual drive: what goes out, in which order, what comes back; steps
// that time out; a link held by someone else (a status poll, a quick
// command) delays commands but loses none; stopping frees the link.
#include <gtest/gtest.h>

#include <QTimer>
#include <chrono>

#include "drive/CommandSequence.h"
#include "drive/EepromSave.h"
#include "drive/ParameterReadSequence.h"
#include "drive/WriteEncoder.h"
#include "platform/WindowMessages.h"
#include "tests/support/EngineOnVirtualDrive.h"
#include "tests/support/EventLoopWait.h"

namespace zembra::drive {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::PumpFor;
using test::WaitUntil;

class SequencesOverPty : public test::EngineOnVirtualDrive {
 protected:
  void SetUp() override {
    test::EngineOnVirtualDrive::SetUp();
    link.connected = true;
  }
};

TEST_F(SequencesOverPty, AFullReadAsksEveryParameterInOrderAndDecodesEachReply) {
  drive.WithModel([](sim::DriveModel& m) {
    m.SetParameter(sim::DriveParameter::MaxSpeed, 3200);
    m.SetParameter(sim::DriveParameter::CanBaud, 250000);
    m.SetMode(sim::DriveMode::Position, sim::SignalSource::SingleEndedAnalog);
  });
  drive.SetErrorFor("GOV", true);
  ParameterReadSequence read(engine);
  std::vector<ReadStepResult> steps;
  std::optional<ReadSummary> summary;
  ASSERT_TRUE(read.Start([&](const ReadStepResult& r) { steps.push_back(r); },
                         [&](const ReadSummary& s) { summary = s; }));
  EXPECT_FALSE(read.Start({}, {}));  // one read at a time
  ASSERT_TRUE(WaitUntil([&] { return summary.has_value(); }, 10s));
  EXPECT_EQ(summary->answered, 39);
  EXPECT_TRUE(summary->timedOut.empty());
  EXPECT_FALSE(summary->stopped);
  ASSERT_EQ(steps.size(), 39u);
  std::vector<std::string> expected;
  for (const ReadStep& step : ParameterTable::ReadSteps()) expected.emplace_back(step.mnemonic);
  EXPECT_EQ(drive.ReceivedCommands(), expected);
  EXPECT_EQ(steps[0].decoded.updates[0].value, 1);   // position mode
  EXPECT_EQ(steps[0].decoded.updates[1].value, 4);   // single-ended
  EXPECT_EQ(steps[11].decoded.updates[0].value, 3200);
  EXPECT_EQ(steps[33].reply, "ERR");
  EXPECT_EQ(steps[33].decoded.updates[0].shownText, "ERR");
  EXPECT_EQ(steps[38].decoded.updates[0].value, ParameterTable::FindCanBaud("250"));
  EXPECT_EQ(link.wait.Window(), 0u);
}

TEST_F(SequencesOverPty, UnansweredStepsWaitTheirHalfSecondAndAreNamed) {
  drive.SetSilentFor("GLQ", true);
  drive.SetSilentFor("GNP", true);
  ParameterReadSequence read(engine);
  std::vector<std::pair<int, Clock::time_point>> ends;
  std::optional<ReadSummary> summary;
  const auto start = Clock::now();
  ASSERT_TRUE(read.Start([&](const ReadStepResult& r) { ends.emplace_back(r.index, Clock::now()); },
                         [&](const ReadSummary& s) { summary = s; }));
  ASSERT_TRUE(WaitUntil([&] { return summary.has_value(); }, 15s));
  EXPECT_EQ(summary->answered, 37);
  EXPECT_EQ(summary->timedOut, (std::vector<std::string_view>{"GLQ", "GNP"}));
  // The step after a silent one went out only after the full 500 ms and
  // the 50 ms pause, not at the link's own 450 ms time-out.
  ASSERT_EQ(ends.size(), 39u);
  EXPECT_GE(ends[14].second - ends[13].second, 500ms);
  // Every step paused at least 50 ms: 37 answered steps and two silent ones.
  EXPECT_GE(Clock::now() - start, 39 * 50ms + 2 * 500ms);
}

TEST_F(SequencesOverPty, AStepTheLinkRefusesGoesOutOnceTheLinkIsFree) {
  HoldLink();
  ParameterReadSequence read(engine);
  std::optional<ReadSummary> summary;
  ASSERT_TRUE(read.Start({}, [&](const ReadSummary& s) { summary = s; }));
  PumpFor(300ms);
  EXPECT_EQ(read.StepsDone(), 0);
  FreeLink();
  ASSERT_TRUE(WaitUntil([&] { return summary.has_value(); }, 10s));
  EXPECT_EQ(summary->answered, 39);
  EXPECT_TRUE(summary->refused.empty());
}

TEST_F(SequencesOverPty, AStepRefusedForMoreThanASecondIsCountedNotLost) {
  HoldLink();
  ParameterReadSequence read(engine);
  std::vector<ReadStepResult> steps;
  ASSERT_TRUE(read.Start([&](const ReadStepResult& r) { steps.push_back(r); }, {}));
  ASSERT_TRUE(WaitUntil([&] { return !steps.empty(); }, 3s));
  EXPECT_EQ(steps[0].outcome, ReadStepResult::Outcome::Refused);
  EXPECT_EQ(steps[0].refusal, SendResult::Busy);
  FreeLink();
  read.Stop();
  EXPECT_FALSE(read.Running());
}

TEST_F(SequencesOverPty, StoppingAReadFreesTheLinkAndEndsIt) {
  drive.SetSilent(true);
  ParameterReadSequence read(engine);
  std::optional<ReadSummary> summary;
  ASSERT_TRUE(read.Start({}, [&](const ReadSummary& s) { summary = s; }));
  ASSERT_TRUE(WaitUntil([&] { return link.wait.Window() != 0; }));
  read.Stop();
  ASSERT_TRUE(summary.has_value());
  EXPECT_TRUE(summary->stopped);
  EXPECT_EQ(link.wait.Window(), 0u);
  PumpFor(700ms);
  EXPECT_EQ(drive.CommandCount(), 1u);  // nothing after the stop
}

TEST_F(SequencesOverPty, AWriteSendsEveryCommandInOrderAHundredMillisecondsApart) {
  ParameterSet set;
  set.Set(Field::EncoderResolution, 4000);
  set.Set(Field::SerialBaud, 1);
  set.Set(Field::CanBaud, 4);
  std::vector<DriveCommand> commands = EncodeWrite(set, true);
  CommandSequence write(engine);
  std::optional<CommandSummary> summary;
  const auto start = Clock::now();
  ASSERT_TRUE(write.Start(commands, {}, [&](const CommandSummary& s) { summary = s; }));
  ASSERT_TRUE(WaitUntil([&] { return summary.has_value(); }, 10s));
  const auto took = Clock::now() - start;
  EXPECT_TRUE(summary->Complete());
  EXPECT_EQ(summary->sent, 38);
  std::vector<std::string> expected;
  for (const DriveCommand& c : commands) expected.push_back(c.text.substr(0, c.text.size() - 1));
  // The last command has no pause after it: the drive may still be reading it.
  ASSERT_TRUE(drive.WaitForCommandCount(expected.size(), 2s));
  EXPECT_EQ(drive.ReceivedCommands(), expected);
  // Each pause starts once the command has crossed the line (ten bits a
  // byte at 9600 baud), not when the write returned.
  std::size_t bytes = 0;
  for (std::size_t i = 0; i + 1 < commands.size(); ++i) bytes += commands[i].text.size();
  EXPECT_EQ(engine.WireTime(7), std::chrono::microseconds(7292));
  EXPECT_GE(took, 37 * 100ms + engine.WireTime(bytes));
  EXPECT_EQ(link.wait.Window(), 0u);
}

TEST_F(SequencesOverPty, AWriteThatMeetsABusyLinkLosesNoCommand) {
  ParameterSet set;
  set.Set(Field::EncoderResolution, 4000);
  std::vector<DriveCommand> commands = EncodeWrite(set, false);
  CommandSequence write(engine);
  std::optional<CommandSummary> summary;
  bool held = false;
  ASSERT_TRUE(write.Start(commands,
                          [&](const CommandResult& r) {
                            // After the tenth command the status poll takes the link for a
                            // while, as soon as the command's answer has freed it.
                            if (r.index == 9 && !held) {
                              held = true;
                              auto* poll = new QTimer;
                              QObject::connect(poll, &QTimer::timeout, [&, poll] {
                                if (!TryHoldLink()) return;
                                poll->deleteLater();
                                QTimer::singleShot(300, [&] { FreeLink(); });
                              });
                              poll->start(1);
                            }
                          },
                          [&](const CommandSummary& s) { summary = s; }));
  ASSERT_TRUE(WaitUntil([&] { return summary.has_value(); }, 10s));
  EXPECT_TRUE(summary->Complete());
  EXPECT_TRUE(summary->refused.empty());
  ASSERT_TRUE(drive.WaitForCommandCount(37, 2s));
  std::vector<std::string> sent;
  int polls = 0;
  for (const std::string& c : drive.ReceivedCommands()) {
    if (c == "GT") {
      ++polls;
    } else {
      sent.push_back(c);
    }
  }
  EXPECT_EQ(polls, 1);
  ASSERT_EQ(sent.size(), 36u);
  for (std::size_t i = 0; i < 36; ++i) EXPECT_EQ(sent[i] + "\r", commands[i].text);
}

TEST_F(SequencesOverPty, WhileAWriteCommandsAnswerIsDueNoOtherWindowCanTakeIt) {
  drive.SetReplyDelay(40ms);
  CommandSequence write(engine);
  std::vector<SendResult> others;
  std::optional<CommandSummary> summary;
  ASSERT_TRUE(write.Start({{"SSP100\r", "SSP", Field::MaxSpeed, 100ms}},
                          [&](const CommandResult&) {
                            others.push_back(holder.RequestNow("GT\r", nullptr, false));
                          },
                          [&](const CommandSummary& s) { summary = s; }));
  ASSERT_TRUE(WaitUntil([&] { return summary.has_value(); }));
  ASSERT_EQ(others.size(), 1u);
  EXPECT_EQ(others[0], SendResult::Busy);
}

TEST_F(SequencesOverPty, AWriteReportsCommandsTheDriveAnsweredWithErr) {
  drive.SetErrorFor("SSP", true);
  CommandSequence write(engine);
  std::optional<CommandSummary> summary;
  ASSERT_TRUE(write.Start({{"SSP100\r", "SSP", Field::MaxSpeed, 100ms}, {"A5\r", "A", Field::Acceleration, 100ms}},
                          {}, [&](const CommandSummary& s) { summary = s; }));
  ASSERT_TRUE(WaitUntil([&] { return summary.has_value(); }));
  EXPECT_EQ(summary->answeredError, (std::vector<std::string_view>{"SSP"}));
  EXPECT_TRUE(summary->Complete());
}

TEST_F(SequencesOverPty, ACommandRefusedForASecondIsReportedAndTheWriteGoesOn) {
  HoldLink();
  CommandSequence write(engine);
  std::optional<CommandSummary> summary;
  ASSERT_TRUE(write.Start({{"SSP100\r", "SSP", Field::MaxSpeed, 100ms}}, {},
                          [&](const CommandSummary& s) { summary = s; }));
  ASSERT_TRUE(WaitUntil([&] { return summary.has_value(); }, 3s));
  EXPECT_FALSE(summary->Complete());
  EXPECT_EQ(summary->refused, (std::vector<std::string_view>{"SSP"}));
  EXPECT_FALSE(drive.WaitForCommand("SSP100", 50ms));
}

TEST_F(SequencesOverPty, EepromSaveIsConfirmedByTheDrive) {
  EepromSave save(engine);
  std::optional<EepromResult> result;
  const auto start = Clock::now();
  ASSERT_TRUE(save.Start([&](const EepromResult& r) { result = r; }));
  ASSERT_TRUE(WaitUntil([&] { return result.has_value(); }, 3s));
  EXPECT_EQ(result->outcome, EepromResult::Outcome::Stored);
  // It lasts the second the drive needs, even with a quick answer.
  EXPECT_GE(Clock::now() - start, 990ms);
  EXPECT_TRUE(drive.WaitForCommand("ESA", 1s));
}

TEST_F(SequencesOverPty, EepromSaveReportsErrSilenceAndRefusal) {
  EepromSave save(engine);
  std::optional<EepromResult> result;
  drive.SetErrorFor("ESA", true);
  ASSERT_TRUE(save.Start([&](const EepromResult& r) { result = r; }));
  ASSERT_TRUE(WaitUntil([&] { return result.has_value(); }, 3s));
  EXPECT_EQ(result->outcome, EepromResult::Outcome::DriveError);

  drive.SetErrorFor("ESA", false);
  drive.SetSilentFor("ESA", true);
  result.reset();
  const auto start = Clock::now();
  ASSERT_TRUE(save.Start([&](const EepromResult& r) { result = r; }));
  // The link's 450 ms time-out does not end the wait for the EEPROM.
  PumpFor(700ms);
  EXPECT_FALSE(result.has_value());
  EXPECT_NE(link.wait.Window(), 0u);  // still held for the slow answer
  ASSERT_TRUE(WaitUntil([&] { return result.has_value(); }, 3s));
  EXPECT_EQ(result->outcome, EepromResult::Outcome::NoAnswer);
  EXPECT_GE(Clock::now() - start, 990ms);
  EXPECT_EQ(link.wait.Window(), 0u);

  link.monitoring = true;
  result.reset();
  ASSERT_TRUE(save.Start([&](const EepromResult& r) { result = r; }));
  ASSERT_TRUE(WaitUntil([&] { return result.has_value(); }, 3s));
  EXPECT_EQ(result->outcome, EepromResult::Outcome::Refused);
  EXPECT_EQ(result->refusal, SendResult::Monitoring);
  link.monitoring = false;
}

}  // namespace
}  // namespace zembra::drive
