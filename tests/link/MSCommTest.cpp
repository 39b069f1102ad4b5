// The serial port itself, over a pseudo-terminal: settings it refuses,
// paths that are no serial port, a far end that never takes the bytes,
// bytes that were waiting before the port was opened, and a hang-up.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "link/MSComm.h"
#include "sim/PtyPair.h"

namespace zembra {
namespace {

class PortOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(pty.Open(9600, &error)) << error;
    path = QString::fromStdString(pty.SlavePath());
  }
  sim::PtyPair pty;
  QString path;
  CMSComm port;
};

TEST(MSCommSettings, OnlyASupportedBaudWithN81IsTaken) {
  for (const char* bad : {"", "9600", "abc,n,8,1", "12345,n,8,1", "0,n,8,1", "-9600,n,8,1", "99999999999,n,8,1",
                          "9600,e,8,1", "9600,n,7,1", "9600,n,8,2", "9600;n;8;1"})
    EXPECT_EQ(CMSComm::BaudFromSettings(bad), 0) << bad;
  EXPECT_EQ(CMSComm::BaudFromSettings("19200,N,8,1"), 19200);
  EXPECT_EQ(CMSComm::BaudFromSettings("2400,n,8,1"), 2400);
}

TEST_F(PortOverPty, AnUnsupportedBaudIsRefusedInWordsAndOpensNothing) {
  EXPECT_FALSE(port.Open(path, "12345,n,8,1"));
  EXPECT_TRUE(port.LastError().contains(QStringLiteral("12345"))) << port.LastError().toStdString();
  EXPECT_FALSE(port.PortOpen());
  EXPECT_TRUE(port.Open(path, "9600,n,8,1"));
}

TEST(MSCommPaths, PathsThatAreNoSerialPortAreRefusedInWords) {
  CMSComm port;
  EXPECT_FALSE(port.Open(QStringLiteral("/dev/null"), "9600,n,8,1"));
  EXPECT_TRUE(port.LastError().contains(QStringLiteral("不是串口设备")));
  // "ComNum" 0 maps to no device at all.
  EXPECT_FALSE(port.Open(QString(), "9600,n,8,1"));
  EXPECT_FALSE(port.LastError().isEmpty());
  EXPECT_FALSE(port.Open(QStringLiteral("/dev/zembra-no-such-port"), "9600,n,8,1"));
  EXPECT_TRUE(port.LastError().contains(QStringLiteral("该设备不存在")));
  EXPECT_FALSE(port.PortOpen());
  EXPECT_FALSE(port.Write("GVER\r"));
}

// Nobody reads the far end: the driver's buffer fills and stays full. The
// write gives up in words instead of holding its caller for ever.
TEST_F(PortOverPty, AFarEndThatNeverReadsFailsTheWriteInsteadOfHangingIt) {
  ASSERT_TRUE(port.Open(path, "9600,n,8,1"));
  EXPECT_FALSE(port.Write(std::string(1 << 20, 'x')));
  EXPECT_TRUE(port.LastError().contains(QStringLiteral("超时"))) << port.LastError().toStdString();
  EXPECT_TRUE(port.PortOpen());
}

TEST_F(PortOverPty, BytesWaitingBeforeTheOpenBelongToNobody) {
  const std::string stale = "#stale\r\n";
  ASSERT_EQ(::write(pty.MasterFd(), stale.data(), stale.size()), static_cast<ssize_t>(stale.size()));
  ASSERT_TRUE(port.Open(path, "9600,n,8,1"));
  std::string read;
  EXPECT_EQ(port.ReadAll(read), CMSComm::ReadStatus::Nothing);
  EXPECT_TRUE(read.empty());
  const std::string fresh = "#1\r\n";
  ASSERT_EQ(::write(pty.MasterFd(), fresh.data(), fresh.size()), static_cast<ssize_t>(fresh.size()));
  for (int i = 0; i < 1000 && read.empty(); ++i) {
    port.ReadAll(read);
    if (read.empty()) ::usleep(1000);
  }
  EXPECT_EQ(read, fresh);
}

TEST_F(PortOverPty, AHangUpReadsAsLostInWords) {
  ASSERT_TRUE(port.Open(path, "9600,n,8,1"));
  pty.Close();
  std::string read;
  EXPECT_EQ(port.ReadAll(read), CMSComm::ReadStatus::Lost);
  EXPECT_TRUE(port.LastError().contains(QStringLiteral("串口已断开")));
}

}  // namespace
}  // namespace zembra
