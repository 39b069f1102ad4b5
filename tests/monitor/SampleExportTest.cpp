// Export of a session: the CSV rows, and files written whole or not at all
// with the failure in words (the PNG path is exercised by the page test).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "monitor/AtomicFile.h"
#include "monitor/SampleCsv.h"

namespace zembra {
namespace {

constexpr AxisRange kView{0.0, 20000.0, 20000.0};

TEST(SampleCsv, OneRowPerSampleSeriesBySeries) {
  SampleStore store;
  store.Add(MonitorSeries::Current, -12, 4000, kView);
  store.Add(MonitorSeries::Speed, 1500, 5000, kView);
  store.Add(MonitorSeries::Speed, 1498, 5100, kView);
  const QString csv = QString::fromUtf8(SampleCsv::Format(store));
  EXPECT_EQ(csv, QStringLiteral("曲线,时间(ms),数值,到达时刻(ms)\r\n"
                                "速度,0,1500,5000\r\n"
                                "速度,100,1498,5100\r\n"
                                "电流,0,-12,4000\r\n"));
}

TEST(AtomicFile, ReplacesWholeAndLeavesTheOldFileWhenItCannotWrite) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath(QStringLiteral("数据.csv"));
  EXPECT_FALSE(AtomicFile::Write(path, "old\r\n"));
  EXPECT_FALSE(AtomicFile::Write(path, "new\r\n"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray("new\r\n"));
  file.close();
  // No temporary file is left beside it.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);

  const QString missing = dir.filePath(QStringLiteral("没有/数据.csv"));
  std::optional<QString> error = AtomicFile::Write(missing, "x");
  ASSERT_TRUE(error);
  EXPECT_TRUE(error->startsWith(QStringLiteral("无法写入文件"))) << error->toStdString();
  EXPECT_TRUE(error->contains(missing));
}

}  // namespace
}  // namespace zembra
