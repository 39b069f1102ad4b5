// zembra-cli's runs in-process against virtual drives over ptys: read and
// its JSON, backups byte for byte (fresh and over a file that holds more),
// the write the page would send (with the baud change and the EEPROM),
// verify, refusals that send nothing, several drives at once with one
// silent, drives that go quiet or vanish mid-write, SIGINT, the round trip
// backup -> restore -> verify, and progress only where asked.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <sstream>

#include "cli/CliRun.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"
#include "sim/VirtualDrive.h"
#include "tests/common/TempFolder.h"
#include "tests/support/EventLoopWait.h"

namespace zembra::cli {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using sim::DriveParameter;
using test::WaitUntil;

std::string Gbk(const char* utf8) { return ToGbk(QString::fromUtf8(utf8)); }

// Lines joined with CR LF, in GBK, the way the program's files are.
std::string SchemeFile(std::initializer_list<const char*> lines) {
  std::string bytes;
  for (const char* line : lines) bytes += Gbk(line) + "\r\n";
  return bytes;
}

struct RunResult {
  ExitStatus status = ExitStatus::Success;
  std::string out;
  std::string err;
  Clock::duration took{};
  QJsonObject Json() const { return QJsonDocument::fromJson(QByteArray::fromStdString(out)).object(); }
  QJsonObject Port(int i) const { return Json()[QStringLiteral("ports")].toArray()[i].toObject(); }
};

class CliRuns : public ::testing::Test {
 protected:
  void SetUp() override { Profile::UseFolderForTests(settings.Folder()); }
  void TearDown() override {
    for (auto& d : drives) d->Stop();
  }

  sim::VirtualDrive& AddDrive() {
    drives.push_back(std::make_unique<sim::VirtualDrive>());
    std::string error;
    EXPECT_TRUE(drives.back()->Start(&error)) << error;
    return *drives.back();
  }
  // "--port" for each drive, then the arguments.
  QStringList Args(std::initializer_list<QString> args) const {
    QStringList list{QStringLiteral("zembra-cli")};
    for (const auto& d : drives) list << QStringLiteral("--port") << QString::fromStdString(d->SlavePath());
    for (const QString& a : args) list << a;
    return list;
  }
  RunResult Run(const QStringList& args, const std::function<void(CliRun&)>& during = {}, bool progress = false) {
    std::ostringstream out, err;
    RunResult result;
    const auto start = Clock::now();
    {
      CliRun run(CliOptions::Parse(args), {out, err, progress, 80});
      run.Start();
      if (during) during(run);
      EXPECT_TRUE(WaitUntil([&] { return run.Finished(); }, 30s));
      result.status = run.Status();
    }
    result.took = Clock::now() - start;
    result.out = out.str();
    result.err = err.str();
    return result;
  }
  QString File(const char* name) const { return QFile::decodeName(folder.Path(QString::fromUtf8(name)).c_str()); }
  std::string Bytes(const char* name) const { return test::ReadBytes(folder.Path(QString::fromUtf8(name))); }
  void Write(const char* name, const std::string& bytes) {
    ASSERT_TRUE(test::WriteBytes(folder.Path(QString::fromUtf8(name)), bytes));
  }
  // The commands a drive received after its identification.
  static std::vector<std::string> AfterIdentification(const sim::VirtualDrive& d) {
    std::vector<std::string> all = d.ReceivedCommands();
    EXPECT_GE(all.size(), 2u);
    if (all.size() < 2) return {};
    EXPECT_EQ(all[0], "GVER");
    EXPECT_EQ(all[1], "GDTY");
    return {all.begin() + 2, all.end()};
  }

