// Covers StatusPanelModel: the handling of every WM_STATUS_PANEL code, the
// status and alarm decoding, the version/model flags that select the special
// drive, and the refresh tick with its alarm blinking.
#include <gtest/gtest.h>

#include <string>

#include "statuspanel/StatusPanelModel.h"
#include "platform/Gbk.h"

namespace zembra {
namespace {


class StatusPanelModelTest : public ::testing::Test {
 protected:
  std::intptr_t Text(CommandCode code, const std::string& text) {
    return model.Handle(code, 0, &text);
  }
  std::intptr_t Value(CommandCode code, std::intptr_t value) {
    return model.Handle(code, static_cast<std::uintptr_t>(value), nullptr);
  }
  void MakeSpecialDrive() {
    Text(kCodeGDTY, "QNDX7720");
    Text(kCodeGVER, "1.00");
    ASSERT_TRUE(model.SpecialDrive());
  }

  StatusPanelModel model;
};

const QColor kGrey = ColourFromBgr(kInactiveTextBgr);
const QColor kPale = ColourFromBgr(kPanelBackgroundBgr);
const QColor kRed = ColourFromBgr(kAlarmRedBgr);
const QColor kWhite = ColourFromBgr(kBlinkTextBgr);

TEST(ColourFromBgrTest, ReadsBlueGreenRedFromHighToLow) {
  EXPECT_EQ(ColourFromBgr(0x000000FF), QColor(255, 0, 0));
  EXPECT_EQ(ColourFromBgr(0x00F7E7E7), QColor(0xE7, 0xE7, 0xF7));
  EXPECT_EQ(ColourFromBgr(0x00123456), QColor(0x56, 0x34, 0x12));
}

TEST_F(StatusPanelModelTest, StartsWithTheInitialTexts) {
  const StatusPanelView& v = model.View();
  EXPECT_EQ(v.model, "未知");
  EXPECT_EQ(v.version, "未知");
  EXPECT_EQ(v.mode, "模式");
  EXPECT_EQ(v.signal, "信号源");
  EXPECT_EQ(v.direction, "方向");
  EXPECT_EQ(v.motion, "运动状态");
  EXPECT_EQ(v.eeprom, "EEPROM状态");
  EXPECT_EQ(v.temperature, "??");
  EXPECT_EQ(v.enableText, "受控");
  EXPECT_TRUE(v.enableChecked);
  EXPECT_EQ(v.link, LinkImage::Down);
  EXPECT_EQ(model.StatusWord(), "00000000");
  EXPECT_EQ(model.AlarmWord(), "00000000");
  EXPECT_EQ(model.EnableState(), 1);
  EXPECT_FALSE(model.SpecialDrive());
  for (const IndicatorColours& c : v.alarms) EXPECT_EQ(c, (IndicatorColours{kGrey, kPale}));
}

TEST_F(StatusPanelModelTest, TicksBeforeAnyReplyShowNoStateTheDriveNeverReported) {
  Text(kCodeGEI, "000001000");  // too short: the initial word stays
  model.RefreshTick();
  model.RefreshTick();
  EXPECT_EQ(model.BlinkPhase(), 0);
  for (const IndicatorColours& c : model.View().alarms) EXPECT_EQ(c, (IndicatorColours{kGrey, kPale}));
  // The stored all-zero status word is not the drive's: the boxes keep
  // their initial texts until a status reply arrives.
  EXPECT_EQ(model.View().mode, "模式");
  EXPECT_EQ(model.View().enableText, "受控");
  EXPECT_EQ(model.EnableState(), 1) << "the tick never changes the enable state";
  Text(kCodeGSI, "000000");
  model.RefreshTick();
  EXPECT_EQ(model.View().mode, "速度模式");
  EXPECT_EQ(model.View().enableText, "脱离");
}

// --- Status reply ---------------------------------------------------------

TEST_F(StatusPanelModelTest, PositionModeStepperStatusOfAnOrdinaryDrive) {
  Text(kCodeGDTY, "QNDX5000");
  EXPECT_EQ(Text(kCodeGSI, "130010"), 0);
  const StatusPanelView& v = model.View();
  EXPECT_EQ(v.mode, "位置模式");
  EXPECT_EQ(v.signal, "步进脉冲信号");
  EXPECT_EQ(v.direction, "正转");
  EXPECT_EQ(v.motion, "正常");
  EXPECT_FALSE(v.enableChecked);
  EXPECT_EQ(model.EnableState(), 0);
  EXPECT_EQ(v.enableText, "受控") << "indicator 1223 follows only at the tick";
  model.RefreshTick();
  EXPECT_EQ(model.View().enableText, "脱离");
}

TEST_F(StatusPanelModelTest, AnalogueSignalIsWordedDifferentlyAfterTheTick) {
  Text(kCodeGSI, "010000");
  EXPECT_EQ(model.View().signal, "差分模拟电压");
  model.RefreshTick();
  EXPECT_EQ(model.View().signal, "模拟电压信号");
  // A new reply brings back the reply wording until the next tick.
  Text(kCodeGSI, "010000");
  EXPECT_EQ(model.View().signal, "差分模拟电压");
}

TEST_F(StatusPanelModelTest, DecodesEveryModeAndSignalDigit) {
  const char* modes[] = {"速度模式", "位置模式", "电流模式", "放大器模式", "未知模式"};
  const char* sources[] = {"RS232指令信号", "差分模拟电压", "外部PWM信号", "步进脉冲信号",
                           "未知信号",      "单端模拟电压", "未知信号"};
  for (char c = '0'; c <= '4'; ++c) {
    Text(kCodeGSI, std::string{c, '0', '1', '0', '1', '0'});
    EXPECT_EQ(model.View().mode, QString::fromUtf8(modes[c - '0'])) << c;
  }
  for (char c = '0'; c <= '6'; ++c) {
    Text(kCodeGSI, std::string{'0', c, '1', '0', '1', '0'});
    EXPECT_EQ(model.View().signal, QString::fromUtf8(sources[c - '0'])) << c;
  }
  for (char junk : {'/', ':', 'A', ' '}) {
    Text(kCodeGSI, std::string{junk, junk, '1', '0', '1', '0'});
    EXPECT_EQ(model.View().mode, "未知模式") << junk;
    EXPECT_EQ(model.View().signal, "未知信号") << junk;
  }
}

TEST_F(StatusPanelModelTest, DirectionEmergencyStopAndEnable) {
  Text(kCodeGSI, "001100");
  EXPECT_EQ(model.View().direction, "反转");
  EXPECT_EQ(model.View().motion, "急停中");
  EXPECT_TRUE(model.View().enableChecked);
  EXPECT_EQ(model.EnableState(), 1);
  model.RefreshTick();
  EXPECT_EQ(model.View().enableText, "受控");
  EXPECT_EQ(model.View().motion, "急停中");
  Text(kCodeGSI, "000010");
  EXPECT_EQ(model.View().motion, "正常");
  EXPECT_EQ(model.EnableState(), 0);
  EXPECT_EQ(model.View().eeprom, "EEPROM状态") << "S[5] means nothing to an ordinary drive";
}

TEST_F(StatusPanelModelTest, TickRedrawsIndicatorButKeepsTheEnableStateTheFrameSet) {
  Text(kCodeGSI, "012010");
  EXPECT_EQ(model.EnableState(), 2);
  // The frame disabled the drive after this status arrived.
  Value(kCodeENA, 0);
  model.RefreshTick();
  EXPECT_EQ(model.EnableState(), 0);
  EXPECT_FALSE(model.View().enableChecked);
  EXPECT_EQ(model.View().enableText, "受控");
}

TEST_F(StatusPanelModelTest, LongRepliesAreDecodedFromTheirFirstCharacters) {
  const std::string status = "130010" + std::string(5000, '9');
  Text(kCodeGSI, status);
  EXPECT_EQ(model.StatusWord(), status);
  EXPECT_EQ(model.View().mode, "位置模式");
  const std::string alarms = "0010000001" + std::string(5000, 'x');
  Text(kCodeGEI, alarms);
  model.RefreshTick();
  EXPECT_EQ(model.View().alarms[2].background, kRed);
  EXPECT_EQ(model.View().alarms[1].text, kGrey);
}

// --- Alarm reply and blinking ----------------------------------------------

TEST_F(StatusPanelModelTest, ActiveAlarmsBlinkAndTheOthersStayGrey) {
  EXPECT_EQ(Text(kCodeGEI, "0010000001"), 0);
  EXPECT_EQ(model.View().eeprom, "EEPROM数据正确");
  for (const IndicatorColours& c : model.View().alarms) {
    EXPECT_EQ(c, (IndicatorColours{kGrey, kPale})) << "indicators change only at the tick";
  }
  const IndicatorColours phase1{kWhite, kRed};
  const IndicatorColours phase0{kRed, kPale};
  for (int tick = 1; tick <= 4; ++tick) {
    model.RefreshTick();
    const IndicatorColours expected = (tick % 2 == 1) ? phase1 : phase0;
    EXPECT_EQ(model.BlinkPhase(), tick % 2);
    for (int i = 0; i < kAlarmIndicatorCount; ++i) {
      if (i == 2 || i == 9) {
        EXPECT_EQ(model.View().alarms[i], expected) << "tick " << tick << " index " << i;
      } else {
        EXPECT_EQ(model.View().alarms[i], (IndicatorColours{kGrey, kPale})) << "tick " << tick << " index " << i;
      }
    }
  }
}

TEST_F(StatusPanelModelTest, AnyAlarmCharacterOtherThanZeroIsActive) {
  Text(kCodeGEI, "1A 0000000");
  model.RefreshTick();
  EXPECT_EQ(model.View().alarms[0].background, kRed);
  EXPECT_EQ(model.View().alarms[1].background, kRed);
  EXPECT_EQ(model.View().alarms[2].background, kRed);
  EXPECT_EQ(model.View().alarms[3].background, kPale);
}

TEST_F(StatusPanelModelTest, ClearedAlarmTurnsGreyAtTheNextTick) {
  Text(kCodeGEI, "1000000000");
  model.RefreshTick();
  ASSERT_EQ(model.View().alarms[0].background, kRed);
  Text(kCodeGEI, "0000000000");
  model.RefreshTick();
  EXPECT_EQ(model.View().alarms[0], (IndicatorColours{kGrey, kPale}));
}

TEST_F(StatusPanelModelTest, ReservedAlarmPositionCarriesTheEepromErrorFlag) {
  Text(kCodeGEI, "0000010000");
  EXPECT_EQ(model.View().eeprom, "EEPROM数据错误");
  Text(kCodeGEI, "0000000000");
  EXPECT_EQ(model.View().eeprom, "EEPROM数据正确");
}

// --- Special drive ---------------------------------------------------------

TEST_F(StatusPanelModelTest, SpecialDriveReadsEepromFromTheStatusWord) {
  MakeSpecialDrive();
  const std::pair<char, const char*> states[] = {
      {'0', "EEPROM数据错误"}, {'1', "EEPROM数据正确"}, {'2', "EEPROM正在存储"}, {'7', "EEPROM未知状态"}};
  for (const auto& [c, text] : states) {
    Text(kCodeGSI, std::string("00110") + c);
    EXPECT_EQ(model.View().motion, "保留") << c;
    EXPECT_EQ(model.View().eeprom, QString::fromUtf8(text)) << c;
    model.RefreshTick();
    EXPECT_EQ(model.View().motion, "保留") << c;
    EXPECT_EQ(model.View().eeprom, QString::fromUtf8(text)) << c;
  }
  // The alarm reply no longer speaks for the EEPROM.
  Text(kCodeGEI, "0000010000");
  EXPECT_EQ(model.View().eeprom, "EEPROM未知状态");
}

TEST_F(StatusPanelModelTest, SpecialDriveNeedsTheExactModelAndVersion) {
  Text(kCodeGDTY, "QNDX7720 ");
  Text(kCodeGVER, "1.00");
  EXPECT_FALSE(model.SpecialDrive());
  Text(kCodeGDTY, "QNDX7720");
  EXPECT_TRUE(model.SpecialDrive());
  Text(kCodeGVER, "1.001");
  EXPECT_FALSE(model.SpecialDrive());
}

TEST_F(StatusPanelModelTest, CommaInTheVersionLeavesTheVersionFlag) {
  EXPECT_EQ(Text(kCodeGVER, "QNDX7720,1.00"), 1);
  EXPECT_EQ(model.View().model, "QNDX7720");
  EXPECT_EQ(model.View().version, "1.00");
  EXPECT_TRUE(model.ModelFlag());
  EXPECT_FALSE(model.VersionFlag());
  EXPECT_FALSE(model.SpecialDrive());

  Text(kCodeGVER, "1.00");
  ASSERT_TRUE(model.SpecialDrive());
  Text(kCodeGVER, "QNDX7720,2.10,b");
  EXPECT_EQ(model.View().version, "2.10,b") << "only the first comma splits";
  EXPECT_TRUE(model.VersionFlag());
  EXPECT_TRUE(model.SpecialDrive());
}

// --- Version, connect, drive type, enable, temperature ---------------------

TEST_F(StatusPanelModelTest, VersionWithoutCommaKeepsTheModel) {
  Text(kCodeGDTY, "QNDX5000");
  EXPECT_EQ(Text(kCodeGVER, "2.31"), 1);
  EXPECT_EQ(model.View().model, "QNDX5000");
  EXPECT_EQ(model.View().version, "2.31");
  EXPECT_EQ(model.View().link, LinkImage::Up);
}

TEST_F(StatusPanelModelTest, MissingVersionResetsIdentityAndShowsLinkDown) {
  MakeSpecialDrive();
  EXPECT_EQ(Value(kCodeGVER, 0), 0);
  EXPECT_EQ(model.View().model, "未知");
  EXPECT_EQ(model.View().version, "未知");
  EXPECT_EQ(model.View().link, LinkImage::Down);
  EXPECT_FALSE(model.ModelFlag());
  EXPECT_FALSE(model.VersionFlag());
}

TEST_F(StatusPanelModelTest, EmptyVersionTextStillCountsAsGiven) {
  EXPECT_EQ(Text(kCodeGVER, ""), 1);
  EXPECT_EQ(model.View().version, "");
  EXPECT_EQ(model.View().link, LinkImage::Up);
}

TEST_F(StatusPanelModelTest, FailedConnectForgetsTheDriveSuccessfulOneChangesNothing) {
  MakeSpecialDrive();
  const StatusPanelView before = model.View();
  EXPECT_EQ(Value(kCodeQNCON, 1), 0);
  EXPECT_EQ(model.View().model, before.model);
  EXPECT_TRUE(model.SpecialDrive());
  EXPECT_EQ(Value(kCodeQNCON, 0), 0);
  EXPECT_EQ(model.View().model, "未知");
  EXPECT_EQ(model.View().version, "未知");
  EXPECT_FALSE(model.SpecialDrive()) << "an unknown drive must not be decoded as the special one";
}

TEST_F(StatusPanelModelTest, DriveTypeArrivesAsGbkText) {
  const std::string gbk = ToGbk(QStringLiteral("未知驱动器"));
  ASSERT_NE(gbk, "未知驱动器") << "the test needs real GBK bytes, not UTF-8";
  Text(kCodeGDTY, gbk);
  EXPECT_EQ(model.View().model, "未知驱动器");
  EXPECT_FALSE(model.ModelFlag());
  // Without a text there is nothing to take.
  Value(kCodeGDTY, 0);
  EXPECT_EQ(model.View().model, "未知驱动器");
}

TEST_F(StatusPanelModelTest, EnableAndTemperatureValues) {
  Value(kCodeENA, 0);
  EXPECT_EQ(model.EnableState(), 0);
  EXPECT_FALSE(model.View().enableChecked);
  Value(kCodeENA, 1);
  EXPECT_TRUE(model.View().enableChecked);
  Value(kCodeGT, 47);
  EXPECT_EQ(model.View().temperature, "47");
  Value(kCodeGT, -12);
  EXPECT_EQ(model.View().temperature, "-12");
}

// --- Replies that change nothing -------------------------------------------

bool SameView(const StatusPanelView& a, const StatusPanelView& b) {
  return a.model == b.model && a.version == b.version && a.mode == b.mode && a.signal == b.signal &&
         a.direction == b.direction && a.motion == b.motion && a.eeprom == b.eeprom &&
         a.temperature == b.temperature && a.enableText == b.enableText && a.enableChecked == b.enableChecked &&
         a.alarms == b.alarms && a.link == b.link;
}

TEST_F(StatusPanelModelTest, ShortRepliesChangeNothing) {
  Text(kCodeGSI, "130010");
  Text(kCodeGEI, "0010000001");
  const StatusPanelView before = model.View();
  Text(kCodeGSI, "01101");
  Text(kCodeGEI, "000001000");
  Text(kCodeGSI, "");
  Value(kCodeGSI, 0);
  Value(kCodeGEI, 0);
  EXPECT_TRUE(SameView(model.View(), before));
  EXPECT_EQ(model.StatusWord(), "130010");
  EXPECT_EQ(model.AlarmWord(), "0010000001");
  EXPECT_EQ(model.EnableState(), 0);
}

TEST_F(StatusPanelModelTest, UnknownCodesChangeNothing) {
  Text(kCodeGSI, "130010");
  const StatusPanelView before = model.View();
  const std::string text = "QNDX7720,1.00";
  for (int code : {0, -1, 3, 18, 81, 156, 159, 100000}) {
    EXPECT_EQ(model.Handle(static_cast<CommandCode>(code), 1, &text), 0) << code;
    EXPECT_EQ(model.Handle(static_cast<CommandCode>(code), 0, nullptr), 0) << code;
  }
  EXPECT_TRUE(SameView(model.View(), before));
  EXPECT_EQ(model.StatusWord(), "130010");
}

}  // namespace
}  // namespace zembra
