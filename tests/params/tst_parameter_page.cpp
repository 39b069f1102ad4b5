// The parameter page against the virtual drive over a pty, every dialog
// through the recording prompter: a full read fills each field by its
// reply rule; a silent drive logs one time-out line per step while every
// other start is refused; the exact write of a known page with its baud
// change; validations that send nothing; the EEPROM save's answers;
// factory reset; automatic reads that keep edits; schemes through the
// page; hints, names and ids; the help dialogs; the run-mode rules; and a
// page that goes away while it reads.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QTest>
#include <climits>
#include <cmath>
#include <random>
#include <regex>
#include <chrono>

#include <csignal>
#include <sys/resource.h>

#include "drive/ParameterTable.h"
#include "common/IniStore.h"
#include "drive/FieldText.h"
#include "drive/ParameterValidation.h"
#include "drive/SchemeMapping.h"
#include "drive/WriteEncoder.h"
#include "params/BasicParam.h"
#include "params/CompareDialog.h"
#include "params/FieldHints.h"
#include "params/HelpDialog.h"
#include "params/ParameterForm.h"
#include "params/SchemeFiles.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"
#include "platform/WindowMessages.h"
#include "sim/DriveParameterTable.h"
#include "sim/VirtualDrive.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/RecordingPrompter.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;
using drive::Field;
using sim::DriveParameter;
using test::PumpFor;
using test::WaitUntil;
using Kind = ParameterOperations::Kind;

QString Id(int id) { return QStringLiteral("idc_%1").arg(id); }

class ParameterPageOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    Profile::UseFolderForTests(folder.path());
    std::string error;
    ASSERT_TRUE(drive.Start(&error)) << error;
    ASSERT_TRUE(engine.OpenPort(QString::fromStdString(drive.SlavePath()), "9600,n,8,1"));
    ASSERT_TRUE(engine.StartReceiveThread());
    link.connected = true;
    MakePage();
  }
  void TearDown() override {
    page.reset();
    engine.StopReceiveThread();
    drive.Stop();
  }
  void MakePage() {
    page = std::make_unique<CBasicParam>();
    ASSERT_TRUE(page->Create(&host));
    page->AttachLink(engine);
    page->SetConsoleSink([this](std::string_view gbk) { console.emplace_back(gbk); });
    page->SetStatusTextSink([this](const QString& text) { statusTexts.push_back(text); });
    page->SetModelNameSource([] { return QStringLiteral("ZD-7720"); });
  }

  template <class T = QWidget>
  T* Control(int id) {
    T* control = page->findChild<T*>(Id(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
  }
  QLineEdit* Edit(int id) { return Control<QLineEdit>(id); }
  QString Text(int id) { return Edit(id)->text(); }
  bool Checked(int id) { return Control<QAbstractButton>(id)->isChecked(); }
  // As a user types: the field becomes the page's own edit.
  void Type(int id, const QString& text) {
    Edit(id)->selectAll();
    QTest::keyClicks(Edit(id), text);
  }
  void Click(int id) { Control<QAbstractButton>(id)->click(); }
  void Choose(int id, const QString& item) {
    auto* list = Control<QComboBox>(id);
    list->setCurrentIndex(list->findText(item));
  }
  QString Result() { return page->Form()->ResultText()->text(); }
  bool Idle(std::chrono::milliseconds deadline = 10s) {
    return WaitUntil([&] { return page->RunningOperation() == Kind::None; }, deadline);
  }
  bool ReadAll() {
    page->OnReadButton();
    return Idle() && Result().startsWith(QStringLiteral("参数读取完成：39/39"));
  }
  std::vector<std::string> CommandsFrom(std::size_t from) {
    const std::vector<std::string> all = drive.ReceivedCommands();
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
  }
  std::int32_t DriveValue(DriveParameter p) {
    return drive.WithModel([p](sim::DriveModel& m) { return m.Parameter(p); });
  }
  void SetDrive(DriveParameter p, std::int32_t v) {
    drive.WithModel([p, v](sim::DriveModel& m) { m.SetParameter(p, v); });
  }
  // zembra-cli on this drive's line, which the page lets go of first; the
  // run must succeed.
  void RunTool(QStringList arguments) {
    engine.StopReceiveThread();
    engine.ClosePort();
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.path() + "/config");
    tool.setProcessEnvironment(env);
    arguments.prepend(QStringLiteral("--quiet"));
    arguments.prepend(QString::fromStdString(drive.SlavePath()));
    arguments.prepend(QStringLiteral("--port"));
    tool.start(QStringLiteral(ZEMBRA_CLI_BINARY), arguments);
    ASSERT_TRUE(tool.waitForFinished(30000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString()
                                  << tool.readAllStandardOutput().toStdString();
  }
  // Empty when nothing was said, so a missing message fails the check
  // instead of the test run.
  QString LastPrompt() { return prompter.prompts.empty() ? QString() : prompter.prompts.back().text; }

  QTemporaryDir folder;
  test::RecordingPrompter prompter;
  LinkState link;
  TransactionEngine engine{link};
  sim::VirtualDrive drive;
  QWidget host;
  std::unique_ptr<CBasicParam> page;
  std::vector<std::string> console;
  std::vector<QString> statusTexts;
};

TEST_F(ParameterPageOverPty, AFullReadFillsEveryFieldByItsReplyRule) {
  std::map<std::string_view, std::int32_t> numbers;
  drive.WithModel([&](sim::DriveModel& m) {
    m.SetMode(sim::DriveMode::Position, sim::SignalSource::SingleEndedAnalog);
    std::int32_t v = 1001;
    for (const drive::ReadStep& step : drive::ParameterTable::ReadSteps()) {
      if (step.rule != drive::ReplyRule::Number && step.rule != drive::ReplyRule::RawNumber) continue;
      // The lower position limit is never above zero.
      const std::int32_t value = step.mnemonic == "GPL" ? -v : v;
      m.SetParameter(sim::DriveParameterTable::FindByQuery(step.mnemonic)->id, value);
      numbers[step.mnemonic] = value;
      v += 7;
    }
    m.SetParameter(DriveParameter::Direction, 0);
    m.SetParameter(DriveParameter::HardLimitSwitch, 1);
    m.SetParameter(DriveParameter::SoftLimitSwitch, 0);
    m.SetParameter(DriveParameter::HomingAtPowerOn, 1);
    m.SetParameter(DriveParameter::NodeType, 1);
    m.SetParameter(DriveParameter::SerialBaud, 19200);
    m.SetParameter(DriveParameter::CanBaud, 250000);
  });
  drive.SetErrorFor("GSP", true);
  drive.SetErrorFor("GOV", true);
  ASSERT_TRUE(ReadAll()) << Result().toStdString();

  for (const drive::ReadStep& step : drive::ParameterTable::ReadSteps()) {
    if (step.mnemonic == "GSP" || step.mnemonic == "GOV" || !numbers.count(step.mnemonic)) continue;
    const int id = drive::ParameterTable::Info(step.field).controls[0];
    EXPECT_EQ(Text(id), QString::number(numbers[step.mnemonic])) << step.mnemonic;
    EXPECT_EQ(page->Values().Int(step.field), numbers[step.mnemonic]) << step.mnemonic;
  }
  // "ERR" shows as "0" in a number field, as received in a raw one.
  EXPECT_EQ(Text(1036), QStringLiteral("0"));
  EXPECT_EQ(Text(1231), QStringLiteral("ERR"));
  EXPECT_EQ(page->Values().Int(Field::HomingSpeed), 0);
  EXPECT_TRUE(Checked(1107));  // position mode
  EXPECT_TRUE(Checked(1059));  // the drive's signal code 5
  EXPECT_TRUE(Checked(1134));  // direction 0: reverse
  EXPECT_TRUE(Checked(1032));
  EXPECT_FALSE(Checked(1029));
  EXPECT_TRUE(Checked(1230));
  EXPECT_TRUE(Checked(1237));  // hardware node
  EXPECT_EQ(Control<QComboBox>(1156)->currentText(), QStringLiteral("19200"));
  EXPECT_EQ(Control<QComboBox>(1157)->currentText(), QStringLiteral("250"));
  for (const drive::FieldInfo& info : drive::ParameterTable::Fields())
    EXPECT_FALSE(page->Markers().IsStale(info.field)) << info.name;
  EXPECT_EQ(page->Form()->MarkOf(Field::MaxSpeed), CParameterForm::Mark::None);
  EXPECT_TRUE(console.empty());
  // A reply shown as received is never parsed back: the page can be left.
  EXPECT_TRUE(page->OnKillActive());
  EXPECT_TRUE(prompter.prompts.empty());
  // The monitoring page takes its spike factors from these.
  EXPECT_EQ(page->EncoderResolution(), numbers["GENC"]);
  Type(1036, QStringLiteral("2500"));
  EXPECT_EQ(page->MaxSpeed(), 2500);
}

TEST_F(ParameterPageOverPty, ShortStatusWordsUnknownSignalCodesAndUnlistedCanRatesChangeNothing) {
  Click(1048);  // differential, so a change to digital shows
  drive.WithModel([](sim::DriveModel& m) {
    m.SetMode(sim::DriveMode::Current, static_cast<sim::SignalSource>(4));
    m.SetParameter(DriveParameter::CanBaud, 300000);
  });
  ASSERT_TRUE(ReadAll());
  EXPECT_TRUE(Checked(1109));
  EXPECT_TRUE(Checked(1047));  // the drive's code 4 shows as digital
  EXPECT_EQ(Control<QComboBox>(1157)->currentText(), QStringLiteral("500"));  // kept from the profile
  EXPECT_TRUE(page->Markers().IsStale(Field::CanBaud));

  // "ERR" is too short to hold mode and signal: nothing moves, and the
  // step counts as answered.
  drive.SetErrorFor("GSI", true);
  drive.WithModel([](sim::DriveModel& m) { m.SetMode(sim::DriveMode::Position, sim::SignalSource::StepPulse); });
  ASSERT_TRUE(ReadAll()) << Result().toStdString();
  EXPECT_TRUE(Checked(1109));
  EXPECT_TRUE(Checked(1047));
}

TEST_F(ParameterPageOverPty, ASilentDriveLogsEveryStepOnceKeepsTheFieldsAndRefusesEveryOtherStart) {
  drive.SetSilent(true);
  Type(1036, QStringLiteral("1234"));
  const QString lowerLimit = Text(1025);
  Click(CParameterForm::IDC_READ);
  ASSERT_EQ(page->RunningOperation(), Kind::Read);
  EXPECT_EQ(page->Form()->ProgressText()->text(), QStringLiteral("读取参数 0/39"));

  // A second press is told; a tab click, a notification, a write, a
  // factory reset and a scheme load start nothing.
  Click(CParameterForm::IDC_READ);
  EXPECT_EQ(LastPrompt(), QStringLiteral("正在获取参数"));
  page->WriteParameters();
  EXPECT_EQ(LastPrompt(), QStringLiteral("正在获取参数"));
  page->RestoreFactory();
  page->LoadScheme();
  EXPECT_EQ(prompter.CountOf(QStringLiteral("正在获取参数")), 4);
  EXPECT_FALSE(page->Form()->Button(CParameterForm::IDC_WRITE)->isEnabled());
  EXPECT_FALSE(page->Form()->Button(CParameterForm::IDC_FACTORY_RESET)->isEnabled());
  PostMessage(page->Handle(), WM_PAGE_ACTIVATED);
  PostMessage(page->Handle(), WM_PAGE_NOTIFY, CBasicParam::kNotifyDriveIdentified, 1);

  ASSERT_TRUE(Idle(40s));
  ASSERT_EQ(console.size(), 39u);
  for (std::size_t i = 0; i < 39; ++i) {
    const drive::ReadStep& step = drive::ParameterTable::ReadSteps()[i];
    EXPECT_EQ(FromGbk(console[i]), QString::fromUtf8(step.timeoutLine.data(), step.timeoutLine.size()));
  }
  EXPECT_EQ(drive.CommandCount(), 39u);  // one read, no write, no reset
  EXPECT_TRUE(Result().startsWith(QStringLiteral("参数读取完成：0/39，超时：GSI、GMP、")));
  EXPECT_EQ(Text(1036), QStringLiteral("1234"));
  EXPECT_EQ(Text(1025), lowerLimit);
  EXPECT_EQ(page->Form()->MarkOf(Field::MaxSpeed), CParameterForm::Mark::Edited);
  EXPECT_EQ(page->Form()->MarkOf(Field::Acceleration), CParameterForm::Mark::Stale);
  EXPECT_TRUE(Control(1005)->toolTip().contains(FieldMarkers::kStaleNote));
  EXPECT_EQ(link.wait.Window(), 0u);
  EXPECT_TRUE(page->Form()->Button(CParameterForm::IDC_WRITE)->isEnabled());
}

TEST_F(ParameterPageOverPty, AKnownPageIsWrittenInTheDrivesOrderWithItsBaudChange) {
  Click(1107);  // position mode
  Click(1154);  // step pulses
  const std::pair<int, const char*> typed[] = {
      {1101, "11"},   {1104, "12"},     {1111, "13"},     {1112, "14"},   {1099, "15"},   {1102, "16"},
      {1105, "17"},   {1113, "18"},     {1114, "19"},     {1115, "20"},   {1036, "3000"}, {1051, "1000.9"},
      {1054, "500.5"}, {1060, "120"},   {1061, "110"},    {1042, "20.7"}, {1224, "10"},   {1005, "100"},
      {1025, "-5000"}, {1026, "5000"},  {1040, "10"},     {1056, "255"},  {1050, "500"},  {1062, "2000"},
      {1030, "4000"}, {1239, "3"},      {1231, "100"},  {1232, "800"},  {1233, "-7"}};
  for (const auto& [id, text] : typed) Type(id, QString::fromUtf8(text));
  // Set the way a screen reader or a test driver sets text, without keys.
  Edit(1066)->setText(QStringLiteral("2"));
  Click(1134);  // reverse
  Click(1029);  // software limits on
  Click(1230);  // homing at power-on
  Click(1237);  // hardware node
  Click(CParameterForm::IDC_CHANGE_BAUD);
  EXPECT_TRUE(Control(1156)->isEnabled());
  Choose(1156, QStringLiteral("19200"));
  Choose(1157, QStringLiteral("250"));
  EXPECT_EQ(page->Form()->MarkOf(Field::Acceleration), CParameterForm::Mark::Edited);

  Click(CParameterForm::IDC_WRITE);
  ASSERT_TRUE(Idle());
  const std::vector<std::string> expected = {
      "SMOD259", "MP11",   "MI12",    "MD13",   "MK14",       "P15",       "I16",     "D17",      "AP18",
      "AI19",    "AD20",   "SSP3000", "SPC1000", "SCC500",    "SLQ120",    "SLD110",  "SMAV20",   "SL",
      "SMV10",   "A100",   "SPL-5000", "SPH5000", "SPE1",     "SPHE0",     "SME10",   "SER255",   "SPT500",
      "SIIT2000", "ENC4000", "STW2",   "SNOT1",   "SADR3",    "SPOF1",     "SOV100",  "SOP800",   "SORG-7",
      "BAUD19200", "SCBD250000"};
  EXPECT_EQ(drive.ReceivedCommands(), expected);
  EXPECT_EQ(Result(), QStringLiteral("参数写入完成：38/38"));
  EXPECT_EQ(LastPrompt(), CBasicParam::kBaudWarning);
  EXPECT_EQ(prompter.prompts.size(), 1u);
  EXPECT_FALSE(Checked(CParameterForm::IDC_CHANGE_BAUD));
  EXPECT_FALSE(Control(1156)->isEnabled());
  EXPECT_FALSE(Control(1157)->isEnabled());
  // The progress pane was cleared after the fifth command.
  EXPECT_EQ(statusTexts, std::vector<QString>{QString()});
  EXPECT_TRUE(page->Form()->Button(CParameterForm::IDC_EEPROM)->isEnabled());
  EXPECT_TRUE(page->Form()->EepromNote()->isVisibleTo(page.get()));
  EXPECT_EQ(page->Form()->MarkOf(Field::Acceleration), CParameterForm::Mark::None);

  // The single-ended source goes out as the drive's code 5; forward is SR.
  const std::size_t before = drive.CommandCount();
  Click(1108);
  Click(1059);
  Click(1135);
  Click(1230);
  Click(CParameterForm::IDC_WRITE);
  // Typed while the write runs: still the user's, not the drive's.
  Type(1005, QStringLiteral("200"));
  ASSERT_TRUE(Idle());
  EXPECT_EQ(page->Form()->MarkOf(Field::Acceleration), CParameterForm::Mark::Edited);
  const std::vector<std::string> second = CommandsFrom(before);
  ASSERT_EQ(second.size(), 36u);
  EXPECT_EQ(second[0], "SMOD5");
  EXPECT_EQ(second[17], "SR");
  EXPECT_EQ(second[32], "SPOF0");
}

TEST_F(ParameterPageOverPty, EveryValidationRefusalSendsNothing) {
  struct Case {
    int id;
    const char* text;
    QString message;
  } cases[] = {
      {1030, "6", QStringLiteral("编码器分辨率必须为四的倍数")},
      {1030, "0", QStringLiteral("编码器分辨率必须为正整数")},
      {1030, "-8", QStringLiteral("编码器分辨率必须为正整数")},
      {1054, "900", QStringLiteral("最大峰值电流不能小于最大连续电流")},
      {1026, "-5", QStringLiteral("请输入位置上限：0 到 2100000000 之间的整数")},
      {1036, "12x", QStringLiteral("最高速度：请输入一个整数")},
  };
  Type(1051, QStringLiteral("800"));
  for (const Case& c : cases) {
    Type(1030, QStringLiteral("4000"));
    Type(1054, QStringLiteral("100"));
    Type(1026, QStringLiteral("5000"));
    Type(1036, QStringLiteral("3000"));
    Type(c.id, QString::fromUtf8(c.text));
    page->WriteParameters();
    ASSERT_FALSE(prompter.prompts.empty()) << c.text;
    EXPECT_EQ(LastPrompt(), c.message);
    EXPECT_EQ(prompter.prompts.back().icon, PromptIcon::Error);
  }
  // Invalid input also keeps the user on the page.
  EXPECT_FALSE(page->OnKillActive());
  link.connected = false;
  page->WriteParameters();
  EXPECT_EQ(LastPrompt(), CBasicParam::kNotConnected);
  PumpFor(300ms);
  EXPECT_EQ(drive.CommandCount(), 0u);
  EXPECT_FALSE(page->Form()->Button(CParameterForm::IDC_EEPROM)->isEnabled());
}

TEST_F(ParameterPageOverPty, TheEepromSaveSaysWhatBecameOfItAndStaysAvailableUntilItWorks) {
  Type(1030, QStringLiteral("4000"));
  page->WriteParameters();
  ASSERT_TRUE(Idle());
  QAbstractButton* save = page->Form()->Button(CParameterForm::IDC_EEPROM);
  ASSERT_TRUE(save->isEnabled());

  drive.SetErrorFor("ESA", true);
  save->click();
  EXPECT_FALSE(save->isEnabled());  // while it runs
  EXPECT_EQ(page->Form()->ProgressText()->text(), QStringLiteral("保存至EEPROM…"));
  ASSERT_TRUE(Idle());
  EXPECT_EQ(LastPrompt(), QStringLiteral("驱动器拒绝保存至EEPROM（回复：ERR）"));
  EXPECT_TRUE(save->isEnabled());

  drive.SetErrorFor("ESA", false);
  drive.SetSilentFor("ESA", true);
  save->click();
  ASSERT_TRUE(Idle());
  EXPECT_EQ(LastPrompt(), QStringLiteral("保存至EEPROM未得到驱动器回复，参数可能未保存"));
  EXPECT_TRUE(save->isEnabled());

  drive.SetSilentFor("ESA", false);
  link.monitoring = true;
  save->click();
  ASSERT_TRUE(Idle());
  EXPECT_EQ(LastPrompt(), QStringLiteral("保存至EEPROM的命令未能发出，参数未保存"));
  EXPECT_TRUE(save->isEnabled());
  EXPECT_TRUE(page->Form()->EepromNote()->isVisibleTo(page.get()));

  link.monitoring = false;
  const std::size_t prompts = prompter.prompts.size();
  save->click();
  ASSERT_TRUE(Idle());
  EXPECT_EQ(Result(), QStringLiteral("参数已保存至EEPROM"));
  EXPECT_EQ(prompter.prompts.size(), prompts);  // success needs no box
  EXPECT_FALSE(save->isEnabled());
  EXPECT_FALSE(page->Form()->EepromNote()->isVisibleTo(page.get()));
  EXPECT_EQ(std::count(statusTexts.begin(), statusTexts.end(), QStringLiteral("保存设置")), 4);
}

TEST_F(ParameterPageOverPty, AFactoryResetIsAskedThenReadsEveryFieldBack) {
  ASSERT_TRUE(ReadAll());
  const std::size_t before = drive.CommandCount();
  prompter.yesNoAnswer = false;
  Click(CParameterForm::IDC_FACTORY_RESET);
  EXPECT_EQ(LastPrompt(), CBasicParam::kFactoryQuestion);
  PumpFor(300ms);
  EXPECT_EQ(drive.CommandCount(), before);
  EXPECT_EQ(page->RunningOperation(), Kind::None);

  SetDrive(DriveParameter::MaxSpeed, 4321);  // factory: something else
  Type(1036, QStringLiteral("999"));
  prompter.yesNoAnswer = true;
  Click(CParameterForm::IDC_FACTORY_RESET);
  ASSERT_TRUE(Idle());
  const std::vector<std::string> after = CommandsFrom(before);
  ASSERT_EQ(after.size(), 40u);
  EXPECT_EQ(after[0], "FCFG");
  EXPECT_EQ(after[1], "GSI");
  // The read after a reset replaces edits too.
  EXPECT_EQ(Text(1036), QString::number(DriveValue(DriveParameter::MaxSpeed)));
  EXPECT_NE(Text(1036), QStringLiteral("4321"));
  EXPECT_EQ(page->Form()->MarkOf(Field::MaxSpeed), CParameterForm::Mark::None);
  EXPECT_NE(std::find(statusTexts.begin(), statusTexts.end(), QStringLiteral("恢复出厂设置")), statusTexts.end());
}

TEST_F(ParameterPageOverPty, AutomaticReadsKeepTheUsersEditsAndReadingByHandReplacesThem) {
  ASSERT_TRUE(ReadAll());
  const QString driveSpeed = Text(1036);
  Type(1036, QStringLiteral("4321"));
  Click(1134);
  SetDrive(DriveParameter::SpeedProportional, 777);
  drive.WithModel([](sim::DriveModel& m) { m.SetMode(sim::DriveMode::Position, sim::SignalSource::ExternalPwm); });
  PostMessage(page->Handle(), WM_PAGE_ACTIVATED);
  ASSERT_TRUE(WaitUntil([&] { return page->RunningOperation() == Kind::Read; }));
  ASSERT_TRUE(Idle());
  EXPECT_EQ(Text(1036), QStringLiteral("4321"));
  EXPECT_TRUE(Checked(1134));
  EXPECT_EQ(Text(1099), QStringLiteral("777"));
  EXPECT_EQ(page->Form()->MarkOf(Field::MaxSpeed), CParameterForm::Mark::Edited);
  EXPECT_TRUE(Control(1036)->toolTip().contains(QStringLiteral("驱动器中的值：%1").arg(driveSpeed)));
  EXPECT_TRUE(Control(1135)->toolTip().contains(QStringLiteral("驱动器中的值：正转")));
  // A mode set by a read leaves the signal radios as they were.
  EXPECT_TRUE(Checked(1107));
  EXPECT_TRUE(Checked(1049));
  EXPECT_TRUE(Control(1049)->isEnabled());

  ASSERT_TRUE(ReadAll());
  EXPECT_EQ(Text(1036), driveSpeed);
  EXPECT_TRUE(Checked(1135));
  EXPECT_EQ(page->Form()->MarkOf(Field::MaxSpeed), CParameterForm::Mark::None);
  EXPECT_FALSE(Control(1036)->toolTip().contains(QStringLiteral("驱动器中的值")));
}

TEST_F(ParameterPageOverPty, ClickingARunModeOffersOnlyItsSignalSources) {
  Click(1049);  // external PWM
  Click(1107);  // position mode
  EXPECT_TRUE(Checked(1047));
  for (int id : {1048, 1049, 1059}) EXPECT_FALSE(Control(id)->isEnabled()) << id;
  for (int id : {1047, 1154}) EXPECT_TRUE(Control(id)->isEnabled()) << id;
  Click(1154);
  Click(1110);  // amplifier mode
  EXPECT_TRUE(Checked(1047));
  EXPECT_FALSE(Control(1154)->isEnabled());
  Click(1059);
  EXPECT_FALSE(Checked(1047));  // one signal source at a time, the single-ended one included
  Click(1108);
  for (int id : {1047, 1048, 1049, 1154, 1059}) EXPECT_TRUE(Control(id)->isEnabled()) << id;
  EXPECT_TRUE(Checked(1059));
}

TEST_F(ParameterPageOverPty, SchemesAreSavedAndLoadedThroughThePage) {
  Click(1059);  // single-ended
  Type(1051, QStringLiteral("1500"));
  const QString path = folder.path() + "/scheme.qnd";
  prompter.fileAnswer = path;
  Click(CParameterForm::IDC_SAVE_SCHEME);
  ASSERT_EQ(prompter.fileDialogs.size(), 1u);
  EXPECT_EQ(prompter.fileDialogs[0].proposed, QStringLiteral("ZD-7720"));
  EXPECT_EQ(prompter.fileDialogs[0].filter, QStringLiteral("Quen Data Files (*.qnd)"));
  EXPECT_EQ(prompter.fileDialogs[0].defaultSuffix, QStringLiteral("qnd"));
  EXPECT_TRUE(prompter.fileDialogs[0].confirmOverwrite);
  EXPECT_EQ(LastPrompt(), QStringLiteral("方案保存成功"));
  EXPECT_EQ(prompter.prompts.back().icon, PromptIcon::Information);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith("[option]\r\n"));
  EXPECT_TRUE(bytes.contains(QByteArray::fromStdString(ToGbk(QStringLiteral("最大峰值电流=1.500000e+003\r\n")))));
  file.close();

  // Answered No, the page stays; answered Yes, it takes the file's values
  // as edits not yet written.
  Click(1047);
  Type(1051, QStringLiteral("10"));
  prompter.yesNoAnswer = false;
  Click(CParameterForm::IDC_LOAD_SCHEME);
  EXPECT_EQ(LastPrompt(), SchemeFiles::kReplaceQuestion);
  EXPECT_EQ(Text(1051), QStringLiteral("10"));
  prompter.yesNoAnswer = true;
  Click(CParameterForm::IDC_LOAD_SCHEME);
  EXPECT_EQ(Text(1051), QStringLiteral("1500"));
  EXPECT_TRUE(Checked(1059));
  EXPECT_EQ(page->Form()->MarkOf(Field::PeakCurrent), CParameterForm::Mark::Edited);

  // Failures are said, and a file that is no scheme leaves the page alone
  // without asking.
  const std::size_t questions = prompter.CountOf(SchemeFiles::kReplaceQuestion);
  QFile other(folder.path() + "/other.qnd");
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write("[drive]\r\nmodel=ZD\r\n");
  other.close();
  prompter.fileAnswer = other.fileName();
  Click(CParameterForm::IDC_LOAD_SCHEME);
  EXPECT_TRUE(LastPrompt().contains(QStringLiteral("不是参数方案文件")));
  EXPECT_EQ(prompter.CountOf(SchemeFiles::kReplaceQuestion), questions);
  EXPECT_EQ(Text(1051), QStringLiteral("1500"));
  prompter.fileAnswer = folder.path() + "/missing.qnd";
  Click(CParameterForm::IDC_LOAD_SCHEME);
  EXPECT_TRUE(LastPrompt().startsWith(QStringLiteral("方案加载失败")));
  prompter.fileAnswer = folder.path() + "/no/such/folder.qnd";
  Click(CParameterForm::IDC_SAVE_SCHEME);
  EXPECT_TRUE(LastPrompt().startsWith(QStringLiteral("方案保存失败：无法写入文件")));
  // A new file that could not be written (here: no byte may be written at
  // all) is not left behind empty.
  {
    ::rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = ::signal(SIGXFSZ, SIG_IGN);
    ::rlimit none = saved;
    none.rlim_cur = 0;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &none), 0);
    prompter.fileAnswer = folder.path() + "/new.qnd";
    Click(CParameterForm::IDC_SAVE_SCHEME);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    ::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(LastPrompt().startsWith(QStringLiteral("方案保存失败：无法写入文件")));
    EXPECT_FALSE(QFile::exists(folder.path() + "/new.qnd"));
  }
  // Something that is there but no file is neither read nor replaced.
  ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("folder.qnd")));
  prompter.fileAnswer = folder.path() + "/folder.qnd";
  Click(CParameterForm::IDC_SAVE_SCHEME);
  EXPECT_TRUE(LastPrompt().startsWith(QStringLiteral("方案保存失败：无法读取已有的文件")));
  // Readable but not writable: the failed write is reported, not success.
  prompter.fileAnswer = QStringLiteral("/proc/self/status");
  Click(CParameterForm::IDC_SAVE_SCHEME);
  EXPECT_TRUE(LastPrompt().startsWith(QStringLiteral("方案保存失败：无法写入文件")));
  EXPECT_EQ(prompter.CountOf(SchemeFiles::kSaved), 1);
}

