// zembra-cli's decisions that need no drive: the command line, file names
// for several ports, the refusals before anything is sent, the manual
// send's forming of a text, comparing a readout with a scheme, and the
// progress line's width.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <random>

#include "cli/CliOptions.h"
#include "cli/FileTemplate.h"
#include "cli/JobPlanner.h"
#include "cli/ProgressLine.h"
#include "cli/SchemeComparison.h"
#include "cli/SendTask.h"
#include "drive/PageStart.h"
#include "drive/ReplyDecoder.h"
#include "platform/Gbk.h"
#include "tests/common/TempFolder.h"
#include "tests/support/SchemeText.h"
#include "tests/support/SchemeWriteOracle.h"

namespace zembra::cli {
namespace {

using drive::Field;

CliOptions Parse(std::initializer_list<const char*> args) {
  QStringList list{QStringLiteral("zembra-cli")};
  for (const char* a : args) list << QString::fromUtf8(a);
  return CliOptions::Parse(list);
}

std::string Gbk(const char* utf8) { return ToGbk(QString::fromUtf8(utf8)); }

TEST(CliOptions, CommandsTakeTheirArgumentsAndOptionsGoAnywhere) {
  CliOptions o = Parse({"--port", "/dev/ttyUSB0", "--port=/dev/ttyUSB1", "restore", "a.qnd", "--eeprom", "--json"});
  EXPECT_TRUE(o.error.isEmpty()) << o.error.toStdString();
  EXPECT_EQ(o.command, CliCommand::Restore);
  EXPECT_EQ(o.ports, (QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1"}));
  EXPECT_EQ(o.file, "a.qnd");
  EXPECT_TRUE(o.eeprom);
  EXPECT_FALSE(o.changeBaud);
  EXPECT_TRUE(o.json);

  EXPECT_EQ(Parse({"--simulate", "read"}).simulate, 1);
  EXPECT_EQ(Parse({"--simulate", "3", "read"}).simulate, 3);
  EXPECT_EQ(Parse({"--simulate=2", "-q", "read"}).simulate, 2);
  o = Parse({"send", "gsp", "--", "-x"});
  EXPECT_EQ(o.texts, (QStringList{"gsp", "-x"}));
  EXPECT_TRUE(Parse({"restore"}).error.contains(QStringLiteral("文件")));
  EXPECT_TRUE(Parse({"--help"}).showHelp);
}

TEST(CliOptions, UsageErrorsAreNamed) {
  for (auto args : {std::vector<const char*>{},
                    {"frobnicate"},
                    {"--frobnicate", "read"},
                    {"read", "extra"},
                    {"backup"},
                    {"verify", "a.qnd", "b.qnd"},
                    {"send"},
                    {"read", "--eeprom"},
                    {"verify", "a.qnd", "--change-baud"},
                    {"--simulate", "--port", "/dev/ttyS0", "read"},
                    {"--simulate", "17", "read"},
                    {"--simulate", "0", "read"},
                    {"--simulate=0", "read"},
                    {"--simulate", "4294967297", "read"},
                    {"--simulate=99999999999999999999", "read"},
                    {"--simulate=x", "read"},
                    {"--port", "/dev/ttyS0", "--port", "/dev/ttyS0", "read"},
                    {"--port"}}) {
    QStringList list{QStringLiteral("zembra-cli")};
    for (const char* a : args) list << QString::fromUtf8(a);
    EXPECT_FALSE(CliOptions::Parse(list).error.isEmpty()) << list.join(' ').toStdString();
  }
}

TEST(FileTemplate, PortPlaceAndDeviceNameFillTheName) {
  const FileTemplate both(QStringLiteral("line/{port}-axis{n}.qnd"));
  EXPECT_TRUE(both.HasPlaceholder());
  EXPECT_EQ(both.Expand(2, QStringLiteral("/dev/ttyUSB5")), "line/ttyUSB5-axis2.qnd");
  EXPECT_EQ(both.Expand(1, QStringLiteral("/dev/pts/3")), "line/3-axis1.qnd");
  EXPECT_FALSE(FileTemplate(QStringLiteral("axis.qnd")).HasPlaceholder());
  EXPECT_FALSE(FileTemplate(QStringLiteral("axis{N}.qnd")).HasPlaceholder());
}

TEST(ManualSendText, SpacesGoTheLengthIsCappedAndEmptyTextsAreRefused) {
  EXPECT_EQ(SendTask::CommandText(QStringLiteral(" g sp ")), "gsp\r");
  EXPECT_EQ(SendTask::CommandText(QString(70, QLatin1Char('A'))), std::string(62, 'A') + "\r");
  EXPECT_FALSE(SendTask::CommandText(QStringLiteral("   ")).has_value());
  EXPECT_FALSE(SendTask::CommandText({}).has_value());
}

TEST(ProgressLine, SeveralPortsShareOneLineCutToTheTerminal) {
  EXPECT_EQ(ProgressLine::Compose({QStringLiteral("读取参数 12/39")}, 80), "读取参数 12/39");
  EXPECT_EQ(ProgressLine::Compose({QStringLiteral("连接驱动器"), QStringLiteral("写入参数 3/36")}, 80),
            "[1] 连接驱动器  [2] 写入参数 3/36");
  // Chinese characters take two cells: 10 columns hold "[1] 读取" (8) and
  // not the next character.
  EXPECT_EQ(ProgressLine::Compose({QStringLiteral("读取参数"), QStringLiteral("x")}, 10), "[1] 读取");
}

class Planning : public ::testing::Test {
 protected:
  PlanResult Plan(std::initializer_list<const char*> args, const QStringList& devices) {
    return JobPlanner::Plan(Parse(args), devices, 9600, drive::PageStart::WithLists(9600, 500));
  }
  QString File(const char* name) { return QFile::decodeName(folder.Path(QString::fromUtf8(name)).c_str()); }
  void Write(const char* name, const std::string& bytes) { ASSERT_TRUE(test::WriteBytes(folder.Path(name), bytes)); }

  test::TempFolder folder;
  const QStringList two{QStringLiteral("/dev/ttyUSB0"), QStringLiteral("/dev/ttyUSB1")};
};

TEST_F(Planning, SeveralBackupsNeedTheirOwnFiles) {
  const QByteArray plain = File("axis.qnd").toUtf8();
  EXPECT_TRUE(Plan({"backup", plain.constData()}, two).error.contains("{n}"));
  const QByteArray numbered = File("axis{n}.qnd").toUtf8();
  const PlanResult ok = Plan({"backup", numbered.constData()}, two);
  ASSERT_TRUE(ok.error.isEmpty()) << ok.error.toStdString();
  EXPECT_EQ(ok.plans[1].file, File("axis2.qnd"));
  // Two devices of the same name in different folders would share a file.
  const QByteArray byName = File("{port}.qnd").toUtf8();
  EXPECT_TRUE(
      Plan({"backup", byName.constData()}, {QStringLiteral("/dev/a/ttyS0"), QStringLiteral("/dev/b/ttyS0")})
          .error.contains(QStringLiteral("同一个文件")));
  // One file for every drive is fine when it is only read.
  Write("line.qnd", test::SchemeText(drive::ParameterSet(), {{"编码器分辨率", "4000"}}));
  const QByteArray shared = File("line.qnd").toUtf8();
  EXPECT_TRUE(Plan({"restore", shared.constData()}, two).error.isEmpty());
}

TEST_F(Planning, FilesThatCannotBeUsedAreRefusedBeforeAnythingIsSent) {
  const QByteArray missing = File("missing.qnd").toUtf8();
  EXPECT_TRUE(Plan({"restore", missing.constData()}, {two[0]}).error.contains("无法读取"));
  EXPECT_TRUE(Plan({"verify", missing.constData()}, {two[0]}).error.contains("无法读取"));

  Write("notes.txt", "remember the milk\r\n");
  const QByteArray notes = File("notes.txt").toUtf8();
  EXPECT_TRUE(Plan({"restore", notes.constData()}, {two[0]}).error.contains("不是参数方案文件"));
  // A backup would turn it into a scheme: refused, and left as it was.
  EXPECT_TRUE(Plan({"backup", notes.constData()}, {two[0]}).error.contains("不是参数方案文件"));
  EXPECT_EQ(test::ReadBytes(folder.Path("notes.txt")), "remember the milk\r\n");

  Write("enc.qnd", test::SchemeText(drive::ParameterSet(), {{"编码器分辨率", "6"}}));
  const QByteArray enc = File("enc.qnd").toUtf8();
  EXPECT_TRUE(Plan({"restore", enc.constData()}, {two[0]}).error.contains("编码器分辨率必须为四的倍数"));

  Write("limit.qnd", test::SchemeText(drive::ParameterSet(), {{"编码器分辨率", "4000"}, {"位置上限", "-5"}}));
  const QByteArray limit = File("limit.qnd").toUtf8();
  EXPECT_TRUE(Plan({"restore", limit.constData()}, {two[0]}).error.contains("位置上限"));

  // Without a baud in the file a baud change would carry no rate.
  Write("nobaud.qnd", test::SchemeText(drive::ParameterSet(), {{"波特率", std::nullopt}, {"CAN波特率", std::nullopt}}));
  const QByteArray nobaud = File("nobaud.qnd").toUtf8();
  EXPECT_TRUE(Plan({"restore", nobaud.constData()}, {two[0]}).error.isEmpty());
  EXPECT_FALSE(Plan({"restore", nobaud.constData(), "--change-baud"}, {two[0]}).error.isEmpty());

  EXPECT_FALSE(Plan({"send", "gsp", "   "}, {two[0]}).error.isEmpty());
}

// Hand-edited scheme files, mutated at random from a whole file and from
// the values of the scheme fuzz target's corpus: garbage, signs, huge
// numbers, exponents, fractions, choices that name nothing, keys left
// out. Each is refused before anything is sent, or its write carries
// exactly the numbers its text says. ZEMBRA_SEED repeats a run.
TEST_F(Planning, AMutatedSchemeIsRefusedOrWrittenExactlyAsItsTextSays) {
  const unsigned seed = qEnvironmentVariableIsSet("ZEMBRA_SEED") ? qEnvironmentVariableIntValue("ZEMBRA_SEED")
                                                                 : std::random_device{}();
  SCOPED_TRACE(::testing::Message() << "ZEMBRA_SEED=" << seed);
  std::mt19937 rng(seed);
  auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng() % n); };

  std::vector<std::string> values = {
      "abc", "", "12x", "0x10", "--5", "1 2", "ERR", "+15", "-3000", "99999999999999999999", "2147483648",
      "-2147483649", "2147483647", "1e3", "1.5e+003", "1e400", "-1e-3", "1.500000e+003", "9.999999e+009", "1.5",
      "0.0", ".5", "7", "4", "1024", "-1", "2", "1285", "259", " 15 ", "\t7", "16777217", "0", "1", "5"};
  // The corpus' values, whatever their keys there.
  for (const QString& name : QDir(QStringLiteral(ZEMBRA_SOURCE_DIR "/tests/fuzz/corpus/scheme_load")).entryList(QDir::Files)) {
    QFile file(QStringLiteral(ZEMBRA_SOURCE_DIR "/tests/fuzz/corpus/scheme_load/") + name);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    for (const QByteArray& line : file.readAll().split('\n'))
      if (const qsizetype eq = line.indexOf('='); eq > 0) values.push_back(line.mid(eq + 1).trimmed().toStdString());
  }
  drive::ParameterSet base;
  base.Set(drive::Field::MaxSpeed, 3000);
  base.Set(drive::Field::PeakCurrent, 1500.5);
  base.Set(drive::Field::ContinuousCurrent, 800);
  base.Set(drive::Field::EncoderResolution, 4000);
  base.Set(drive::Field::SerialBaud, 1);
  base.Set(drive::Field::CanBaud, 4);
  const auto keys = drive::ParameterTable::SchemeKeys();

  int accepted = 0, refused = 0;
  for (int run = 0; run < 400 && !HasFailure(); ++run) {
    std::map<std::string, std::optional<std::string>> changes;
    const std::size_t count = 1 + pick(3);
    for (std::size_t c = 0; c < count; ++c) {
      const std::string key(keys[pick(keys.size())].key);
      if (pick(10) == 0) {
        changes[key] = std::nullopt;
      } else {
        changes[key] = values[pick(values.size())];
      }
    }
    Write("mutated.qnd", test::SchemeText(base, changes));
    const QByteArray file = File("mutated.qnd").toUtf8();
    const bool changeBaud = pick(4) == 0;
    const PlanResult plan = changeBaud ? Plan({"restore", file.constData(), "--change-baud"}, {two[0]})
                                       : Plan({"restore", file.constData()}, {two[0]});
    if (!plan.error.isEmpty()) {
      ++refused;
      EXPECT_TRUE(plan.plans.empty());
      continue;
    }
    ++accepted;
    CIniStore store(folder.Path("mutated.qnd"));
    ASSERT_TRUE(store.LoadExisting());
    const std::optional<std::vector<std::string>> expected = test::ExpectedWrite(test::SchemeTexts(store));
    ASSERT_TRUE(expected.has_value()) << "accepted a file whose text is no exact write: " << test::ReadBytes(folder.Path("mutated.qnd"));
    std::vector<std::string> planned;
    for (const drive::DriveCommand& command : plan.plans[0].restore.commands)
      if (command.field != drive::Field::SerialBaud && command.field != drive::Field::CanBaud)
        planned.push_back(command.text.substr(0, command.text.find('\r')));
    EXPECT_EQ(planned, *expected) << test::ReadBytes(folder.Path("mutated.qnd"));
  }
  // Both outcomes were met (a run gives about 100 and 300).
  EXPECT_GT(accepted, 10);
  EXPECT_GT(refused, 50);
}

TEST_F(Planning, TheHandEditedFilesOfTheStoryAreRefusedWithKeyValueAndReason) {
  drive::ParameterSet base;
  base.Set(drive::Field::MaxSpeed, 3000);
  const struct {
    const char* key;
    const char* value;
    const char* reason;
  } cases[] = {
      {"最高速度", "abc", "不是整数"},
      {"最高速度", "-3000", "超出范围：不小于 0"},
      {"最高速度", "99999999999999999999", "超出整数范围"},
      {"最大峰值电流", "9.999999e+009", "超出范围"},
      {"运行模式", "7", "信号来源"},
  };
  for (const auto& c : cases) {
    Write("story.qnd", test::SchemeText(base, {{c.key, std::string(c.value)}}));
    const QByteArray file = File("story.qnd").toUtf8();
    const PlanResult plan = Plan({"restore", file.constData()}, {two[0]});
    EXPECT_TRUE(plan.plans.empty());
    EXPECT_TRUE(plan.error.contains(QStringLiteral("“%1=%2”").arg(QString::fromUtf8(c.key), QString::fromUtf8(c.value))))
        << plan.error.toStdString();
    EXPECT_TRUE(plan.error.contains(QString::fromUtf8(c.reason))) << plan.error.toStdString();
  }
  // A key the write sends is never written as a 0 nobody gave.
  Write("story.qnd", test::SchemeText(base, {{"最高速度", std::nullopt}}));
  const QByteArray file = File("story.qnd").toUtf8();
  const QString missing = Plan({"restore", file.constData()}, {two[0]}).error;
  EXPECT_TRUE(missing.contains(QStringLiteral("文件中没有这个参数"))) << missing.toStdString();
}

TEST_F(Planning, ABackupStartsFromTheExistingFileOrAFreshPage) {
  const QByteArray fresh = File("new.qnd").toUtf8();
  PlanResult plan = Plan({"backup", fresh.constData()}, {two[0]});
  ASSERT_TRUE(plan.error.isEmpty());
  EXPECT_EQ(plan.plans[0].start, drive::PageStart::WithLists(9600, 500));
  EXPECT_FALSE(test::Exists(folder.Path("new.qnd")));  // nothing is created before the read

  Write("old.qnd", "[option]\r\n" + Gbk("最高频率=77\r\n最高速度=1") + "\r\n");
  const QByteArray old = File("old.qnd").toUtf8();
  plan = Plan({"backup", old.constData()}, {two[0]});
  ASSERT_TRUE(plan.error.isEmpty());
  EXPECT_EQ(plan.plans[0].start.Int(Field::MaxFrequency), 77);
  EXPECT_EQ(plan.plans[0].start.Int(Field::MaxSpeed), 1);
}

// A readout as if the drive had answered these replies.
ParameterReadout ReadOut(const drive::ParameterSet& start, const std::map<std::string_view, std::string>& replies) {
  ParameterReadout readout(start);
  const auto steps = drive::ParameterTable::ReadSteps();
  for (std::size_t i = 0; i < steps.size(); ++i) {
    drive::ReadStepResult r;
    r.step = &steps[i];
    r.index = static_cast<int>(i);
    auto found = replies.find(steps[i].mnemonic);
    if (found == replies.end()) {
      r.outcome = drive::ReadStepResult::Outcome::TimedOut;
    } else {
      r.outcome = drive::ReadStepResult::Outcome::Answered;
      r.reply = found->second;
      r.decoded = drive::DecodeReply(steps[i], r.reply);
    }
    readout.Apply(r);
  }
  return readout;
}

TEST(SchemeComparison, DifferencesAreInTheFilesFormAndUnreadFieldsAreNamed) {
  drive::ParameterSet file = drive::PageStart::WithLists(9600, 500);
  file.Set(Field::MaxSpeed, 3000);
  file.Set(Field::PeakCurrent, 1500);
  file.Set(Field::RunMode, 1);
  file.Set(Field::MaxFrequency, 99);  // only in files: never compared
  const ParameterReadout drive = ReadOut(
      file, {{"GSP", "2800"}, {"GPC", "1500"}, {"GSI", "13000100"}, {"GRBD", "4800"}, {"GCBD", "500000"}});
  const std::vector<SchemeDifference> differences = SchemeComparison::Compare(file, drive);
  EXPECT_EQ(differences, (std::vector<SchemeDifference>{{"运行模式", "256", "259"}, {"最高速度", "3000", "2800"}}));
  const std::vector<std::string> unverified = SchemeComparison::Unverified(drive);
  // Timed out, and a rate the page's list cannot show.
  EXPECT_NE(std::find(unverified.begin(), unverified.end(), "交轴电感"), unverified.end());
  EXPECT_NE(std::find(unverified.begin(), unverified.end(), "波特率"), unverified.end());
  EXPECT_EQ(std::find(unverified.begin(), unverified.end(), "CAN波特率"), unverified.end());
  EXPECT_EQ(std::find(unverified.begin(), unverified.end(), "最高频率"), unverified.end());
}

TEST(ParameterReadout, ShowsFieldsAsThePageDoes) {
  const ParameterReadout r = ReadOut(drive::PageStart::WithLists(9600, 500),
                                     {{"GSI", "15000100"}, {"GSP", "ERR"}, {"GOV", "ERR"}, {"GLR", "0"},
                                      {"GPE", "1"}, {"GCBD", "250000"}, {"GNOT", "1"}});
  EXPECT_EQ(r.ShownText(Field::RunMode), "位置模式");
  EXPECT_EQ(r.ShownText(Field::SignalSource), "单端模拟电压");
  EXPECT_EQ(r.ShownText(Field::MaxSpeed), "0");    // a number field shows ERR as 0
  EXPECT_EQ(r.ShownText(Field::HomingSpeed), "ERR");  // a raw field shows the reply
  EXPECT_EQ(r.ShownText(Field::Direction), "反转");
  EXPECT_EQ(r.ShownText(Field::SoftLimitEnable), "是");
  EXPECT_EQ(r.ShownText(Field::CanBaud), "250");
  EXPECT_EQ(r.ShownText(Field::NodeType), "硬件节点");
  EXPECT_EQ(r.AnsweredErr(), (std::vector<std::string_view>{"GSP", "GOV"}));
  const auto steps = drive::ParameterTable::ReadSteps();
  EXPECT_EQ(r.JsonValue(0).toInt(), 256 + 5);       // GSI as the scheme's mode value
  EXPECT_EQ(r.JsonValue(38).toInt(), 250);          // GCBD in kbit/s
  EXPECT_TRUE(r.JsonValue(1).isNull());             // GMP timed out
  EXPECT_EQ(steps[38].mnemonic, "GCBD");
}

}  // namespace
}  // namespace zembra::cli
