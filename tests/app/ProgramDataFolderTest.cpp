// Where the program finds its version file: the installed layout's data
// folder relative to the executable, then the executable's own folder; and
// what --version reports from it.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/ProgramDataFolder.h"
#include "app/VersionReport.h"
#include "common/IniStore.h"
#include "common/VersionTitle.h"

namespace zembra {
namespace {

class ProgramDataFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root.isValid());
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("bin")));
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("share/zembra")));
  }
  QString Path(const QString& relative) const { return QDir(root.path()).filePath(relative); }
  void WriteVersionFile(const QString& folder, const std::string& version) {
    CIniStore store(QDir(Path(folder)).filePath(QStringLiteral("QNVERSION.qni")).toStdString());
    ASSERT_TRUE(store.LoadOrCreate());
    store.SetString("DriverVersion", "D0000", version, true);
    store.SetInt("DriverVersion", "CRC", Crc16Modbus(version), true);
    ASSERT_TRUE(store.Save());
  }

  QTemporaryDir root;
};

TEST_F(ProgramDataFolderTest, TheInstalledDataFolderComesFirstThenTheProgramsOwnFolder) {
  const QString bin = Path(QStringLiteral("bin"));
  const QString data = Path(QStringLiteral("share/zembra"));
  EXPECT_EQ(ProgramDataFolder::Candidates(bin), QStringList({data, bin}));

  // Nothing anywhere: the data folder, where an installation puts it.
  EXPECT_EQ(ProgramDataFolder::Locate(bin), data);
  // Only beside the program, as a hand-copied program keeps it.
  WriteVersionFile(QStringLiteral("bin"), "V 1.2.3");
  EXPECT_EQ(ProgramDataFolder::Locate(bin), bin);
  // Both: the installation's data folder wins.
  WriteVersionFile(QStringLiteral("share/zembra"), "V 4.5.6");
  EXPECT_EQ(ProgramDataFolder::Locate(bin), data);
  // A folder of that name is no version file.
  QFile::remove(QDir(data).filePath(QStringLiteral("QNVERSION.qni")));
  ASSERT_TRUE(QDir(data).mkdir(QStringLiteral("QNVERSION.qni")));
  EXPECT_EQ(ProgramDataFolder::Locate(bin), bin);
}

TEST_F(ProgramDataFolderTest, VersionReportNamesTheFileAndItsTitleOrWhereItLooked) {
  const QString bin = Path(QStringLiteral("bin"));
  VersionReport missing = VersionReport::For(QStringLiteral("9.8.7"), bin);
  EXPECT_FALSE(missing.found);
  EXPECT_TRUE(missing.text.startsWith(QStringLiteral("zembra 9.8.7\n")));
  EXPECT_TRUE(missing.text.contains(Path(QStringLiteral("share/zembra")))) << missing.text.toStdString();
  EXPECT_TRUE(missing.text.contains(bin));

  WriteVersionFile(QStringLiteral("share/zembra"), "V 2.0.1");
  VersionReport found = VersionReport::For(QStringLiteral("9.8.7"), bin);
  EXPECT_TRUE(found.found);
  EXPECT_TRUE(found.text.contains(QStringLiteral("伺服运控管理系统 －－ 2.0.1"))) << found.text.toStdString();
  EXPECT_TRUE(found.text.contains(Path(QStringLiteral("share/zembra/QNVERSION.qni"))));
}

}  // namespace
}  // namespace zembra