// The command-line tool's backup is the page's "保存参数方案" after a read,
// byte for byte, also over a file that holds more than a scheme.
TEST_F(ParameterPageOverPty, TheCommandLineToolBacksUpTheSameFileAsThePage) {
  drive.WithModel([](sim::DriveModel& m) {
    m.SetMode(sim::DriveMode::Position, sim::SignalSource::SingleEndedAnalog);
    m.SetParameter(DriveParameter::MaxSpeed, 2750);
    m.SetParameter(DriveParameter::EncoderResolution, 8192);
    m.SetParameter(DriveParameter::Direction, 0);
  });
  const QByteArray existing = ToGbk(QStringLiteral("[drive]\r\nnote=机柜 3\r\n[option]\r\n最高速度=1\r\nextra=keep\r\n")).c_str();
  const QString byPage = folder.path() + "/page.qnd";
  const QString byTool = folder.path() + "/tool.qnd";
  for (const QString& path : {byPage, byTool}) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(existing);
  }
  ASSERT_TRUE(ReadAll());
  prompter.fileAnswer = byPage;
  Click(CParameterForm::IDC_SAVE_SCHEME);
  ASSERT_EQ(LastPrompt(), QStringLiteral("方案保存成功"));

  ASSERT_NO_FATAL_FAILURE(RunTool({"backup", byTool}));

  QFile page(byPage), cli(byTool);
  ASSERT_TRUE(page.open(QIODevice::ReadOnly));
  ASSERT_TRUE(cli.open(QIODevice::ReadOnly));
  const QByteArray pageBytes = page.readAll();
  EXPECT_TRUE(pageBytes.contains("extra=keep\r\n"));
  EXPECT_TRUE(pageBytes.contains(QByteArray(ToGbk(QStringLiteral("最高速度=2750\r\n")).c_str())));
  EXPECT_EQ(pageBytes, cli.readAll());
}

