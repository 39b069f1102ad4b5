// SerialSettingsModel: the entries the serial settings dialog offers, the
// preselection from the saved choice, and the choice a selection makes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "link/SerialSettingsModel.h"
#include "platform/Profile.h"

namespace zembra {
namespace {

const QStringList kPaths = {"/dev/ttyUSB0", "/dev/ttyS0", "", "/dev/ttyS3"};

TEST(SerialSettingsModelTest, SavedPortInRangeIsPreselectedElseTheFirst) {
  for (int com = 1; com <= SerialSettingsModel::kPortCount; ++com) {
    EXPECT_EQ(SerialSettingsModel({com, 9600}, kPaths).PortIndex(), com - 1) << com;
  }
  for (int com : {0, 11, -3, 256}) {
    EXPECT_EQ(SerialSettingsModel({com, 9600}, kPaths).PortIndex(), 0) << com;
  }
}

TEST(SerialSettingsModelTest, SavedBaudInTheListIsPreselectedElse9600) {
  const std::pair<int, int> cases[] = {{2400, 0}, {4800, 1}, {9600, 2}, {19200, 3},
                                       {115200, 2}, {0, 2}, {-9600, 2}, {960, 2}};
  for (const auto& [baud, index] : cases) {
    SerialSettingsModel model({1, baud}, kPaths);
    EXPECT_EQ(model.BaudIndex(), index) << baud;
    EXPECT_EQ(SerialSettingsModel::BaudEntries().at(model.BaudIndex()), QString::number(index == 2 ? 9600 : baud));
  }
}

TEST(SerialSettingsModelTest, ResultIsSelectedIndexPlusOneAndTheBaudValue) {
  SerialSettingsModel model({3, 4800}, kPaths);
  EXPECT_EQ(model.Result().comNumber, 3);
  EXPECT_EQ(model.Result().baud, 4800);

  EXPECT_TRUE(model.SelectPort(9));
  EXPECT_TRUE(model.SelectBaud(3));
  EXPECT_EQ(model.Result().comNumber, 10);
  EXPECT_EQ(model.Result().baud, 19200);

  // Out-of-range selections change nothing.
  EXPECT_FALSE(model.SelectPort(10));
  EXPECT_FALSE(model.SelectPort(-1));
  EXPECT_FALSE(model.SelectBaud(4));
  EXPECT_FALSE(model.SelectBaud(-1));
  EXPECT_EQ(model.Result().comNumber, 10);
  EXPECT_EQ(model.Result().baud, 19200);

  // A saved choice outside the lists comes back as the preselected defaults.
  SerialSettingsModel odd({42, 57600}, kPaths);
  EXPECT_EQ(odd.Result().comNumber, 1);
  EXPECT_EQ(odd.Result().baud, 9600);
}

TEST(SerialSettingsModelTest, PortEntriesNameTheDeviceBehindEachPort) {
  const QStringList entries = SerialSettingsModel({1, 9600}, kPaths).PortEntries();
  ASSERT_EQ(entries.size(), 10);
  EXPECT_EQ(entries.at(0), "COM1 (/dev/ttyUSB0)");
  EXPECT_EQ(entries.at(1), "COM2 (/dev/ttyS0)");
  EXPECT_EQ(entries.at(2), "COM3");
  EXPECT_EQ(entries.at(3), "COM4 (/dev/ttyS3)");
  EXPECT_EQ(entries.at(9), "COM10");
  EXPECT_EQ(SerialSettingsModel::BaudEntries(), QStringList({"2400", "4800", "9600", "19200"}));
}

class SerialSettingsProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_profileFolder.isValid());
    Profile::UseFolderForTests(m_profileFolder.path());
  }
  QTemporaryDir m_profileFolder;
};

TEST_F(SerialSettingsProfileTest, SavedChoiceReadsTheProfileWithItsDefaults) {
  Profile profile;
  SerialChoice fresh = SerialSettingsModel::SavedChoice(profile);
  EXPECT_EQ(fresh.comNumber, 1);
  EXPECT_EQ(fresh.baud, 9600);

  profile.WriteInt("ComNum", 7);
  profile.WriteInt("ComBand", 19200);
  SerialChoice saved = SerialSettingsModel::SavedChoice(profile);
  EXPECT_EQ(saved.comNumber, 7);
  EXPECT_EQ(saved.baud, 19200);
}

// Settings written by hand or by another tool: values that are not
// numbers, numbers no port has, and files that are empty or not settings
// at all. Each reads as something the dialog can show.
TEST_F(SerialSettingsProfileTest, OddOrUnreadableSettingsReadAsUsableChoices) {
  const QString file = m_profileFolder.path() + "/DIRER/Zembra.conf";
  ASSERT_TRUE(QDir().mkpath(m_profileFolder.path() + "/DIRER"));
  auto writeFile = [&](const QByteArray& bytes) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  };
  static const char kBinary[] = "\x00\xff\xfe[\x01\n=\x02\n\xcb\xc5";
  const std::pair<QByteArray, SerialChoice> cases[] = {
      {"[QnZembra]\nComNum=2\nComBand=fast\n", {2, 9600}},
      {"[QnZembra]\nComNum=COM3\nComBand=\n", {1, 9600}},
      {"[QnZembra]\nComNum=0\nComBand=19200\n", {0, 19200}},
      {"[QnZembra]\nComNum=99\nComBand=115200\n", {99, 115200}},
      {"", {1, 9600}},
      {QByteArray(kBinary, sizeof kBinary - 1), {1, 9600}},
  };
  for (const auto& [bytes, expected] : cases) {
    writeFile(bytes);
    const SerialChoice saved = SerialSettingsModel::SavedChoice(Profile());
    EXPECT_EQ(saved.comNumber, expected.comNumber) << bytes.toStdString();
    EXPECT_EQ(saved.baud, expected.baud) << bytes.toStdString();
    // The dialog turns whatever was saved into a choice it offers.
    const SerialChoice offered = SerialSettingsModel(saved, kPaths).Result();
    EXPECT_GE(offered.comNumber, 1);
    EXPECT_LE(offered.comNumber, SerialSettingsModel::kPortCount);
    EXPECT_TRUE(SerialSettingsModel::BaudEntries().contains(QString::number(offered.baud)));
  }
}

TEST_F(SerialSettingsProfileTest, MachineModelShowsTheProfileOverride) {
  Profile().WriteString("ComPath4", "/dev/pts/9");
  const QStringList entries = SerialSettingsModel::ForThisMachine({4, 9600}).PortEntries();
  ASSERT_EQ(entries.size(), 10);
  EXPECT_EQ(entries.at(3), "COM4 (/dev/pts/9)");
  // Every port names some device on this machine.
  for (const QString& entry : entries) EXPECT_TRUE(entry.contains("(/dev/")) << entry.toStdString();
}

}  // namespace
}  // namespace zembra
