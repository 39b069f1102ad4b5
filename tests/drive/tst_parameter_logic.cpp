// The parameter table and the plain logic around it: the three orders
// (read, write, scheme) and their sizes, reply decoding by every rule with
// the drive's odd answers, the write encodings, and the checks before a
// write. No link and no window.
#include <gtest/gtest.h>

#include <set>

#include "drive/DriveText.h"
#include "drive/ParameterTable.h"
#include "drive/ParameterValidation.h"
#include "drive/ReplyDecoder.h"
#include "drive/WriteEncoder.h"

namespace zembra::drive {
namespace {

const ReadStep& StepOf(std::string_view mnemonic) {
  for (const ReadStep& step : ParameterTable::ReadSteps())
    if (step.mnemonic == mnemonic) return step;
  ADD_FAILURE() << "no read step " << mnemonic;
  return ParameterTable::ReadSteps()[0];
}

std::vector<std::string> Texts(const std::vector<DriveCommand>& commands) {
  std::vector<std::string> texts;
  for (const DriveCommand& c : commands) texts.push_back(c.text);
  return texts;
}

// A set the drive would accept: the page's initial values pass every check.
ParameterSet Writable() {
  ParameterSet set;
  set.Set(Field::EncoderResolution, 4000);
  return set;
}

TEST(ParameterTable, OneEntryPerFieldInFieldOrderAndTheThreeOrdersAreComplete) {
  ASSERT_EQ(ParameterTable::Fields().size(), kFieldCount);
  for (std::size_t i = 0; i < kFieldCount; ++i) EXPECT_EQ(Index(ParameterTable::Fields()[i].field), i);
  EXPECT_EQ(ParameterTable::ReadSteps().size(), 39u);
  EXPECT_EQ(ParameterTable::WriteSteps().size(), 36u);
  EXPECT_EQ(ParameterTable::SchemeKeys().size(), 43u);
  // Every control id belongs to one field only, so a lookup by id is exact.
  std::set<int> ids;
  for (const FieldInfo& info : ParameterTable::Fields())
    for (int id : info.controls) EXPECT_TRUE(ids.insert(id).second) << id;
  // Each field is written at most once and every scheme key is distinct.
  std::set<Field> written;
  for (const WriteStep& step : ParameterTable::WriteSteps()) EXPECT_TRUE(written.insert(step.field).second);
  std::set<std::string_view> keys;
  for (const SchemeKey& key : ParameterTable::SchemeKeys()) EXPECT_TRUE(keys.insert(key.key).second);
  // The pole pairs are read but never written nor kept in a scheme.
  EXPECT_EQ(written.count(Field::PolePairs), 0u);
  EXPECT_EQ(ParameterTable::FindByControl(1134)->field, Field::Direction);
  EXPECT_EQ(ParameterTable::FindByControl(1059)->field, Field::SignalSource);
  EXPECT_EQ(ParameterTable::FindByControl(4711), nullptr);
}

TEST(ParameterTable, ReadsAndWritesRunInTheDrivesOrder) {
  auto reads = ParameterTable::ReadSteps();
  EXPECT_EQ(reads.front().command, "GSI\r");
  EXPECT_EQ(reads[11].command, "GSP\r");
  EXPECT_EQ(reads[37].command, "GRBD\r");
  EXPECT_EQ(reads.back().command, "GCBD\r");
  std::vector<std::string> writes = Texts(EncodeWrite(Writable(), false));
  ASSERT_EQ(writes.size(), 36u);
  EXPECT_EQ(writes[0], "SMOD0\r");
  EXPECT_EQ(writes[4], "MK0\r");
  EXPECT_EQ(writes[17], "SR\r");
  EXPECT_EQ(writes[35], "SORG0\r");
}

TEST(ParameterTable, EveryRadioGroupNamesOneCaptionPerButtonInIndexOrder) {
  for (const FieldInfo& info : ParameterTable::Fields()) {
    const auto captions = ParameterTable::ChoiceCaptions(info.field);
    if (info.kind == ControlKind::RadioGroup) {
      EXPECT_EQ(captions.size(), info.controls.size()) << info.name;
    } else {
      EXPECT_TRUE(captions.empty()) << info.name;
    }
  }
  EXPECT_EQ(ParameterTable::ChoiceCaptions(Field::SignalSource)[4], "单端模拟电压");
  EXPECT_EQ(ParameterTable::ChoiceCaptions(Field::Direction)[1], "反转");
  EXPECT_EQ(ParameterTable::ChoiceCaptions(Field::RunMode)[3], "放大器模式");
}

TEST(ReplyDecoding, NumbersTakeTheLeadingIntegerAndShowErrAsZeroExceptRawFields) {
  DecodedReply speed = DecodeReply(StepOf("GSP"), "3000");
  ASSERT_EQ(speed.updates.size(), 1u);
  EXPECT_EQ(speed.updates[0].field, Field::MaxSpeed);
  EXPECT_EQ(speed.updates[0].value, 3000);
  EXPECT_EQ(speed.updates[0].shownText, "3000");

  DecodedReply err = DecodeReply(StepOf("GSP"), "ERR");
  EXPECT_EQ(err.updates[0].value, 0);
  EXPECT_EQ(err.updates[0].shownText, "0");
  // "ERR" anywhere counts.
  EXPECT_EQ(DecodeReply(StepOf("GMP"), "12ERR").updates[0].shownText, "0");
  EXPECT_EQ(DecodeReply(StepOf("GMP"), "12ERR").updates[0].value, 12);

  DecodedReply raw = DecodeReply(StepOf("GOV"), "ERR");
  EXPECT_EQ(raw.updates[0].field, Field::HomingSpeed);
  EXPECT_EQ(raw.updates[0].value, 0);
  EXPECT_EQ(raw.updates[0].shownText, "ERR");

  // Float fields take the integer too.
  EXPECT_EQ(DecodeReply(StepOf("GPC"), "1500.7").updates[0].value, 1500);
  EXPECT_EQ(DecodeReply(StepOf("GPL"), "-2100000000").updates[0].value, -2100000000);
}

TEST(ReplyDecoding, NumbersBeyondAnIntSaturate) {
  EXPECT_EQ(LeadingInt("99999999999999999999"), 2147483647);
  EXPECT_EQ(LeadingInt("-99999999999999999999"), -2147483647 - 1);
  EXPECT_EQ(LeadingInt("  -42x"), -42);
  EXPECT_EQ(LeadingInt("x42"), 0);
  EXPECT_EQ(LeadingInt(""), 0);
  EXPECT_EQ(LeadingInt("+7"), 7);
}

TEST(ReplyDecoding, FlagsChecksDirectionAndNodeType) {
  EXPECT_EQ(DecodeReply(StepOf("GPHE"), "1").updates[0].value, 1);
  EXPECT_EQ(DecodeReply(StepOf("GPE"), "01").updates[0].value, 0);
  EXPECT_EQ(DecodeReply(StepOf("GPE"), "").updates[0].value, 0);
  EXPECT_EQ(DecodeReply(StepOf("GPOF"), "1").updates[0].value, 1);
  EXPECT_EQ(DecodeReply(StepOf("GPOF"), "0").updates[0].value, 0);
  // '1' is forward (index 0); anything else reverse.
  EXPECT_EQ(DecodeReply(StepOf("GLR"), "1").updates[0].value, 0);
  EXPECT_EQ(DecodeReply(StepOf("GLR"), "0").updates[0].value, 1);
  EXPECT_EQ(DecodeReply(StepOf("GLR"), "ERR").updates[0].value, 1);
  EXPECT_EQ(DecodeReply(StepOf("GNOT"), "1").updates[0].value, 1);
  EXPECT_EQ(DecodeReply(StepOf("GNOT"), "2").updates[0].value, 0);
  // Checks and radios show no text of their own.
  EXPECT_FALSE(DecodeReply(StepOf("GPE"), "1").updates[0].shownText.has_value());
}

TEST(ReplyDecoding, StatusWordGivesModeAndSignalOnlyWhenLongEnough) {
  auto decode = [](std::string_view reply) { return DecodeReply(StepOf("GSI"), reply).updates; };
  auto updates = decode("13110");
  ASSERT_EQ(updates.size(), 2u);
  EXPECT_EQ(updates[0].field, Field::RunMode);
  EXPECT_EQ(updates[0].value, 1);
  EXPECT_EQ(updates[1].field, Field::SignalSource);
  EXPECT_EQ(updates[1].value, 3);
  EXPECT_EQ(decode("05110")[1].value, 4);  // the drive's 5 is the single-ended source
  EXPECT_EQ(decode("04110")[1].value, 0);  // 4 shows as digital
  EXPECT_EQ(decode("29110")[1].value, 0);
  EXPECT_EQ(decode("40110")[0].value, 0);  // no fifth mode
  EXPECT_TRUE(decode("1311").empty());     // too short: nothing changes
  // Characters below '0' must not become negative radio indices.
  updates = decode(" #110");
  EXPECT_EQ(updates[0].value, 0);
  EXPECT_EQ(updates[1].value, 0);
}

TEST(ReplyDecoding, BaudListsSelectOnlyWhatTheyHold) {
  EXPECT_EQ(DecodeReply(StepOf("GRBD"), "19200").updates[0].value, 1);
  EXPECT_TRUE(DecodeReply(StepOf("GRBD"), "38400").updates.empty());
  EXPECT_EQ(DecodeReply(StepOf("GCBD"), "500000").updates[0].value, 5);
  EXPECT_EQ(DecodeReply(StepOf("GCBD"), "1000000").updates[0].value, 6);
  EXPECT_TRUE(DecodeReply(StepOf("GCBD"), "300000").updates.empty());
}

TEST(WriteEncoding, ModeWordTruncatedCurrentsChecksDirectionAndHoming) {
  ParameterSet set = Writable();
  set.Set(Field::RunMode, 1);
  set.Set(Field::SignalSource, 3);
  set.Set(Field::PeakCurrent, 1000.9);
  set.Set(Field::ContinuousCurrent, 999.99);
  set.Set(Field::DeadBandVoltage, -3.7);
  set.Set(Field::Direction, 1);
  set.Set(Field::SoftLimitEnable, 1);
  set.Set(Field::HomingAtPowerOn, 1);
  std::vector<std::string> writes = Texts(EncodeWrite(set, false));
  EXPECT_EQ(writes[0], "SMOD259\r");
  EXPECT_EQ(writes[12], "SPC1000\r");
  EXPECT_EQ(writes[13], "SCC999\r");
  EXPECT_EQ(writes[16], "SMAV-3\r");
  EXPECT_EQ(writes[17], "SL\r");
  EXPECT_EQ(writes[22], "SPE1\r");
  EXPECT_EQ(writes[23], "SPHE0\r");
  EXPECT_EQ(writes[32], "SPOF1\r");
  set.Set(Field::HomingAtPowerOn, 0);
  set.Set(Field::RunMode, 0);
  set.Set(Field::SignalSource, 4);
  writes = Texts(EncodeWrite(set, false));
  EXPECT_EQ(writes[0], "SMOD5\r");
  EXPECT_EQ(writes[32], "SPOF0\r");
}

TEST(WriteEncoding, BaudChangeFollowsTheSetWithItsPauses) {
  ParameterSet set = Writable();
  set.Set(Field::SerialBaud, ParameterTable::FindSerialBaud("19200"));
  set.Set(Field::CanBaud, ParameterTable::FindCanBaud("250"));
  std::vector<DriveCommand> commands = EncodeWrite(set, true);
  ASSERT_EQ(commands.size(), 38u);
  EXPECT_EQ(commands[36].text, "BAUD19200\r");
  EXPECT_EQ(commands[36].pauseAfter, kWritePause);
  EXPECT_EQ(commands[37].text, "SCBD250000\r");
  EXPECT_EQ(commands[37].pauseAfter.count(), 0);
  for (std::size_t i = 0; i < 36; ++i) EXPECT_EQ(commands[i].pauseAfter, kWritePause);
}

TEST(WriteEncoding, ValuesThatAreNotNumbersCannotBecomeUndefinedCommands) {
  ParameterSet set = Writable();
  set.Set(Field::PeakCurrent, std::numeric_limits<double>::quiet_NaN());
  set.Set(Field::ContinuousCurrent, 1e300);
  set.Set(Field::MaxSpeed, -1e12);
  EXPECT_EQ(set.Float(Field::PeakCurrent), 0.0f);
  EXPECT_EQ(TruncateToInt(set.Float(Field::ContinuousCurrent)), 2147483647);
  EXPECT_EQ(set.Int(Field::MaxSpeed), -2147483647 - 1);
}

TEST(WriteValidation, EncoderCurrentsAndBaudInTheirOrder) {
  ParameterSet set = Writable();
  EXPECT_FALSE(ValidateForWrite(set, false).has_value());
  set.Set(Field::EncoderResolution, 6);
  EXPECT_EQ(ValidateForWrite(set, false), "编码器分辨率必须为四的倍数");
  set.Set(Field::EncoderResolution, 0);
  EXPECT_EQ(ValidateForWrite(set, false), "编码器分辨率必须为正整数");
  set.Set(Field::EncoderResolution, -8);
  EXPECT_EQ(ValidateForWrite(set, false), "编码器分辨率必须为正整数");
  set.Set(Field::EncoderResolution, 4);
  set.Set(Field::PeakCurrent, 1000);
  set.Set(Field::ContinuousCurrent, 1000);
  EXPECT_FALSE(ValidateForWrite(set, false).has_value());
  set.Set(Field::ContinuousCurrent, 1000.5);
  EXPECT_EQ(ValidateForWrite(set, false), "最大峰值电流不能小于最大连续电流");
  set.Set(Field::ContinuousCurrent, 10);
  // A baud change needs a rate in both lists.
  set.Set(Field::SerialBaud, -1);
  set.Set(Field::CanBaud, 5);
  EXPECT_TRUE(ValidateForWrite(set, true).has_value());
  EXPECT_FALSE(ValidateForWrite(set, false).has_value());
}

TEST(WriteValidation, PositionLimitsAreCheckedAndNamed) {
  ParameterSet set;
  EXPECT_FALSE(FirstOutOfRange(set).has_value());
  set.Set(Field::PositionUpperLimit, -5);
  std::optional<FieldProblem> problem = FirstOutOfRange(set);
  ASSERT_TRUE(problem.has_value());
  EXPECT_EQ(problem->field, Field::PositionUpperLimit);
  EXPECT_EQ(problem->message, "位置上限的值 -5 超出范围：0 到 2100000000 之间的整数");
  set.Set(Field::PositionUpperLimit, 0);
  set.Set(Field::PositionLowerLimit, 1);
  EXPECT_EQ(FirstOutOfRange(set)->field, Field::PositionLowerLimit);
  const Field typed[] = {Field::PositionLowerLimit};
  EXPECT_EQ(CheckTyped(set, typed)->message, "请输入位置下限：-2100000000 到 0 之间的整数");
}

}  // namespace
}  // namespace zembra::drive