// The tool's restore of a file sends what the page's "设 置" sends after
// loading that file: the same commands in the same order.
TEST_F(ParameterPageOverPty, TheCommandLineToolRestoresWithThePagesCommands) {
  const QString path = folder.path() + "/restore.qnd";
  ASSERT_TRUE(ReadAll());
  Click(1059);  // single-ended
  Type(1036, QStringLiteral("2750"));
  prompter.fileAnswer = path;
  Click(CParameterForm::IDC_SAVE_SCHEME);
  ASSERT_EQ(LastPrompt(), QStringLiteral("方案保存成功"));

  MakePage();  // a fresh page takes everything from the file
  prompter.yesNoAnswer = true;
  Click(CParameterForm::IDC_LOAD_SCHEME);
  ASSERT_EQ(Text(1036), QStringLiteral("2750"));
  const std::size_t beforePage = drive.CommandCount();
  page->WriteParameters();
  ASSERT_TRUE(Idle());
  ASSERT_TRUE(Result().startsWith(QStringLiteral("参数写入完成")));
  const std::vector<std::string> byPage = CommandsFrom(beforePage);

  const std::size_t beforeTool = drive.CommandCount();
  ASSERT_NO_FATAL_FAILURE(RunTool({"restore", path}));
  std::vector<std::string> byTool = CommandsFrom(beforeTool);
  // The tool first makes sure a drive is there, as the program does at
  // connection.
  ASSERT_FALSE(byTool.empty());
  EXPECT_EQ(byTool.front(), "GVER");
  while (!byTool.empty() && (byTool.front() == "GVER" || byTool.front() == "GDTY")) byTool.erase(byTool.begin());
  EXPECT_EQ(byPage.size(), 36u);
  EXPECT_EQ(byTool, byPage);
}