  test::TempFolder settings;
  test::TempFolder folder;
  std::vector<std::unique_ptr<sim::VirtualDrive>> drives;
};

// A known file and the 36 commands the page's "设 置" makes of it.
const std::string kKnownScheme = SchemeFile({
    "[option]", "运行模式=259", "位置比例常数=21", "位置积分常数=2", "位置微分常数=11", "速度前馈常数=3",
    "比例常数=201", "积分常数=22", "微分常数=4", "电流比例常数=101", "电流积分常数=12", "电流微分常数=5",
    "最高速度=2500", "最大峰值电流=1.500000e+004", "最大连续电流=7.5009e+003", "死区电压=2.500000e+001",
    "运转方向=1", "最低速度=12", "加速度=150", "位置下限=-100000", "位置上限=200000", "位限开关=1",
    "硬位限开关=0", "位置误差范围=15", "最大位置跟踪误差=900", "保护延迟时间=400", "反馈方式=0",
    "编码器分辨率=8000", "测速机分辨率=0", "步宽=2", "最高频率=0", "节点类型=1", "软节点=3", "是否IxR补偿=0",
    "IxR补偿系数=0", "自动寻零=1", "寻零范围=5000", "寻零速度=-50", "机械偏差=-7", "波特率=19200",
    "CAN波特率=250", "交轴电感=130", "直轴电感=115", "IIT时间=1800"});
const std::vector<std::string> kKnownWrite = {
    "SMOD259", "MP21",   "MI2",      "MD11",      "MK3",   "P201",  "I22",   "D4",      "AP101",
    "AI12",    "AD5",    "SSP2500",  "SPC15000",  "SCC7500", "SLQ130", "SLD115", "SMAV25", "SL",
    "SMV12",   "A150",   "SPL-100000", "SPH200000", "SPE1", "SPHE0", "SME15", "SER900", "SPT400",
    "SIIT1800", "ENC8000", "STW2",    "SNOT1",     "SADR3", "SPOF1", "SOV-50", "SOP5000", "SORG-7"};

TEST_F(CliRuns, ReadListsEveryParameterAsThePageShowsItAndTheStepsThatTimedOut) {
  sim::VirtualDrive& d = AddDrive();
  d.WithModel([](sim::DriveModel& m) {
    m.SetParameter(DriveParameter::MaxSpeed, 3200);
    m.SetMode(sim::DriveMode::Position, sim::SignalSource::StepPulse);
  });
  d.SetSilentFor("GLQ", true);
  d.SetErrorFor("GOV", true);

  RunResult text = Run(Args({"read"}));
  EXPECT_EQ(text.status, ExitStatus::NotConfirmed);  // a read went unanswered
  for (const char* line : {"型号\tGDTY\tZD-7720\n", "版本\tGVER\t2.15\n", "运行模式\tGSI\t位置模式\n",
                           "信号来源\tGSI\t步进脉冲\n", "最高速度\tGSP\t3200\n", "交轴电感\tGLQ\t（超时）\n",
                           "寻零速度\tGOV\tERR\n", "运转方向\tGLR\t正转\n", "CAN波特率\tGCBD\t500\n", "超时：GLQ\n"})
    EXPECT_NE(text.out.find(line), std::string::npos) << line << text.out;
  EXPECT_NE(text.err.find("GLQ"), std::string::npos);

  RunResult json = Run(Args({"--json", "read"}));
  const QJsonObject port = json.Port(0);
  EXPECT_EQ(json.Json()["status"].toInt(), 1);
  EXPECT_EQ(port["model"].toString(), "ZD-7720");
  EXPECT_EQ(port["version"].toString(), "2.15");
  const QJsonObject parameters = port["parameters"].toObject();
  EXPECT_EQ(parameters.size(), 38);
  EXPECT_EQ(parameters["GSP"].toInt(), 3200);
  EXPECT_EQ(parameters["GSI"].toInt(), 259);
  EXPECT_EQ(parameters["GOV"].toInt(), 0);
  EXPECT_EQ(parameters["GRBD"].toInt(), 9600);
  EXPECT_FALSE(parameters.contains("GLQ"));
  EXPECT_EQ(port["timedOut"].toArray(), QJsonArray{"GLQ"});
  EXPECT_EQ(port["answeredErr"].toArray(), QJsonArray{"GOV"});
}

TEST_F(CliRuns, BackupOfAKnownDriveIsTheSchemeFileByteForByte) {
  sim::VirtualDrive& d = AddDrive();
  d.WithModel([](sim::DriveModel& m) {
    m.SetMode(sim::DriveMode::Position, sim::SignalSource::StepPulse);
    m.SetParameter(DriveParameter::MaxSpeed, 3200);
    m.SetParameter(DriveParameter::PeakCurrent, 15000);
    m.SetParameter(DriveParameter::ContinuousCurrent, 1500);
    m.SetParameter(DriveParameter::Direction, 0);
    m.SetParameter(DriveParameter::HardLimitSwitch, 1);
    m.SetParameter(DriveParameter::NodeAddress, 7);
    m.SetParameter(DriveParameter::MechanicalOffset, -15);
    m.SetParameter(DriveParameter::SerialBaud, 19200);
    m.SetParameter(DriveParameter::CanBaud, 250000);
  });
  const RunResult r = Run(Args({"backup", File("drive.qnd")}));
  EXPECT_EQ(r.status, ExitStatus::Success) << r.err;
  EXPECT_NE(r.out.find("方案保存成功"), std::string::npos);
  const std::string expected =
      SchemeFile({"[option]", "运行模式=259", "位置比例常数=20", "位置积分常数=0", "位置微分常数=10",
                  "速度前馈常数=0", "比例常数=200", "积分常数=20", "微分常数=0", "电流比例常数=100",
                  "电流积分常数=10", "电流微分常数=0", "最高速度=3200", "最大峰值电流=1.500000e+004",
                  "最大连续电流=1.500000e+003", "死区电压=2.000000e+001", "运转方向=1", "最低速度=10",
                  "加速度=100", "位置下限=-2100000000", "位置上限=2100000000", "位限开关=0", "硬位限开关=1",
                  "位置误差范围=10", "最大位置跟踪误差=1000", "保护延迟时间=500", "反馈方式=0",
                  "编码器分辨率=10000", "测速机分辨率=0", "步宽=1", "最高频率=0", "节点类型=0", "软节点=7",
                  "是否IxR补偿=0", "IxR补偿系数=0", "自动寻零=0", "寻零范围=10000", "寻零速度=100",
                  "机械偏差=-15", "波特率=19200", "CAN波特率=250", "交轴电感=120", "直轴电感=110",
                  "IIT时间=2000"}) +
      "\r\n";
  EXPECT_EQ(Bytes("drive.qnd"), expected);
}

TEST_F(CliRuns, BackupOverAFileKeepsItsOtherSectionsKeysAndSchemeOnlyValues) {
  AddDrive().WithModel([](sim::DriveModel& m) { m.SetParameter(DriveParameter::MaxSpeed, 3200); });
  Write("line.qnd", "[notes]\r\nauthor=lin\r\n\r\n[option]\r\n" + Gbk("最高速度=1\r\n最高频率=77") +
                        "\r\nextra=kept\r\n\r\n[tail]\r\nx=1\r\n\r\n");
  const RunResult r = Run(Args({"backup", File("line.qnd")}));
  ASSERT_EQ(r.status, ExitStatus::Success) << r.err;
  const std::string after = Bytes("line.qnd");
  EXPECT_EQ(after.rfind("[notes]\r\nauthor=lin\r\n\r\n[option]\r\n" + Gbk("最高速度=3200\r\n最高频率=77") +
                            "\r\nextra=kept\r\n" + Gbk("运行模式=0") + "\r\n",
                        0),
            0u)
      << after;
  EXPECT_NE(after.find("[tail]\r\nx=1\r\n"), std::string::npos);
  EXPECT_NE(after.find(Gbk("软节点=1\r\n")), std::string::npos);
}

TEST_F(CliRuns, RestoreSendsThePagesWriteThenTheBaudCommandsThenEsa) {
  sim::VirtualDrive& d = AddDrive();
  Write("known.qnd", kKnownScheme);
  RunResult r = Run(Args({"restore", File("known.qnd")}));
  EXPECT_EQ(r.status, ExitStatus::Success) << r.err;
  EXPECT_EQ(AfterIdentification(d), kKnownWrite);
  EXPECT_NE(r.out.find("已发送 36/36 条命令"), std::string::npos);

  sim::VirtualDrive& e = AddDrive();
  drives.erase(drives.begin());  // e alone
  r = Run(Args({"restore", File("known.qnd"), "--change-baud", "--eeprom"}));
  EXPECT_EQ(r.status, ExitStatus::Success) << r.err;
  std::vector<std::string> expected = kKnownWrite;
  expected.insert(expected.end(), {"BAUD19200", "SCBD250000", "ESA"});
  EXPECT_EQ(AfterIdentification(e), expected);
  EXPECT_NE(r.out.find("RS232和CAN的波特率都已经更改"), std::string::npos);
  EXPECT_NE(r.out.find("参数已保存至EEPROM"), std::string::npos);
  EXPECT_EQ(e.WithModel([](sim::DriveModel& m) { return m.EepromImage().Get(DriveParameter::MaxSpeed); }), 2500);
}

TEST_F(CliRuns, RestoreWithRejectedCommandsIsNotConfirmedAndSkipsTheEeprom) {
  sim::VirtualDrive& d = AddDrive();
  d.SetErrorFor("SSP", true);
  Write("known.qnd", kKnownScheme);
  const RunResult r = Run(Args({"--json", "restore", File("known.qnd"), "--eeprom"}));
  EXPECT_EQ(r.status, ExitStatus::NotConfirmed);
  EXPECT_EQ(r.Port(0)["answeredErr"].toArray(), QJsonArray{"SSP"});
  EXPECT_TRUE(r.Port(0)["eeprom"].isNull());
  EXPECT_EQ(AfterIdentification(d), kKnownWrite);  // the whole write, but no "ESA"
}

TEST_F(CliRuns, ADriveSlowerThanThePausesStillConfirmsEveryCommand) {
  sim::VirtualDrive& d = AddDrive();
  d.SetReplyDelay(150ms);  // each answer comes after the next command left
  Write("known.qnd", kKnownScheme);
  const RunResult r = Run(Args({"--json", "restore", File("known.qnd")}));
  EXPECT_EQ(r.status, ExitStatus::Success) << r.out;
  EXPECT_EQ(r.Port(0)["unconfirmed"].toInt(), 0);
  EXPECT_EQ(AfterIdentification(d), kKnownWrite);
}

TEST_F(CliRuns, VerifyAgreesOrListsEachDifference) {
  sim::VirtualDrive& d = AddDrive();
  RunResult first = Run(Args({"backup", File("drive.qnd")}));
  ASSERT_EQ(first.status, ExitStatus::Success) << first.out << first.err;
  RunResult same = Run(Args({"verify", File("drive.qnd")}));
  EXPECT_EQ(same.status, ExitStatus::Success) << same.out << same.err;
  EXPECT_NE(same.out.find("一致"), std::string::npos);

  d.WithModel([](sim::DriveModel& m) {
    m.SetParameter(DriveParameter::MaxSpeed, 2800);
    m.SetParameter(DriveParameter::ContinuousCurrent, 5000);
  });
  RunResult differ = Run(Args({"verify", File("drive.qnd")}));
  EXPECT_EQ(differ.status, ExitStatus::NotConfirmed);
  EXPECT_NE(differ.out.find("最高速度\t3000\t2800\n"), std::string::npos) << differ.out;
  EXPECT_NE(differ.out.find("最大连续电流\t6.000000e+003\t5.000000e+003\n"), std::string::npos) << differ.out;
  RunResult json = Run(Args({"--json", "verify", File("drive.qnd")}));
  EXPECT_EQ(json.Port(0)["differences"].toArray().size(), 2);
  // verify only reads
  for (const std::string& c : d.ReceivedCommands()) EXPECT_EQ(c[0], 'G') << c;
}

TEST_F(CliRuns, AFileThatFailsValidationSendsNothing) {
  sim::VirtualDrive& d = AddDrive();
  std::string bad = kKnownScheme;
  bad.replace(bad.find(Gbk("编码器分辨率=8000")), Gbk("编码器分辨率=8000").size(), Gbk("编码器分辨率=6"));
  Write("bad.qnd", bad);
  const RunResult r = Run(Args({"restore", File("bad.qnd")}));
  EXPECT_EQ(r.status, ExitStatus::Usage);
  EXPECT_NE(r.err.find("编码器分辨率必须为四的倍数"), std::string::npos);
  EXPECT_EQ(d.CommandCount(), 0u);
}

TEST_F(CliRuns, HandEditedFilesAreRefusedWithNothingOnTheWire) {
  sim::VirtualDrive& d = AddDrive();
  for (const auto& [from, to] : std::vector<std::pair<const char*, const char*>>{
           {"最高速度=2500", "最高速度=abc"},
           {"最高速度=2500", "最高速度=-3000"},
           {"最高速度=2500", "最高速度=99999999999999999999"},
           {"最大峰值电流=1.500000e+004", "最大峰值电流=9.999999e+009"},
           {"运行模式=259", "运行模式=7"},
           {"最高速度=2500\r\n", ""}}) {
    std::string file = kKnownScheme;
    file.replace(file.find(Gbk(from)), Gbk(from).size(), Gbk(to));
    Write("edited.qnd", file);
    const RunResult r = Run(Args({"restore", File("edited.qnd")}));
    EXPECT_EQ(r.status, ExitStatus::Usage) << to;
    EXPECT_NE(r.err.find(std::string(to).substr(0, std::string(to).find('='))), std::string::npos) << r.err;
  }
  EXPECT_EQ(d.CommandCount(), 0u);
  // A backup that could not be saved is refused before the drive is asked.
  EXPECT_EQ(Run(Args({"backup", QStringLiteral("/nonexistent/folder/axis.qnd")})).status, ExitStatus::Usage);
  EXPECT_EQ(d.CommandCount(), 0u);
}

TEST_F(CliRuns, RestoreWithVerifyReadsBackAndStoresOnlyWhatTheDriveHoldsAsSent) {
  sim::VirtualDrive& d = AddDrive();
  Write("known.qnd", kKnownScheme);
  const RunResult good = Run(Args({"restore", File("known.qnd"), "--verify", "--eeprom"}));
  EXPECT_EQ(good.status, ExitStatus::Success) << good.err;
  EXPECT_NE(good.out.find("校验通过：36/36"), std::string::npos) << good.out;
  std::vector<std::string> wire = AfterIdentification(d);
  ASSERT_EQ(wire.size(), 36u + 36u + 1u);
  EXPECT_EQ(std::vector<std::string>(wire.begin(), wire.begin() + 36), kKnownWrite);
  EXPECT_EQ(wire.back(), "ESA");

  // A drive whose maximum speed changes once written (another hand on
  // its panel): named with both values, status 1, nothing stored.
  sim::VirtualDrive& keeps = AddDrive();
  const RunResult bad = Run({QStringLiteral("zembra-cli"), QStringLiteral("--port"), QString::fromStdString(keeps.SlavePath()),
                             QStringLiteral("--json"), QStringLiteral("restore"), File("known.qnd"), QStringLiteral("--verify"),
                             QStringLiteral("--eeprom")},
                            [&](CliRun&) {
                              ASSERT_TRUE(WaitUntil([&] { return keeps.CommandCount() >= 2 + 36; }, 10s));
                              keeps.WithModel([](sim::DriveModel& m) { m.SetParameter(DriveParameter::MaxSpeed, 2800); });
                            });
  EXPECT_EQ(bad.status, ExitStatus::NotConfirmed);
  const QJsonObject verification = bad.Port(0)["verification"].toObject();
  EXPECT_FALSE(verification["passed"].toBool());
  EXPECT_EQ(verification["verified"].toInt(), 35);
  const QJsonObject difference = verification["differences"].toArray()[0].toObject();
  EXPECT_EQ(difference["name"].toString(), QStringLiteral("最高速度"));
  EXPECT_EQ(difference["written"].toString(), QStringLiteral("2500"));
  EXPECT_EQ(difference["drive"].toString(), QStringLiteral("2800"));
  for (const std::string& c : keeps.ReceivedCommands()) EXPECT_NE(c, "ESA");
}

TEST_F(CliRuns, SeveralBackupsWithoutAPlaceholderAreRefusedBeforeAnythingIsSent) {
  sim::VirtualDrive& a = AddDrive();
  sim::VirtualDrive& b = AddDrive();
  const RunResult r = Run(Args({"--json", "backup", File("axis.qnd")}));
  EXPECT_EQ(r.status, ExitStatus::Usage);
  EXPECT_EQ(r.Json()["status"].toInt(), 2);
  EXPECT_TRUE(r.Json()["error"].toString().contains("{n}"));
  EXPECT_EQ(a.CommandCount() + b.CommandCount(), 0u);
  EXPECT_FALSE(test::Exists(folder.Path("axis.qnd")));
}

TEST_F(CliRuns, ThreeDrivesRunSideBySideAndASilentOneFailsAlone) {
  AddDrive();
  const RunResult one = Run(Args({"read"}));
  ASSERT_EQ(one.status, ExitStatus::Success);
  AddDrive().SetSilent(true);
  AddDrive();
  const RunResult three = Run(Args({"--json", "backup", File("axis{n}.qnd")}));
  EXPECT_EQ(three.status, ExitStatus::NoDrive);
  EXPECT_EQ(three.Port(0)["status"].toInt(), 0);
  EXPECT_EQ(three.Port(1)["status"].toInt(), 3);
  EXPECT_EQ(three.Port(2)["status"].toInt(), 0);
  EXPECT_TRUE(test::Exists(folder.Path("axis1.qnd")));
  EXPECT_FALSE(test::Exists(folder.Path("axis2.qnd")));
  EXPECT_TRUE(test::Exists(folder.Path("axis3.qnd")));
  // The silent drive was asked for its version once, as the program does.
  EXPECT_EQ(drives[1]->ReceivedCommands(), std::vector<std::string>{"GVER"});
  // Side by side, not one after the other.
  EXPECT_LT(three.took, 2 * one.took);
}

TEST_F(CliRuns, BackupRestoreVerifyRoundTripBringsAChangedDriveBack) {
  sim::VirtualDrive& d = AddDrive();
  d.WithModel([](sim::DriveModel& m) {
    m.SetParameter(DriveParameter::MaxSpeed, 3300);
    m.SetParameter(DriveParameter::HomingSpeed, -40);
    m.SetMode(sim::DriveMode::Current, sim::SignalSource::SingleEndedAnalog);
  });
  const sim::DriveSettings before = d.WithModel([](sim::DriveModel& m) { return m.Working(); });
  ASSERT_EQ(Run(Args({"backup", File("drive.qnd")})).status, ExitStatus::Success);
  d.WithModel([](sim::DriveModel& m) {
    m.SetParameter(DriveParameter::MaxSpeed, 1000);
    m.SetParameter(DriveParameter::HomingSpeed, 5);
    m.SetParameter(DriveParameter::EncoderResolution, 4000);
    m.SetMode(sim::DriveMode::Speed, sim::SignalSource::Digital);
  });
  EXPECT_EQ(Run(Args({"verify", File("drive.qnd")})).status, ExitStatus::NotConfirmed);
  const RunResult restore = Run(Args({"restore", File("drive.qnd")}));
  ASSERT_EQ(restore.status, ExitStatus::Success) << restore.err;
  const RunResult verify = Run(Args({"verify", File("drive.qnd")}));
  EXPECT_EQ(verify.status, ExitStatus::Success) << verify.out;
  const sim::DriveSettings after = d.WithModel([](sim::DriveModel& m) { return m.Working(); });
  EXPECT_EQ(after.values, before.values);
  EXPECT_EQ(after.mode, before.mode);
  EXPECT_EQ(after.signal, before.signal);
}

TEST_F(CliRuns, ADriveThatGoesQuietMidRestoreEndsItsPortAndSaysWhatWasSent) {
  sim::VirtualDrive& d = AddDrive();
  Write("known.qnd", kKnownScheme);
  const RunResult r = Run(Args({"--json", "restore", File("known.qnd")}), [&](CliRun&) {
    ASSERT_TRUE(WaitUntil([&] { return d.CommandCount() >= 12; }, 10s));
    d.SetSilent(true);
  });
  EXPECT_EQ(r.status, ExitStatus::NoDrive);
  const QJsonArray sent = r.Port(0)["sent"].toArray();
  const std::vector<std::string> received = AfterIdentification(d);
  ASSERT_EQ(static_cast<std::size_t>(sent.size()), received.size());
  for (qsizetype i = 0; i < sent.size(); ++i) EXPECT_EQ(sent[i].toString().toStdString(), received[static_cast<std::size_t>(i)]);
  EXPECT_LT(sent.size(), 36);
  EXPECT_TRUE(r.Port(0)["message"].toString().contains("停止回答"));
}

TEST_F(CliRuns, APortThatVanishesMidRestoreEndsWhileTheOtherPortGoesOn) {
  sim::VirtualDrive& gone = AddDrive();
  sim::VirtualDrive& stays = AddDrive();
  Write("known.qnd", kKnownScheme);
  const RunResult r = Run(Args({"--json", "restore", File("known.qnd")}), [&](CliRun&) {
    ASSERT_TRUE(WaitUntil([&] { return gone.CommandCount() >= 12; }, 10s));
    gone.ClosePort();
  });
  EXPECT_EQ(r.status, ExitStatus::NoDrive);
  EXPECT_EQ(r.Port(0)["status"].toInt(), 3);
  EXPECT_EQ(r.Port(1)["status"].toInt(), 0);
  EXPECT_EQ(AfterIdentification(stays), kKnownWrite);
  // What the drive got is what the report says was sent (a command
  // written as the port closed may not have arrived).
  const QJsonArray sent = r.Port(0)["sent"].toArray();
  const std::vector<std::string> received = AfterIdentification(gone);
  ASSERT_GE(static_cast<std::size_t>(sent.size()), received.size());
  EXPECT_LE(static_cast<std::size_t>(sent.size()), received.size() + 1);
  for (std::size_t i = 0; i < received.size(); ++i) EXPECT_EQ(sent[static_cast<qsizetype>(i)].toString().toStdString(), received[i]);
}

TEST_F(CliRuns, InterruptStopsEveryPortAfterTheCommandInFlight) {
  sim::VirtualDrive& writing = AddDrive();
  sim::VirtualDrive& second = AddDrive();
  Write("known.qnd", kKnownScheme);
  const RunResult r = Run(Args({"--json", "restore", File("known.qnd"), "--eeprom"}), [&](CliRun& run) {
    ASSERT_TRUE(WaitUntil([&] { return writing.CommandCount() >= 10; }, 10s));
    run.Interrupt();
  });
  EXPECT_EQ(r.status, ExitStatus::Interrupted);
  const std::size_t count = writing.CommandCount() + second.CommandCount();
  test::PumpFor(300ms);
  EXPECT_EQ(writing.CommandCount() + second.CommandCount(), count);  // nothing after the stop
  EXPECT_LT(writing.CommandCount(), 2u + 36u);
  EXPECT_EQ(static_cast<std::size_t>(r.Port(0)["sent"].toArray().size()), AfterIdentification(writing).size());
  for (const std::string& c : writing.ReceivedCommands()) EXPECT_NE(c, "ESA");
}

TEST_F(CliRuns, AnInterruptedBackupLeavesNoFileAndAnExistingOneUntouched) {
  sim::VirtualDrive& d = AddDrive();
  auto interruptEarly = [&](CliRun& run) {
    ASSERT_TRUE(WaitUntil([&] { return d.CommandCount() >= 6; }, 10s));
    run.Interrupt();
  };
  EXPECT_EQ(Run(Args({"backup", File("new.qnd")}), interruptEarly).status, ExitStatus::Interrupted);
  EXPECT_FALSE(test::Exists(folder.Path("new.qnd")));

  const std::string old = SchemeFile({"[option]", "最高速度=1"});
  Write("old.qnd", old);
  const std::size_t before = d.CommandCount();
  EXPECT_EQ(Run(Args({"backup", File("old.qnd")}),
                [&](CliRun& run) {
                  ASSERT_TRUE(WaitUntil([&] { return d.CommandCount() >= before + 6; }, 10s));
                  run.Interrupt();
                })
                .status,
            ExitStatus::Interrupted);
  EXPECT_EQ(Bytes("old.qnd"), old);
}

TEST_F(CliRuns, SendPrintsEachReplyAndGivesUpOnABlockThatNeverComes) {
  sim::VirtualDrive& d = AddDrive();
  d.SetErrorFor("GESA", true);  // "#ERR": the link stops timing the block's wait
  const RunResult r = Run(Args({"send", "g sp", "GESA", "GT"}));
  EXPECT_EQ(r.status, ExitStatus::NotConfirmed);
  EXPECT_NE(r.out.find("GSP\t3000\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("GESA\t（无回复）\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("GT\t36\n"), std::string::npos) << r.out;  // the link is free again after the deadline
}

TEST_F(CliRuns, ProgressOnlyWhenAskedForAndWipedBeforeTheResults) {
  AddDrive();
  const RunResult shown = Run(Args({"read"}), {}, true);
  EXPECT_NE(shown.err.find("读取参数"), std::string::npos);
  EXPECT_EQ(shown.err.rfind("\r\033[K"), shown.err.size() - 4);  // the last thing written wipes it
  EXPECT_EQ(shown.out.find('\033'), std::string::npos);
  const RunResult quiet = Run(Args({"--quiet", "read"}), {}, true);
  EXPECT_EQ(quiet.err.find("读取参数"), std::string::npos);
  const RunResult notTerminal = Run(Args({"read"}));
  EXPECT_EQ(notTerminal.err, "");
}

TEST_F(CliRuns, ASilentPortAndAMissingPortEndWithStatusThreeAndTheReason) {
  AddDrive().SetSilent(true);
  RunResult r = Run(Args({"read"}));
  EXPECT_EQ(r.status, ExitStatus::NoDrive);
  EXPECT_NE(r.err.find("GVER"), std::string::npos);
  EXPECT_LT(r.took, 2s);
  drives.clear();
  r = Run({"zembra-cli", "--port", File("no-such-tty"), "read"});
  EXPECT_EQ(r.status, ExitStatus::NoDrive);
  EXPECT_NE(r.err.find("无法打开串口"), std::string::npos);
}

}  // namespace
}  // namespace zembra::cli
