// The parameter page's plain parts, without a window: the field hints by
// control id, the run-mode rules, the field markers that keep a user's
// edits through automatic reads, and the words of the progress and
// result lines.
#include <gtest/gtest.h>

#include "drive/ParameterTable.h"
#include "params/FieldHints.h"
#include "params/FieldMarkers.h"
#include "params/OperationReport.h"
#include "params/RunModeRules.h"
#include "platform/Gbk.h"

namespace zembra {
namespace {

using drive::Field;

TEST(FieldHints, EachHintBelongsToItsControlAndIsKeptWhole) {
  EXPECT_EQ(FieldHints::All().size(), 20u);
  EXPECT_EQ(FieldHints::For(1030), QStringLiteral("编码器实际线数的4倍,范围：4～65535"));
  EXPECT_EQ(FieldHints::For(1156), QStringLiteral("RS232通讯时的波特率"));
  EXPECT_EQ(FieldHints::For(1134), QStringLiteral("信号源正输入时，电机反转"));
  // Controls without a hint, and ids that are no control of the page.
  EXPECT_FALSE(FieldHints::For(1101).has_value());
  EXPECT_FALSE(FieldHints::For(1157).has_value());
  EXPECT_FALSE(FieldHints::For(0).has_value());
  // The longest hint is 88 bytes in the drive's code page and ends as written.
  const QString delay = *FieldHints::For(1050);
  EXPECT_EQ(ToGbk(delay).size(), 88u);
  EXPECT_TRUE(delay.endsWith(QStringLiteral("数值范围：1~3000")));
  // Every hinted control is a control of the page.
  for (const FieldHint& hint : FieldHints::All())
    EXPECT_NE(drive::ParameterTable::FindByControl(hint.controlId), nullptr) << hint.controlId;
}

TEST(RunModeRules, EachRunModeOffersItsSignalSourcesAndCorrectsAnUnsuitableOne) {
  const auto all = std::array<bool, kSignalSourceCount>{true, true, true, true, true};
  SignalSourceChoice speed = RunModeRules::OnRunModeClicked(DriveRunMode::Speed, SignalSource::Pwm);
  EXPECT_EQ(speed.enabled, all);
  EXPECT_EQ(speed.selected, SignalSource::Pwm);

  for (SignalSource unsuitable : {SignalSource::Differential, SignalSource::Pwm, SignalSource::SingleEnded}) {
    SignalSourceChoice position = RunModeRules::OnRunModeClicked(DriveRunMode::Position, unsuitable);
    EXPECT_EQ(position.enabled, (std::array<bool, kSignalSourceCount>{true, false, false, true, false}));
    EXPECT_EQ(position.selected, SignalSource::Digital);
  }
  EXPECT_EQ(RunModeRules::OnRunModeClicked(DriveRunMode::Position, SignalSource::StepPulse).selected,
            SignalSource::StepPulse);

  for (DriveRunMode mode : {DriveRunMode::Torque, DriveRunMode::Amplifier}) {
    SignalSourceChoice choice = RunModeRules::OnRunModeClicked(mode, SignalSource::StepPulse);
    EXPECT_EQ(choice.enabled, (std::array<bool, kSignalSourceCount>{true, true, true, false, true}));
    EXPECT_EQ(choice.selected, SignalSource::Digital);
    EXPECT_EQ(RunModeRules::OnRunModeClicked(mode, SignalSource::SingleEnded).selected, SignalSource::SingleEnded);
  }
}

TEST(FieldMarkers, FieldsTheDriveReportsAreStaleUntilReadAndAgainAfterAFailedRead) {
  FieldMarkers markers;
  EXPECT_TRUE(markers.IsStale(Field::MaxSpeed));
  EXPECT_TRUE(markers.IsStale(Field::SignalSource));  // carried by the status word
  EXPECT_FALSE(markers.IsStale(Field::TachoResolution));  // scheme only: nothing reads it
  EXPECT_EQ(markers.Notes(Field::MaxSpeed), QStringList{FieldMarkers::kStaleNote});
  EXPECT_TRUE(markers.TakeReadValue(Field::MaxSpeed, ReadScope::KeepEdits, QStringLiteral("3000")));
  EXPECT_FALSE(markers.IsStale(Field::MaxSpeed));
  EXPECT_TRUE(markers.Notes(Field::MaxSpeed).isEmpty());
  markers.ReadFailed(Field::MaxSpeed);
  EXPECT_TRUE(markers.IsStale(Field::MaxSpeed));
}

TEST(FieldMarkers, OnlyAReadTheUserAskedForReplacesAnEdit) {
  FieldMarkers markers;
  markers.TakeReadValue(Field::MaxSpeed, ReadScope::ReplaceAll, QStringLiteral("3000"));
  markers.MarkEdited(Field::MaxSpeed);
  // A read nobody asked for keeps the edit and remembers the drive's value.
  EXPECT_FALSE(markers.TakeReadValue(Field::MaxSpeed, ReadScope::KeepEdits, QStringLiteral("3100")));
  EXPECT_TRUE(markers.IsEdited(Field::MaxSpeed));
  EXPECT_EQ(markers.DriveText(Field::MaxSpeed), QStringLiteral("3100"));
  EXPECT_EQ(markers.Notes(Field::MaxSpeed),
            QStringList{QStringLiteral("已修改，尚未写入驱动器（驱动器中的值：3100）")});
  // Unedited fields take the value either way.
  EXPECT_TRUE(markers.TakeReadValue(Field::MinSpeed, ReadScope::KeepEdits, QStringLiteral("10")));
  // "读 取" replaces it and the marks go.
  EXPECT_TRUE(markers.TakeReadValue(Field::MaxSpeed, ReadScope::ReplaceAll, QStringLiteral("3100")));
  EXPECT_FALSE(markers.IsEdited(Field::MaxSpeed));
  EXPECT_TRUE(markers.DriveText(Field::MaxSpeed).isEmpty());
}

TEST(FieldMarkers, AWriteClearsTheEditAndLeavesTheEepromNoteUntilAStore) {
  FieldMarkers markers;
  markers.MarkEdited(Field::Acceleration);
  EXPECT_FALSE(markers.NotInEeprom());
  markers.Written(Field::Acceleration);
  markers.WriteSent();
  EXPECT_FALSE(markers.IsEdited(Field::Acceleration));
  EXPECT_FALSE(markers.IsStale(Field::Acceleration));  // the drive holds what was sent
  EXPECT_TRUE(markers.NotInEeprom());
  markers.EepromStored();
  EXPECT_FALSE(markers.NotInEeprom());
}

TEST(OperationReport, ReadProgressAndResultNameWhatTimedOutOrWasRefused) {
  EXPECT_EQ(OperationReport::ReadProgress(12, 39), QStringLiteral("读取参数 12/39"));
  drive::ReadSummary summary;
  summary.total = 39;
  summary.answered = 37;
  summary.timedOut = {"GLQ", "GNP"};
  EXPECT_EQ(OperationReport::ReadResult(summary), QStringLiteral("参数读取完成：37/39，超时：GLQ、GNP"));
  summary.answered = 12;
  summary.timedOut.clear();
  summary.refused = {"GA"};
  summary.stopped = true;
  EXPECT_EQ(OperationReport::ReadResult(summary), QStringLiteral("参数读取已停止：12/39，未能发出：GA"));
  // A silent drive: six named, the rest counted, so the line stays short.
  summary = {};
  summary.total = 39;
  for (const drive::ReadStep& step : drive::ParameterTable::ReadSteps()) summary.timedOut.push_back(step.mnemonic);
  EXPECT_EQ(OperationReport::ReadResult(summary),
            QStringLiteral("参数读取完成：0/39，超时：GSI、GMP、GMI、GMD、GMK、GP等39项"));
}

TEST(OperationReport, WriteResultNamesUnwrittenParametersAndDriveRefusals) {
  drive::ParameterSet set;
  set.Set(Field::EncoderResolution, 4000);
  const std::vector<drive::DriveCommand> commands = drive::EncodeWrite(set, false);
  std::vector<bool> sent(commands.size(), true);
  drive::CommandSummary summary;
  summary.total = 36;
  summary.sent = 36;
  EXPECT_EQ(OperationReport::WriteProgress(20, 36), QStringLiteral("写入参数 20/36"));
  EXPECT_EQ(OperationReport::WriteResult(summary, commands, sent), QStringLiteral("参数写入完成：36/36"));

  sent[11] = false;  // SSP
  sent[19] = false;  // A
  summary.sent = 34;
  summary.refused = {"SSP", "A"};
  summary.answeredError = {"SPC"};
  EXPECT_EQ(OperationReport::Unwritten(commands, sent), (QStringList{QStringLiteral("最高速度"), QStringLiteral("加速度")}));
  EXPECT_EQ(OperationReport::WriteResult(summary, commands, sent),
            QStringLiteral("参数写入未完成：34/36，未写入：最高速度、加速度，驱动器回复ERR：最大峰值电流"));
}

}  // namespace
}  // namespace zembra