TEST_F(ParameterPageOverPty, HintsNamesAndIdsAreWhereScreenReadersAndDriversLookForThem) {
  for (const FieldHint& hint : FieldHints::All()) {
    QWidget* control = Control(hint.controlId);
    EXPECT_TRUE(control->toolTip().startsWith(QString::fromUtf8(hint.text.data(), hint.text.size())))
        << hint.controlId;
  }
  EXPECT_FALSE(Control(1156)->isEnabled());  // shown on a disabled list too
  EXPECT_EQ(Control(1101)->toolTip(), FieldMarkers::kStaleNote);
  for (QLabel* label : page->findChildren<QLabel*>()) EXPECT_TRUE(label->toolTip().isEmpty());
  for (QGroupBox* box : page->findChildren<QGroupBox*>()) EXPECT_TRUE(box->toolTip().isEmpty());

  int controls = 0;
  for (QWidget* w : page->findChildren<QWidget*>()) {
    if (!w->objectName().startsWith(QStringLiteral("idc_"))) continue;
    ++controls;
    EXPECT_EQ(w->accessibleDescription(), w->objectName());
    // A list keeps its own name, its current text; the others carry one.
    EXPECT_EQ(w->accessibleName().isEmpty(), qobject_cast<QComboBox*>(w) != nullptr) << w->objectName().toStdString();
  }
  EXPECT_EQ(controls, 68);  // 55 for the fields, 13 buttons and checks
  for (int id : {1036, 1156, 1157, 1244}) {
    bool labelled = false;
    for (QLabel* label : page->findChildren<QLabel*>()) labelled = labelled || label->buddy() == Control(id);
    EXPECT_TRUE(labelled) << id;
  }
}

TEST_F(ParameterPageOverPty, HelpDialogsCloseThemselvesAfterTwentyOneTicksOrAtOnce) {
  Click(CParameterForm::IDC_UNITS_HELP);
  QPointer<CHelpDialog> units = page->findChild<CHelpDialog*>(QStringLiteral("idd_214"));
  ASSERT_TRUE(units);
  EXPECT_TRUE(units->isVisible());
  EXPECT_TRUE(IsTimerRunning(units->Handle(), TIMER_HELP_CLOSE_1));
  for (int tick = 0; tick < 20; ++tick) units->OnTimer(TIMER_HELP_CLOSE_1);
  EXPECT_TRUE(units->isVisible());
  units->OnTimer(TIMER_HELP_CLOSE_1);
  EXPECT_FALSE(units->isVisible());
  ASSERT_TRUE(WaitUntil([&] { return units.isNull(); }));

  Click(CParameterForm::IDC_PHASE_HELP);
  QPointer<CHelpDialog> phase = page->findChild<CHelpDialog*>(QStringLiteral("idd_215"));
  ASSERT_TRUE(phase);
  QTest::mouseDClick(phase, Qt::LeftButton);
  EXPECT_FALSE(phase->isVisible());
  ASSERT_TRUE(WaitUntil([&] { return phase.isNull(); }));
  Click(CParameterForm::IDC_PHASE_HELP);
  phase = page->findChild<CHelpDialog*>(QStringLiteral("idd_215"));
  ASSERT_TRUE(phase);
  phase->findChild<QAbstractButton*>(Id(CHelpDialog::IDOK))->click();
  EXPECT_FALSE(phase->isVisible());
}

