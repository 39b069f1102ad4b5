// SerialPortDirectory: the stable order of serial devices and the mapping
// of COMn to a device path, with the profile's "ComPath<n>" override and
// the fallback past the end of the list.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>

#include "link/SerialPortDirectory.h"
#include "platform/Profile.h"

namespace zembra {
namespace {

class SerialPortDirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_profileFolder.isValid());
    Profile::UseFolderForTests(m_profileFolder.path());
  }
  QTemporaryDir m_profileFolder;
};

TEST_F(SerialPortDirectoryTest, UsbAdaptersComeFirstThenOnBoardPortsEachByNumber) {
  const QStringList expected = {"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0", "/dev/ttyACM1",
                                "/dev/ttyS0",   "/dev/ttyS1",    "/dev/ttyS12",  "/dev/ttyAMA0"};
  QStringList shuffled = {"/dev/ttyS12", "/dev/ttyAMA0", "/dev/ttyUSB10", "/dev/ttyS0",
                          "/dev/ttyACM1", "/dev/ttyUSB2", "/dev/ttyS1",   "/dev/ttyACM0"};
  EXPECT_EQ(SerialPortDirectory::SortDevices(shuffled), expected);
  std::reverse(shuffled.begin(), shuffled.end());
  EXPECT_EQ(SerialPortDirectory::SortDevices(shuffled), expected);
  // A device listed twice takes one COM number.
  EXPECT_EQ(SerialPortDirectory::SortDevices({"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyS0"}),
            QStringList({"/dev/ttyUSB0", "/dev/ttyS0"}));
}

TEST_F(SerialPortDirectoryTest, ComNumbersCountThroughTheListThenFallBackToOnBoardNames) {
  const QStringList devices = {"/dev/ttyUSB0", "/dev/ttyS0"};
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(1, devices), "/dev/ttyUSB0");
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(2, devices), "/dev/ttyS0");
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(3, devices), "/dev/ttyS2");
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(10, {}), "/dev/ttyS9");
  // No COM0 or negative ports: an empty path makes the open fail visibly.
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(0, devices), QString());
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(-1, devices), QString());
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(0), QString());
}

TEST_F(SerialPortDirectoryTest, ProfileOverrideWinsForItsNumberOnly) {
  Profile profile;
  profile.WriteString("ComPath2", "/dev/pts/7");
  profile.WriteString("ComPath3", "   ");
  const QStringList devices = {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyS0"};
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(1, devices), "/dev/ttyUSB0");
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(2, devices), "/dev/pts/7");
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(3, devices), "/dev/ttyS0");  // blank override ignored
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(2), "/dev/pts/7");  // machine list too
  profile.WriteString("ComPath12", "/dev/ttyV0");
  EXPECT_EQ(SerialPortDirectory::DevicePathForCom(12, devices), "/dev/ttyV0");
}

TEST_F(SerialPortDirectoryTest, MachineListIsInTheStableOrder) {
  const QStringList devices = SerialPortDirectory::ListDevices();
  EXPECT_EQ(devices, SerialPortDirectory::SortDevices(devices));
  for (int com = 1; com <= devices.size(); ++com) {
    EXPECT_EQ(SerialPortDirectory::DevicePathForCom(com), devices.at(com - 1));
  }
}

}  // namespace
}  // namespace zembra
