// Scheme files byte for byte: a fresh save, the "%e" form of the currents,
// saving over a file that holds more than the scheme, the load rules for
// missing keys and lists, the single-ended source surviving a round trip,
// and files that are not schemes being refused without touching the set.
#include <gtest/gtest.h>

#include <QString>

#include "drive/PageStart.h"
#include "drive/ParameterTable.h"
#include "drive/SchemeMapping.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"
#include "tests/common/TempFolder.h"

namespace zembra::drive {
namespace {

std::string Gbk(const char* utf8) { return ToGbk(QString::fromUtf8(utf8)); }

// The page's set right after start-up with the default profile.
ParameterSet FreshPage() {
  ParameterSet set;
  set.Set(Field::SerialBaud, ParameterTable::FindSerialBaud("9600"));
  set.Set(Field::CanBaud, ParameterTable::FindCanBaud("500"));
  return set;
}

class SchemeFiles : public ::testing::Test {
 protected:
  void SaveTo(const std::string& path, const ParameterSet& set) {
    CIniStore store(path);
    ASSERT_TRUE(store.LoadOrCreate());
    SchemeMapping::Store(set, store);
    ASSERT_TRUE(store.Save()) << store.LastError();
  }
  SchemeLoadResult LoadFrom(const std::string& path, ParameterSet& set) {
    CIniStore store(path);
    EXPECT_TRUE(store.LoadExisting());
    return SchemeMapping::Load(store, set);
  }
  test::TempFolder folder;
  std::string path = folder.Path("scheme.qnd");
};

TEST_F(SchemeFiles, AFreshSaveHoldsTheFortyThreeKeysInOrder) {
  SaveTo(path, FreshPage());
  const char* lines[] = {
      "[option]", "运行模式=0", "位置比例常数=0", "位置积分常数=0", "位置微分常数=0", "速度前馈常数=0",
      "比例常数=0", "积分常数=1", "微分常数=0", "电流比例常数=0", "电流积分常数=0", "电流微分常数=0",
      "最高速度=0", "最大峰值电流=0.000000e+000", "最大连续电流=0.000000e+000", "死区电压=0.000000e+000",
      "运转方向=0", "最低速度=0", "加速度=1", "位置下限=-2100000000", "位置上限=2100000000", "位限开关=0",
      "硬位限开关=0", "位置误差范围=0", "最大位置跟踪误差=1", "保护延迟时间=1", "反馈方式=0",
      "编码器分辨率=4", "测速机分辨率=0", "步宽=1", "最高频率=0", "节点类型=0", "软节点=0",
      "是否IxR补偿=0", "IxR补偿系数=0", "自动寻零=0", "寻零范围=0", "寻零速度=0", "机械偏差=0",
      "波特率=9600", "CAN波特率=500", "交轴电感=0", "直轴电感=0", "IIT时间=0"};
  std::string expected;
  for (const char* line : lines) expected += Gbk(line) + "\r\n";
  expected += "\r\n";
  EXPECT_EQ(test::ReadBytes(path), expected);
}

TEST_F(SchemeFiles, CurrentsUseTheThreeDigitExponentAndLoadBack) {
  ParameterSet set = FreshPage();
  set.Set(Field::PeakCurrent, 1500);
  set.Set(Field::ContinuousCurrent, 0.25);
  SaveTo(path, set);
  const std::string bytes = test::ReadBytes(path);
  EXPECT_NE(bytes.find(Gbk("最大峰值电流=1.500000e+003\r\n")), std::string::npos);
  EXPECT_NE(bytes.find(Gbk("最大连续电流=2.500000e-001\r\n")), std::string::npos);
  ParameterSet loaded;
  ASSERT_EQ(LoadFrom(path, loaded), SchemeLoadResult::Loaded);
  EXPECT_EQ(loaded.Float(Field::PeakCurrent), 1500.0f);
  EXPECT_EQ(loaded.Float(Field::ContinuousCurrent), 0.25f);
}

TEST_F(SchemeFiles, SavingOverAFileKeepsItsOtherSectionsAndKeysInPlace) {
  const std::string before = "[notes]\r\nauthor=lin\r\n\r\n[option]\r\n" + Gbk("最高速度=1") +
                             "\r\nextra=kept\r\n\r\n[tail]\r\nx=1\r\n\r\n";
  ASSERT_TRUE(test::WriteBytes(path, before));
  ParameterSet set = FreshPage();
  set.Set(Field::MaxSpeed, 3000);
  SaveTo(path, set);
  const std::string after = test::ReadBytes(path);
  // The other sections stay, in place, and the foreign key keeps its line.
  EXPECT_EQ(after.rfind("[notes]\r\nauthor=lin\r\n\r\n[option]\r\n" + Gbk("最高速度=3000") + "\r\nextra=kept\r\n" +
                            Gbk("运行模式=0") + "\r\n",
                        0),
            0u);
  EXPECT_NE(after.find("[tail]\r\nx=1\r\n"), std::string::npos);
  // The missing keys were appended to "option", not to the last section.
  EXPECT_LT(after.find(Gbk("IIT时间=0")), after.find("[tail]"));
}

TEST_F(SchemeFiles, MissingKeysReadAsZeroAndListsFollowTheirRules) {
  ASSERT_TRUE(test::WriteBytes(path, "[option]\r\n" + Gbk("最高速度=2500") + "\r\n" + Gbk("CAN波特率=300") +
                                         "\r\n" + Gbk("波特率=38400") + "\r\n"));
  ParameterSet set = FreshPage();
  set.Set(Field::QuadratureInductance, 77);
  set.Set(Field::PolePairs, 4);
  ASSERT_EQ(LoadFrom(path, set), SchemeLoadResult::Loaded);
  EXPECT_EQ(set.Int(Field::MaxSpeed), 2500);
  EXPECT_EQ(set.Int(Field::QuadratureInductance), 0);
  EXPECT_EQ(set.CanBaudText(), "125");
  EXPECT_EQ(set.Int(Field::SerialBaud), -1);
  EXPECT_EQ(set.Int(Field::PolePairs), 4);  // not part of a scheme
}

TEST_F(SchemeFiles, RunModeAndSignalRoundTripIncludingTheSingleEndedSource) {
  ParameterSet set = FreshPage();
  set.Set(Field::RunMode, 1);
  set.Set(Field::SignalSource, 3);
  SaveTo(path, set);
  EXPECT_NE(test::ReadBytes(path).find(Gbk("运行模式=259")), std::string::npos);
  ParameterSet loaded;
  ASSERT_EQ(LoadFrom(path, loaded), SchemeLoadResult::Loaded);
  EXPECT_EQ(loaded.Int(Field::RunMode), 1);
  EXPECT_EQ(loaded.Int(Field::SignalSource), 3);

  set.Set(Field::RunMode, 2);
  set.Set(Field::SignalSource, 4);
  SaveTo(path, set);
  EXPECT_NE(test::ReadBytes(path).find(Gbk("运行模式=517")), std::string::npos);
  ASSERT_EQ(LoadFrom(path, loaded), SchemeLoadResult::Loaded);
  EXPECT_EQ(loaded.Int(Field::RunMode), 2);
  EXPECT_EQ(loaded.Int(Field::SignalSource), 4);
}

TEST_F(SchemeFiles, OddModeValuesFallBackToTheFirstChoices) {
  for (const char* value : {"1024", "-259", "4", "abc"}) {
    ASSERT_TRUE(test::WriteBytes(path, "[option]\r\n" + Gbk("运行模式=") + value + "\r\n"));
    ParameterSet set = FreshPage();
    ASSERT_EQ(LoadFrom(path, set), SchemeLoadResult::Loaded) << value;
    EXPECT_EQ(set.Int(Field::RunMode), 0) << value;
    EXPECT_EQ(set.Int(Field::SignalSource), 0) << value;
  }
}

TEST_F(SchemeFiles, FilesThatAreNotSchemesAreRefusedAndChangeNothing) {
  ParameterSet set = FreshPage();
  set.Set(Field::MaxSpeed, 1234);
  const ParameterSet before = set;
  ASSERT_TRUE(test::WriteBytes(path, "[settings]\r\n" + Gbk("最高速度=1") + "\r\n"));
  EXPECT_EQ(LoadFrom(path, set), SchemeLoadResult::NoOptionSection);
  ASSERT_TRUE(test::WriteBytes(path, "[option]\r\nspeed=1\r\n"));
  EXPECT_EQ(LoadFrom(path, set), SchemeLoadResult::NoKnownKey);
  ASSERT_TRUE(test::WriteBytes(path, std::string("\x00\x01\xff\xfe garbage", 12)));
  EXPECT_EQ(LoadFrom(path, set), SchemeLoadResult::NoOptionSection);
  EXPECT_EQ(set, before);
}

TEST(PageStart, TheListsFollowTheSavedRatesWithTheirOwnFallbacks) {
  EXPECT_EQ(PageStart::WithLists(9600, 500), FreshPage());
  const ParameterSet fast = PageStart::WithLists(19200, 250);
  EXPECT_EQ(fast.SerialBaudText(), "19200");
  EXPECT_EQ(fast.CanBaudText(), "250");
  // A rate the lists do not hold: RS-232 shows nothing, CAN shows "500".
  const ParameterSet odd = PageStart::WithLists(38400, 300);
  EXPECT_EQ(odd.Int(Field::SerialBaud), -1);
  EXPECT_EQ(odd.CanBaudText(), "500");
  EXPECT_EQ(odd.Int(Field::EncoderResolution), 4);  // everything else as constructed

  test::TempFolder settings;
  Profile::UseFolderForTests(settings.Folder());
  EXPECT_EQ(PageStart::FromProfile(Profile()), FreshPage());  // nothing saved: the defaults
  Profile().WriteInt(QStringLiteral("ComBand"), 19200);
  Profile().WriteInt(QStringLiteral("CanBand"), 1000);
  const ParameterSet saved = PageStart::FromProfile(Profile());
  EXPECT_EQ(saved.SerialBaudText(), "19200");
  EXPECT_EQ(saved.CanBaudText(), "1000");
}

}  // namespace
}  // namespace zembra::drive