TEST_F(ParameterPageOverPty, PhaseInitialisationIsSentOnlyOnceEnabled) {
  EXPECT_FALSE(Control(CParameterForm::IDC_PHASE_INIT)->isEnabled());
  Click(CParameterForm::IDC_PHASE_ENABLE);
  ASSERT_TRUE(Control(CParameterForm::IDC_PHASE_INIT)->isEnabled());
  Click(CParameterForm::IDC_PHASE_INIT);
  ASSERT_TRUE(Idle());
  EXPECT_EQ(drive.ReceivedCommands(), std::vector<std::string>{"CPA"});
  EXPECT_EQ(link.wait.Window(), 0u);
}

TEST_F(ParameterPageOverPty, OperationsMeetingTheMonitoringPageStopInsteadOfFailingEveryStep) {
  link.monitoring = true;
  page->OnReadButton();
  ASSERT_TRUE(Idle(5s));
  EXPECT_EQ(Result(), QStringLiteral("参数读取已停止：0/39，未能发出：GSI"));

  Type(1030, QStringLiteral("4000"));
  Click(CParameterForm::IDC_CHANGE_BAUD);
  Choose(1156, QStringLiteral("19200"));
  page->WriteParameters();
  ASSERT_TRUE(Idle(5s));
  EXPECT_TRUE(Result().startsWith(QStringLiteral("参数写入未完成：0/38，未写入：运行模式、位置比例系数")));
  EXPECT_TRUE(Result().endsWith(QStringLiteral("等38项")));
  EXPECT_EQ(LastPrompt(), Result());
  // The rates did not change: no warning, and the change can be tried again.
  EXPECT_EQ(prompter.CountOf(CBasicParam::kBaudWarning), 0);
  EXPECT_TRUE(Checked(CParameterForm::IDC_CHANGE_BAUD));
  // Only a complete write may be stored.
  EXPECT_FALSE(page->Form()->Button(CParameterForm::IDC_EEPROM)->isEnabled());
  EXPECT_FALSE(page->Form()->EepromNote()->isVisibleTo(page.get()));
  EXPECT_EQ(drive.CommandCount(), 0u);
}

TEST_F(ParameterPageOverPty, OperationsExcludeEachOtherAndStopWithoutCallingBack) {
  ParameterOperations ops(engine);
  bool called = false;
  drive.SetSilent(true);
  ASSERT_EQ(ops.StartRead([&](const drive::ReadStepResult&) { called = true; },
                          [&](const drive::ReadSummary&) { called = true; }),
            ParameterOperations::StartResult::Started);
  EXPECT_EQ(ops.StartWrite({}, {}, {}), ParameterOperations::StartResult::Busy);
  EXPECT_EQ(ops.StartEepromSave({}), ParameterOperations::StartResult::Busy);
  EXPECT_EQ(ops.StartPhaseInit({}), ParameterOperations::StartResult::Busy);
  ops.StopAll();
  EXPECT_EQ(ops.Running(), Kind::None);
  EXPECT_EQ(link.wait.Window(), 0u);
  ASSERT_EQ(ops.StartWrite({{"SSP100\r", "SSP", Field::MaxSpeed, 100ms}}, {},
                           [&](const drive::CommandSummary&) { called = true; }),
            ParameterOperations::StartResult::Started);
  ops.StopAll();
  PumpFor(100ms);
  EXPECT_FALSE(called);
}

TEST_F(ParameterPageOverPty, APageThatGoesAwayWhileReadingFreesTheLinkAndSendsNoMore) {
  drive.SetSilent(true);
  page->OnReadButton();
  ASSERT_TRUE(WaitUntil([&] { return link.wait.Window() != 0; }));
  page.reset();
  EXPECT_EQ(link.wait.Window(), 0u);
  PumpFor(700ms);
  EXPECT_EQ(drive.CommandCount(), 1u);
}

TEST_F(ParameterPageOverPty, TheListsStartFromTheSavedRates) {
  Profile profile;
  profile.WriteInt(QStringLiteral("ComBand"), 38400);
  profile.WriteInt(QStringLiteral("CanBand"), 125);
  MakePage();
  EXPECT_EQ(Control<QComboBox>(1156)->currentIndex(), -1);  // not in the list: no selection
  EXPECT_EQ(Control<QComboBox>(1157)->currentText(), QStringLiteral("125"));
  profile.WriteInt(QStringLiteral("CanBand"), 300);
  MakePage();
  EXPECT_EQ(Control<QComboBox>(1157)->currentText(), QStringLiteral("500"));
}


// ---- what the user sees is what the drive gets -----------------------------

// The values the controls show, read as a user would read them, without the
// page's own parsing: an edit's text as a plain decimal number, a check as
// 0/1, a radio group by its checked button. Nothing when an edit shows a
// text that is no number.
std::optional<drive::ParameterSet> ShownBy(const CBasicParam& page) {
  drive::ParameterSet shown = page.Values();
  for (const drive::FieldInfo& info : drive::ParameterTable::Fields()) {
    auto* first = page.findChild<QWidget*>(Id(info.controls[0]));
    if (auto* edit = qobject_cast<QLineEdit*>(first)) {
      const std::string text = edit->text().trimmed().toStdString();
      if (info.type == drive::ValueType::Float) {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || !std::isfinite(value) || std::isalpha(static_cast<unsigned char>(text[0])))
          return std::nullopt;
        shown.Set(info.field, value);
      } else {
        static const std::regex integer(R"([+-]?[0-9]+)");
        if (!std::regex_match(text, integer)) return std::nullopt;
        const long long value = std::stoll(text.size() > 15 ? std::string("99999999999999999") : text);
        if (value < INT_MIN || value > INT_MAX) return std::nullopt;
        shown.Set(info.field, static_cast<double>(value));
      }
    } else if (auto* list = qobject_cast<QComboBox*>(first)) {
      shown.Set(info.field, list->currentIndex());
    } else if (info.kind == drive::ControlKind::Check) {
      shown.Set(info.field, qobject_cast<QAbstractButton*>(first)->isChecked() ? 1 : 0);
    } else {
      for (std::size_t i = 0; i < info.controls.size(); ++i)
        if (page.findChild<QAbstractButton*>(Id(info.controls[i]))->isChecked()) shown.Set(info.field, static_cast<double>(i));
    }
  }
  return shown;
}

std::vector<std::string> Texts(const std::vector<drive::DriveCommand>& commands) {
  std::vector<std::string> texts;
  for (const drive::DriveCommand& c : commands) texts.push_back(c.text.substr(0, c.text.find('\r')));
  return texts;
}

std::map<std::string, std::string> SchemeValues(const std::string& path) {
  CIniStore store(path);
  std::map<std::string, std::string> values;
  if (!store.LoadExisting()) return values;
  for (const drive::SchemeKey& key : drive::ParameterTable::SchemeKeys()) {
    const std::string name = ToGbk(QString::fromUtf8(key.key.data(), static_cast<qsizetype>(key.key.size())));
    values[std::string(key.key)] = store.GetString("option", name);
  }
  return values;
}

