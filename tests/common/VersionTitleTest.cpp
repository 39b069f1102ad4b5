// The window title from the version file: the check value, where the
// version text lands in the title, clipping of overlong texts, every way the
// title falls back to "未知", and the version file the program ships.
#include <gtest/gtest.h>

#include "TempFolder.h"
#include "common/IniStore.h"
#include "common/VersionTitle.h"
#include "platform/Gbk.h"

namespace zembra {
namespace {

using test::TempFolder;
using test::WriteBytes;

const QString kPrefix = QStringLiteral("伺服运控管理系统 －－ ");
const QString kUnknown = QStringLiteral("伺服运控管理系统 －－ 未知");

TEST(Crc16ModbusTest, ComputesTheByteSwappedModbusCheckValue) {
  EXPECT_EQ(Crc16Modbus("123456789"), 0x374B);
  EXPECT_EQ(Crc16Modbus(""), 0xFFFF);
  // Modbus request 01 03 00 00 00 01 carries the check bytes 84 0A.
  EXPECT_EQ(Crc16Modbus(std::string_view("\x01\x03\x00\x00\x00\x01", 6)), 0x840A);
  EXPECT_NE(Crc16Modbus("V 1.0.0"), Crc16Modbus("V 1.0.1"));
}

class VersionTitleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_folder.IsValid()); }

  // Writes a version file whose check value matches `version` (plus `crcOffset`).
  void WriteVersion(const std::string& version, long crcOffset = 0) {
    CIniStore store(m_folder.Path("QNVERSION.qni"));
    store.SetString("DriverVersion", "D0000", version, true);
    store.SetString("DriverVersion", "CRC", std::to_string(Crc16Modbus(version) + crcOffset), true);
    ASSERT_TRUE(store.Save());
  }
  QString Title() const { return ComposeWindowTitle(m_folder.Folder()); }

  TempFolder m_folder;
};

TEST_F(VersionTitleTest, VersionTextFromItsThirdCharacterFillsTheTemplate) {
  WriteVersion("V 1.0.0");
  EXPECT_EQ(Title(), kPrefix + QStringLiteral("1.0.0     "));
  EXPECT_EQ(ToGbk(Title()).size(), 32u);

  WriteVersion("V 1234567890");  // 12 characters: exactly fills the room
  EXPECT_EQ(Title(), kPrefix + QStringLiteral("1234567890"));

  WriteVersion("V \xd6\xd0\xce\xc4");  // GBK text after the first two bytes
  EXPECT_EQ(Title(), kPrefix + QStringLiteral("中文      "));
}

TEST_F(VersionTitleTest, ShortVersionLeavesTheSpacesUntouched) {
  WriteVersion("V1");
  EXPECT_EQ(Title(), kPrefix + QString(10, QLatin1Char(' ')));
  WriteVersion("");
  EXPECT_EQ(Title(), kPrefix + QString(10, QLatin1Char(' ')));
}

TEST_F(VersionTitleTest, OverlongVersionIsClippedToTheTemplate) {
  WriteVersion("V 1.2.3-beta.45+build");
  EXPECT_EQ(Title(), kPrefix + QStringLiteral("1.2.3-beta"));
  // A double-byte character that would straddle the end is left out whole.
  WriteVersion("V 123456789\xd6\xd0");
  EXPECT_EQ(Title(), kPrefix + QStringLiteral("123456789 "));
}

TEST_F(VersionTitleTest, CheckValueIsComparedAsSixteenBits) {
  WriteVersion("V 1.0.0", 65536);
  EXPECT_EQ(Title(), kPrefix + QStringLiteral("1.0.0     "));
}

TEST_F(VersionTitleTest, AnythingUnverifiableShowsUnknown) {
  EXPECT_EQ(Title(), kUnknown);  // no file

  WriteVersion("V 1.0.0", 1);
  EXPECT_EQ(Title(), kUnknown);  // wrong check value

  ASSERT_TRUE(WriteBytes(m_folder.Path("QNVERSION.qni"), "[DriverVersion]\r\nD0000=V 1.0.0\r\n"));
  EXPECT_EQ(Title(), kUnknown);  // no check value

  ASSERT_TRUE(WriteBytes(m_folder.Path("QNVERSION.qni"), "[DriverVersion]\r\nCRC=65535\r\n"));
  EXPECT_EQ(Title(), kUnknown);  // no version text, although "" would check as 65535

  ASSERT_TRUE(WriteBytes(m_folder.Path("QNVERSION.qni"), "[Other]\r\nD0000=V 1.0.0\r\nCRC=17202\r\n"));
  EXPECT_EQ(Title(), kUnknown);  // wrong section
}

TEST(ShippedVersionFileTest, YieldsAVerifiedTitle) {
  const QString title = ComposeWindowTitle(QStringLiteral(ZEMBRA_RESOURCES_DIR));
  EXPECT_NE(title, kUnknown);
  EXPECT_TRUE(title.startsWith(kPrefix));
  EXPECT_NE(title.mid(kPrefix.size()).trimmed(), QString());
}

}  // namespace
}  // namespace zembra