std::map<std::string, std::string> SchemeValues(const drive::ParameterSet& set) {
  const std::string path = QDir::temp().filePath(QStringLiteral("zembra-expected-%1.qnd").arg(QCoreApplication::applicationPid())).toStdString();
  CIniStore store(path);
  drive::SchemeMapping::Store(set, store);
  EXPECT_TRUE(store.Save());
  std::map<std::string, std::string> values = SchemeValues(path);
  std::remove(path.c_str());
  return values;
}

// Whole user sequences against the virtual drive: edits (valid, invalid,
// back to an earlier text), clicks, tab switches, reads the user asked for
// and automatic ones, scheme saves and loads, and a drive whose values
// change behind the page's back, some beyond the page's ranges. After
// every "设 置" the drive got exactly the write of what the controls show,
// or nothing and the user was told why; after every "保存参数方案" the file
// holds exactly what the controls show, or is untouched and the user was
// told. ZEMBRA_SEED repeats a run.
TEST_F(ParameterPageOverPty, WhatTheControlsShowIsWhatAWriteSendsAndASaveKeeps) {
  const unsigned seed = qEnvironmentVariableIsSet("ZEMBRA_SEED") ? qEnvironmentVariableIntValue("ZEMBRA_SEED")
                                                                 : std::random_device{}();
  SCOPED_TRACE(::testing::Message() << "ZEMBRA_SEED=" << seed);
  std::mt19937 rng(seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  // The virtual drive answers at once: hundreds of writes need not take
  // a real drive's pauses.
  page->SetPauses(2ms, 5ms);
  ASSERT_TRUE(ReadAll());

  std::vector<Field> edits;
  for (const drive::FieldInfo& info : drive::ParameterTable::Fields())
    if (info.kind == drive::ControlKind::Edit && !info.schemeOnly) edits.push_back(info.field);
  std::map<Field, std::vector<QString>> earlier;  // texts each edit has shown
  std::map<Field, QString> factory;               // what a user types to mend a field
  for (Field f : edits) {
    factory[f] = Text(drive::ParameterTable::Info(f).controls[0]);
    earlier[f].push_back(factory[f]);
  }
  const QString scheme = folder.filePath(QStringLiteral("page.qnd"));
  bool saved = false;
  int writes = 0, refusedWrites = 0, saves = 0;

  auto typeSomething = [&] {
    const Field field = edits[static_cast<std::size_t>(pick(static_cast<int>(edits.size())))];
    const drive::FieldInfo& info = drive::ParameterTable::Info(field);
    const bool isFloat = info.type == drive::ValueType::Float;
    QString text;
    switch (pick(8)) {
      case 0: case 1: case 2: {  // an earlier text: the read value or one typed before
        const auto& seen = earlier[field];
        text = seen[static_cast<std::size_t>(pick(static_cast<int>(seen.size())))];
        break;
      }
      case 3: case 4:  // a value inside the range, mostly
        text = QString::number(static_cast<int>(info.range->min > -1e6 ? info.range->min : -1000) + pick(2000) * 4);
        break;
      case 5:
        text = isFloat ? QStringLiteral("1000.9") : QStringLiteral(" +%1 ").arg(pick(500));
        break;
      case 6: {
        static const char* garbage[] = {"abc", "", "12x", "1.5", "99999999999999999999", "-", "1e3"};
        text = QString::fromUtf8(garbage[pick(7)]);
        break;
      }
      default:
        text = QString::number(-1 - pick(100000));  // below zero: outside most ranges
        break;
    }
    Type(info.controls[0], text);
    earlier[field].push_back(text);
  };
  auto clickSomething = [&] {
    static const int clickable[] = {1108, 1107, 1109, 1110, 1047, 1048, 1049, 1154, 1059,
                                    1135, 1134, 1238, 1237, 1032, 1029, 1230};
    auto* button = Control<QAbstractButton>(clickable[pick(16)]);
    if (button->isEnabled()) button->click();
  };
  auto switchTabs = [&] {
    if (!page->OnKillActive()) return;  // refused, and the user was told
    page->OnSetActive();
    PostMessage(page->Handle(), WM_PAGE_ACTIVATED);
    PumpFor(10ms);
    ASSERT_TRUE(Idle());
  };
  auto changeTheDrive = [&] {
    static const std::pair<DriveParameter, std::int32_t> changes[] = {
        {DriveParameter::SpeedProportional, 15},   {DriveParameter::SpeedProportional, 150},
        {DriveParameter::PositionLowerLimit, 10},  {DriveParameter::PositionLowerLimit, -5000},
        {DriveParameter::MaxSpeed, 2800},          {DriveParameter::Acceleration, 50000},
        {DriveParameter::EncoderResolution, 4000}, {DriveParameter::SpeedIntegral, 0}};
    const auto& [parameter, value] = changes[pick(8)];
    SetDrive(parameter, value);
  };
  // What a user does once told: every field that is no number or outside
  // its range gets a good value again.
  auto mend = [&] {
    for (Field f : edits) {
      const int id = drive::ParameterTable::Info(f).controls[0];
      const drive::ParsedNumber parsed = drive::ParseNumber(f, Text(id).toStdString());
      drive::ParameterSet probe;
      if (parsed.value) probe.Set(f, *parsed.value);
      if (!parsed.value || !drive::InRange(f, probe) || f == Field::EncoderResolution || f == Field::PeakCurrent ||
          f == Field::ContinuousCurrent)
        Type(id, factory[f]);
    }
  };
  auto checkWrite = [&] {
    const std::optional<drive::ParameterSet> shown = ShownBy(*page);
    const std::size_t before = drive.CommandCount();
    const std::size_t promptsBefore = prompter.prompts.size();
    page->WriteParameters();
    ASSERT_TRUE(Idle());
    PumpFor(30ms);
    const bool valid = shown && !drive::CheckForWrite(*shown, false);
    if (!valid) {
      ++refusedWrites;
      EXPECT_EQ(drive.CommandCount(), before) << "a write of invalid values sent something";
      EXPECT_GT(prompter.prompts.size(), promptsBefore) << "a refused write said nothing";
      return;
    }
    ++writes;
    EXPECT_EQ(CommandsFrom(before), Texts(drive::EncodeWrite(*shown, false))) << Result().toStdString();
    // What was written now shows as the drive's: a text typed back is the same value.
    for (Field f : edits) earlier[f].push_back(Text(drive::ParameterTable::Info(f).controls[0]));
  };
  auto checkSave = [&] {
    const std::optional<drive::ParameterSet> shown = ShownBy(*page);
    const auto fileBefore = SchemeValues(scheme.toStdString());
    const std::size_t promptsBefore = prompter.prompts.size();
    prompter.fileAnswer = scheme;
    page->SaveScheme();
    if (!shown) {
      EXPECT_EQ(SchemeValues(scheme.toStdString()), fileBefore) << "a save of unreadable values changed the file";
      EXPECT_GT(prompter.prompts.size(), promptsBefore + 1) << "a refused save said nothing";
      return;
    }
    ++saves;
    saved = true;
    EXPECT_EQ(SchemeValues(scheme.toStdString()), SchemeValues(*shown));
  };

  for (int sequence = 0; sequence < 200 && !HasFailure(); ++sequence) {
    const int actions = 1 + pick(5);
    for (int a = 0; a < actions && !HasFailure(); ++a) {
      switch (pick(12)) {
        case 0: case 1: case 2: case 3: case 4: typeSomething(); break;
        case 5: clickSomething(); break;
        case 6: switchTabs(); break;
        case 7:
          page->OnReadButton();
          ASSERT_TRUE(Idle());
          break;
        case 8:
          if (saved) {
            prompter.fileAnswer = scheme;
            prompter.yesNoAnswer = true;
            page->LoadScheme();
          }
          break;
        case 9: changeTheDrive(); break;
        default: checkSave(); break;
      }
    }
    if (pick(3) == 0) {
      if (pick(3) != 0) mend();
      checkWrite();
    } else {
      checkSave();
    }
  }
  // The run covered both sides of the write (bounds far below what any
  // seed gives: about 45 writes, 10 refusals and 180 saves).
  EXPECT_GT(writes, 5);
  EXPECT_GT(refusedWrites, 0);
  EXPECT_GT(saves, 20);
}

TEST_F(ParameterPageOverPty, ATypedValueSavedAndTypedBackIsTheOneWritten) {
  ASSERT_TRUE(ReadAll());
  const QString read = Text(1099);
  Type(1099, QStringLiteral("150"));
  prompter.fileAnswer = folder.filePath(QStringLiteral("gains.qnd"));
  page->SaveScheme();
  Type(1099, read);
  const std::size_t before = drive.CommandCount();
  page->WriteParameters();
  ASSERT_TRUE(Idle());
  ASSERT_EQ(CommandsFrom(before).size(), 36u);
  EXPECT_EQ(CommandsFrom(before)[5], "P" + read.toStdString());
}

TEST_F(ParameterPageOverPty, ARefusedValueTypedBackToTheDrivesIsWrittenAndSaved) {
  ASSERT_TRUE(ReadAll());
  const QString read = Text(1030);
  Type(1030, QStringLiteral("6"));
  page->WriteParameters();
  EXPECT_EQ(LastPrompt(), QStringLiteral("编码器分辨率必须为四的倍数"));
  Type(1030, read);
  prompter.fileAnswer = folder.filePath(QStringLiteral("enc.qnd"));
  page->SaveScheme();
  EXPECT_EQ(SchemeValues(prompter.fileAnswer->toStdString())["编码器分辨率"], read.toStdString());
  const std::size_t before = drive.CommandCount();
  page->WriteParameters();
  ASSERT_TRUE(Idle());
  ASSERT_EQ(CommandsFrom(before).size(), 36u);
  EXPECT_EQ(CommandsFrom(before)[28], "ENC" + read.toStdString());
}

TEST_F(ParameterPageOverPty, ADriveValueOutsideItsRangeIsMarkedAndRefusedButNeverTrapsTheUser) {
  SetDrive(DriveParameter::PositionLowerLimit, 10);
  ASSERT_TRUE(ReadAll());
  EXPECT_EQ(Text(1025), QStringLiteral("10"));
  EXPECT_EQ(page->Form()->MarkOf(Field::PositionLowerLimit), CParameterForm::Mark::OutOfRange);
  EXPECT_TRUE(Edit(1025)->toolTip().contains(QStringLiteral("驱动器中的值超出范围：-2100000000 到 0")));
  // Leaving the page judges only what the user typed.
  EXPECT_TRUE(page->OnKillActive());
  EXPECT_TRUE(prompter.prompts.empty());
  page->WriteParameters();
  EXPECT_EQ(LastPrompt(), QStringLiteral("位置下限的值 10 超出范围：-2100000000 到 0 之间的整数"));
  EXPECT_TRUE(Edit(1025)->hasFocus() || QApplication::focusWidget() == nullptr);
  PumpFor(100ms);
  EXPECT_EQ(drive.CommandCount(), 39u);
  // Mended by the user, it is written.
  Type(1025, QStringLiteral("-5000"));
  EXPECT_TRUE(page->OnKillActive());
  EXPECT_NE(page->Form()->MarkOf(Field::PositionLowerLimit), CParameterForm::Mark::OutOfRange);
  page->WriteParameters();
  ASSERT_TRUE(Idle());
  EXPECT_EQ(CommandsFrom(39)[20], "SPL-5000");
}

TEST_F(ParameterPageOverPty, AVerifiedWriteNamesWhatTheDriveHoldsDifferently) {
  page->SetPauses(5ms, 20ms);
  ASSERT_TRUE(ReadAll());
  page->Form()->VerifyAfterWriteCheck()->click();
  EXPECT_EQ(Profile().GetInt(QStringLiteral("VerifyAfterWrite"), 0), 1);
  page->WriteParameters();
  ASSERT_TRUE(WaitUntil([&] { return Result().contains(QStringLiteral("校验")); }, 20s));
  ASSERT_TRUE(Idle());
  EXPECT_TRUE(Result().endsWith(QStringLiteral("校验通过：36/36"))) << Result().toStdString();
  // A drive that keeps a value of its own is named with both values.
  Type(1036, QStringLiteral("2500"));
  drive.SetErrorFor("SSP", true);
  page->WriteParameters();
  ASSERT_TRUE(WaitUntil([&] { return Result().contains(QStringLiteral("校验")); }, 20s));
  ASSERT_TRUE(Idle());
  EXPECT_TRUE(Result().contains(QStringLiteral("最高速度（写入 2500，驱动器 3000）"))) << Result().toStdString();
  EXPECT_TRUE(LastPrompt().startsWith(QStringLiteral("校验未通过（35/36）")));
  // Off, the wire is the write alone.
  page->Form()->VerifyAfterWriteCheck()->click();
  const std::size_t before = drive.CommandCount();
  page->WriteParameters();
  ASSERT_TRUE(Idle());
  PumpFor(200ms);
  EXPECT_EQ(drive.CommandCount() - before, 36u);
}

TEST_F(ParameterPageOverPty, CompareListsOnlyWhatDiffersAndChangesNoField) {
  page->SetPauses(5ms, 20ms);
  ASSERT_TRUE(ReadAll());
  Type(1036, QStringLiteral("2500"));
  SetDrive(DriveParameter::Acceleration, 120);
  page->OpenCompare();
  auto* dialog = page->findChild<CCompareDialog*>();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(Idle());
  QTableWidget* table = dialog->Table();
  ASSERT_EQ(table->rowCount(), 2) << dialog->Status()->text().toStdString();
  EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("最高速度"));
  EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("2500"));
  EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("3000"));
  EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("加速度"));
  EXPECT_EQ(Text(1036), QStringLiteral("2500"));
  EXPECT_EQ(Text(1005), QStringLiteral("100"));
  EXPECT_EQ(page->Values().Int(Field::MaxSpeed), 3000);  // nothing committed either
  // Against a file: the page saved, then one field changed.
  prompter.fileAnswer = folder.filePath(QStringLiteral("cmp.qnd"));
  page->SaveScheme();
  Type(1036, QStringLiteral("2600"));
  dialog->FileButton()->click();
  ASSERT_EQ(table->rowCount(), 1);
  EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("2600"));
  EXPECT_EQ(table->item(0, 2)->text(), QStringLiteral("2500"));
  EXPECT_EQ(table->horizontalHeaderItem(2)->text(), QStringLiteral("文件中的值"));
}

}  // namespace
}  // namespace zembra
