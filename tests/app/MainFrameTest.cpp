// The running program against the virtual drive over a pty: start-up and
// identification, a silent drive, manual reconnect, the quick commands and
// their refusals, the manual command line with its history, the port
// settings at start-up, the window title, and closing while monitoring.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cerrno>
#include <chrono>

#include "app/MainFrame.h"
#include "app/ZembraSheetView.h"
#include "common/IniStore.h"
#include "common/VersionTitle.h"
#include "link/ReplyTimer.h"
#include "params/ParameterForm.h"
#include "platform/Profile.h"
#include "platform/WindowMessages.h"
#include "statuspanel/StatusPanel.h"
#include "sim/VirtualDrive.h"
#include "tests/support/EventLoopWait.h"
#include "tests/support/RecordingPrompter.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::PumpFor;
using test::WaitUntil;

const QString kNotConnected = QStringLiteral("请先连接驱动器");
const QString kBusy = QStringLiteral("正在进行其他操作，请稍后重试......");
const QString kReadDone = QStringLiteral("参数读取完成：39/39");

class MainFrameOverPty : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    Profile::UseFolderForTests(folder.path());
    std::string error;
    ASSERT_TRUE(drive.Start(&error)) << error;
  }
  void TearDown() override {
    frame.reset();
    drive.Stop();
  }

  CMainFrame& MakeFrame(bool debugMode = false, QString device = {}) {
    CMainFrame::Options options;
    options.debugMode = debugMode;
    options.deviceOverride = device.isNull() ? QString::fromStdString(drive.SlavePath()) : device;
    options.programFolder = folder.path();
    frame = std::make_unique<CMainFrame>(link, profile, options);
    frame->SetDesktopOpener([this](const QUrl& url) {
      opened.push_back(url);
      return true;
    });
    return *frame;
  }

  template <class T>
  T* Control(int id) {
    return frame->findChild<T*>(QStringLiteral("idc_%1").arg(id));
  }

  // Connected, and the parameter read that identification starts is over,
  // so the link is free for what a test sends.
  bool Connected() {
    return WaitUntil(
        [&] {
          return link.connected.load() && link.wait.Window() == 0 && ParameterReadResult().startsWith(kReadDone);
        },
        10s);
  }
  QString ParameterReadResult() {
    auto* result = frame->findChild<QLabel*>(QStringLiteral("parameterResult"));
    return result ? result->text() : QString();
  }
  bool LinkIdle() { return WaitUntil([&] { return link.wait.Window() == 0; }); }

  // The drive's own wait would block the event loop that runs our timers.
  bool Saw(const std::string& command, std::chrono::milliseconds deadline = 3s, std::size_t from = 0) {
    return WaitUntil(
        [&] {
          auto commands = drive.ReceivedCommands();
          return std::find(commands.begin() + std::min(from, commands.size()), commands.end(), command) !=
                 commands.end();
        },
        deadline);
  }

  std::size_t Count(const std::string& command) const {
    std::size_t n = 0;
    for (const auto& c : drive.ReceivedCommands()) n += c == command ? 1 : 0;
    return n;
  }

  QTemporaryDir folder;
  LinkState link;
  Profile profile;
  test::RecordingPrompter prompter;
  sim::VirtualDrive drive;
  std::unique_ptr<CMainFrame> frame;
  std::vector<QUrl> opened;
};

TEST_F(MainFrameOverPty, StartUpIdentifiesTheDriveAndPollsItsStatus) {
  drive.WithModel([](sim::DriveModel& m) {
    m.SetVersionText("2.15");
    m.SetModelText("ZD-7720");
  });
  CMainFrame& f = MakeFrame();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  EXPECT_EQ(f.StatusText(), QStringLiteral("连接驱动器"));
  ASSERT_TRUE(Saw("GVER", 3s));
  EXPECT_EQ(drive.ReceivedCommands().front(), "GVER");
  ASSERT_TRUE(WaitUntil([&] { return link.connected.load(); }));
  const auto connectedAt = Clock::now();
  ASSERT_TRUE(Saw("GDTY", 3s));
  // Identification starts the parameter read, which fills the page.
  ASSERT_TRUE(Connected());
  EXPECT_EQ(Control<QLineEdit>(1030)->text(), QString::number(drive.WithModel([](sim::DriveModel& m) {
    return m.Parameter(sim::DriveParameter::EncoderResolution);
  })));
  const std::size_t afterRead = drive.CommandCount();
  ASSERT_TRUE(WaitUntil([&] { return Control<QLineEdit>(1150)->text() == QStringLiteral("ZD-7720"); }));
  EXPECT_EQ(Control<QLineEdit>(1149)->text(), QStringLiteral("2.15"));
  EXPECT_EQ(f.StatusText(), QStringLiteral("连接驱动器成功"));
  EXPECT_TRUE(prompter.prompts.empty());

  // Ten seconds later the status poll asks GSI, then GEI and GT about
  // 200 ms apart.
  std::map<std::string, Clock::time_point> seenAt;
  ASSERT_TRUE(WaitUntil(
      [&] {
        const auto commands = drive.ReceivedCommands();
        for (std::size_t i = afterRead; i < commands.size(); ++i)
          if (!seenAt.count(commands[i])) seenAt[commands[i]] = Clock::now();
        return seenAt.count("GT") > 0;
      },
      14s));
  EXPECT_GE(seenAt["GSI"] - connectedAt, 9500ms);
  EXPECT_GE(seenAt["GEI"] - seenAt["GSI"], 150ms);
  EXPECT_GE(seenAt["GT"] - seenAt["GEI"], 150ms);
  ASSERT_TRUE(WaitUntil([&] { return Control<QLineEdit>(1067)->text() != QStringLiteral("??"); }));
}

TEST_F(MainFrameOverPty, SilentDriveGivesUpAfterThreeTicksAndCommandsAreRefused) {
  drive.SetSilent(true);
  CMainFrame& f = MakeFrame();
  const auto start = Clock::now();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(WaitUntil([&] { return f.StatusText() == QStringLiteral("未连接驱动器"); }, 3s));
  EXPECT_GE(Clock::now() - start, 550ms);
  PumpFor(300ms);
  EXPECT_EQ(drive.ReceivedCommands(), std::vector<std::string>{"GVER"});
  EXPECT_FALSE(link.connected.load());
  EXPECT_EQ(f.Connection().CurrentState(), ConnectionSequence::State::NotConnected);

  Control<QAbstractButton>(1136)->click();  // GM
  Control<QAbstractButton>(1148)->click();  // PO
  EXPECT_EQ(prompter.CountOf(kNotConnected), 2);
  EXPECT_EQ(prompter.prompts.back().caption, QStringLiteral("伺服运控系统"));
  EXPECT_EQ(prompter.prompts.back().icon, PromptIcon::Error);
  PumpFor(100ms);
  EXPECT_EQ(drive.CommandCount(), 1u);
}

TEST_F(MainFrameOverPty, ManualReconnectAsksAtOnceAndConnects) {
  drive.SetSilent(true);
  CMainFrame& f = MakeFrame();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(WaitUntil([&] { return f.StatusText() == QStringLiteral("未连接驱动器"); }, 3s));
  ASSERT_TRUE(LinkIdle());
  drive.SetSilent(false);
  const std::size_t before = drive.CommandCount();
  Control<QAbstractButton>(1116)->click();
  // Sent at once, before any timer tick could run.
  EXPECT_TRUE(Saw("GVER", 1s, before));
  ASSERT_TRUE(Connected());
  EXPECT_TRUE(Saw("GDTY", 2s, before));
  EXPECT_EQ(f.Connection().CurrentState(), ConnectionSequence::State::Connected);
}

TEST_F(MainFrameOverPty, ManualReconnectWhileBusyIsRefused) {
  CMainFrame& f = MakeFrame();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  drive.SetSilent(true);
  LinkRequester other(f.Engine());
  ASSERT_EQ(SendResult::Sent, other.RequestNow("GSP\r", nullptr, false));
  Control<QAbstractButton>(1116)->click();
  EXPECT_EQ(prompter.CountOf(kBusy), 1);
  EXPECT_TRUE(link.connected.load());  // nothing else changed
}

TEST_F(MainFrameOverPty, QuickCommandsReachTheDrive) {
  CMainFrame& f = MakeFrame();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  struct Case {
    int id;
    const char* command;
    QString status;
  } cases[] = {{1136, "GM", QStringLiteral("获取当前位置")},
               {1147, "GV", QStringLiteral("获取当前速度")},
               {1151, "GSE", QStringLiteral("步进模式实际位置跟踪误差")},
               {1148, "PO", QStringLiteral("位置清零")},
               {1138, "GSI", QStringLiteral("刷新状态")}};
  for (const Case& c : cases) {
    ASSERT_TRUE(LinkIdle());
    const std::size_t before = drive.CommandCount();
    Control<QAbstractButton>(c.id)->click();
    EXPECT_TRUE(Saw(c.command, 2s, before)) << c.command;
    EXPECT_EQ(f.StatusText(), c.status);
  }
  // The refresh is followed by GEI and GT.
  EXPECT_TRUE(Saw("GEI", 2s));
  EXPECT_TRUE(Saw("GT", 2s));
  EXPECT_EQ(prompter.prompts.size(), 0u);
}

TEST_F(MainFrameOverPty, EnableCheckBoxSendsDisOrEnaAndSpringsBackWhenBusy) {
  CMainFrame& f = MakeFrame();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  ASSERT_TRUE(LinkIdle());
  auto* box = Control<QCheckBox>(1144);
  ASSERT_TRUE(box->isChecked());
  box->click();
  ASSERT_TRUE(Saw("DIS", 2s));
  ASSERT_TRUE(WaitUntil([&] { return f.StatusPanel().EnableState() == 0; }));
  EXPECT_FALSE(box->isChecked());

  // Busy: the box returns to its state and the user is told why.
  drive.SetSilent(true);
  LinkRequester other(f.Engine());
  ASSERT_EQ(SendResult::Sent, other.RequestNow("GSP\r", nullptr, false));
  box->click();
  EXPECT_EQ(prompter.CountOf(kBusy), 1);
  ASSERT_TRUE(WaitUntil([&] { return !box->isChecked(); }));
  PumpFor(50ms);
  EXPECT_FALSE(box->isChecked());
  EXPECT_EQ(Count("ENA"), 0u);
}

TEST_F(MainFrameOverPty, ManualSendUpperCasesKeepsTheTypedTextAndRefusesBlanks) {
  CMainFrame& f = MakeFrame();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  ASSERT_TRUE(LinkIdle());
  QComboBox* combo = f.StatusPanel().CommandCombo();
  auto* send = Control<QAbstractButton>(1118);
  combo->setEditText(QStringLiteral(" g s p "));
  send->click();
  ASSERT_TRUE(Saw("GSP", 2s));
  EXPECT_EQ(combo->itemText(0), QStringLiteral("gsp"));
  EXPECT_EQ(combo->currentText(), QStringLiteral("gsp"));
  EXPECT_EQ(f.StatusText(), QStringLiteral("手动发送"));

  combo->setEditText(QStringLiteral("    "));
  send->click();
  EXPECT_EQ(prompter.CountOf(QStringLiteral("请填写发送内容！")), 1);

  // Sixteen commands keep fifteen, newest first.
  for (int i = 0; i < 16; ++i) {
    ASSERT_TRUE(LinkIdle());
    combo->setEditText(QStringLiteral("SSP%1").arg(1000 + i));
    send->click();
  }
  ASSERT_TRUE(Saw("SSP1015", 3s));
  EXPECT_EQ(combo->count(), CommandHistory::kMaxEntries);
  EXPECT_EQ(combo->itemText(0), QStringLiteral("SSP1015"));
  EXPECT_EQ(combo->itemText(14), QStringLiteral("SSP1001"));
}

TEST_F(MainFrameOverPty, ClosingWhileMonitoringStopsTheStreams) {
  CMainFrame& f = MakeFrame();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  link.monitoring = true;
  f.close();
  EXPECT_TRUE(Saw("$S", 2s));
  EXPECT_TRUE(Saw("*S", 2s));
  EXPECT_TRUE(Saw("@S", 2s));
  auto commands = drive.ReceivedCommands();
  auto first = std::find(commands.begin(), commands.end(), "$S");
  ASSERT_LE(first + 3, commands.end());
  EXPECT_EQ(*(first + 1), "*S");
  EXPECT_EQ(*(first + 2), "@S");
  EXPECT_FALSE(f.Engine().ReceiveThreadRunning());
}

TEST_F(MainFrameOverPty, TheMonitoringPageChartsALiveCurveAndATabClickStopsIt) {
  CMainFrame& f = MakeFrame();
  f.resize(1366, 720);
  f.show();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  ASSERT_TRUE(LinkIdle());
  CZembraSheetView& sheet = f.SheetView();
  auto clickTab = [&](int index) {
    QTest::mouseClick(sheet.TabStrip(), Qt::LeftButton, {}, sheet.TabStrip()->TabRect(index).center());
  };
  clickTab(CZembraSheetView::kMonitorPage);
  CMonitor& monitor = sheet.MonitorPage();
  ASSERT_TRUE(WaitUntil([&] { return monitor.isVisible(); }));
  // The page's controls, not the status strip's, which reuse some numbers.
  auto control = [&](int id) { return monitor.findChild<QAbstractButton*>(QStringLiteral("idc_%1").arg(id)); };
  monitor.findChild<QLineEdit*>(QStringLiteral("idc_%1").arg(MonitorControls::IDC_SPEED))->setText("800");
  control(MonitorControls::IDC_RUN)->click();
  control(MonitorControls::IDC_START)->click();
  ASSERT_TRUE(link.monitoring.load());
  EXPECT_TRUE(link.displayBatching.load());  // the console batches while the page polls
  ASSERT_TRUE(WaitUntil([&] {
    const auto& speed = monitor.Samples().Samples(MonitorSeries::Speed);
    return !speed.empty() && speed.back().value > 700;
  }, 5s));
  EXPECT_EQ(f.StatusText(), QStringLiteral("获取速度"));
  // Other windows are refused while the page owns the link.
  f.StatusPanel().findChild<QAbstractButton*>(QStringLiteral("idc_%1").arg(CStatusPanel::IDC_GM))->click();
  EXPECT_EQ(prompter.CountOf(kBusy), 1);

  clickTab(CZembraSheetView::kParameterPage);
  ASSERT_TRUE(WaitUntil([&] { return !link.monitoring.load(); }));
  EXPECT_FALSE(link.displayBatching.load());
  // The click also starts the parameter page's read, which takes the link
  // in its turn and leaves it free when it is done.
  CBasicParam& params = sheet.ParameterPage();
  ASSERT_TRUE(WaitUntil([&] { return params.RunningOperation() == ParameterOperations::Kind::Read; }));
  ASSERT_TRUE(WaitUntil([&] { return params.RunningOperation() == ParameterOperations::Kind::None; }, 10s));
  EXPECT_TRUE(ParameterReadResult().startsWith(kReadDone));
  EXPECT_EQ(link.wait.Window(), 0u);
  EXPECT_EQ(Count("V0"), 0u);  // the motor was left running
}

TimerCallCounts Since(TimerCallCounts now, TimerCallCounts before) {
  return {now.sets - before.sets, now.kills - before.kills};
}

// Only the link starts or kills a reply time-out. Over a session that uses
// every window that talks to the drive (identification, the parameter read,
// the quick commands, a typed command that times out, monitoring with a run
// and an emergency stop), every such call the window runtime saw was one
// the link made.
TEST_F(MainFrameOverPty, OnlyTheLinkStartsOrKillsReplyTimeOuts) {
  const TimerCallCounts runtimeBefore = TimerCalls(TIMER_REPLY);
  const TimerCallCounts linkBefore = ReplyTimer::Calls();
  CMainFrame& f = MakeFrame();
  f.resize(1366, 720);
  f.show();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  for (int id : {1136, 1147, 1151, 1148, 1138}) {
    ASSERT_TRUE(LinkIdle());
    Control<QAbstractButton>(id)->click();
  }
  ASSERT_TRUE(Saw("GT", 2s));
  ASSERT_TRUE(LinkIdle());
  drive.SetSilentFor("GSP", true);
  f.StatusPanel().CommandCombo()->setEditText(QStringLiteral("GSP"));
  Control<QAbstractButton>(1118)->click();
  ASSERT_TRUE(Saw("GSP", 2s));
  ASSERT_TRUE(LinkIdle());  // after the time-out

  CZembraSheetView& sheet = f.SheetView();
  QTest::mouseClick(sheet.TabStrip(), Qt::LeftButton, {},
                    sheet.TabStrip()->TabRect(CZembraSheetView::kMonitorPage).center());
  CMonitor& monitor = sheet.MonitorPage();
  ASSERT_TRUE(WaitUntil([&] { return monitor.isVisible(); }));
  auto control = [&](int id) { return monitor.findChild<QAbstractButton*>(QStringLiteral("idc_%1").arg(id)); };
  // Started once the link is free: the status poll may hold it a moment.
  ASSERT_TRUE(WaitUntil([&] {
    if (!link.monitoring.load() && link.wait.Window() == 0) control(MonitorControls::IDC_START)->click();
    return link.monitoring.load();
  }));
  control(MonitorControls::IDC_RUN)->click();
  ASSERT_TRUE(WaitUntil([&] { return monitor.Samples().Samples(MonitorSeries::Speed).size() >= 5; }, 5s));
  control(MonitorControls::IDC_ESTOP)->click();
  control(MonitorControls::IDC_ESTOP)->click();
  ASSERT_TRUE(Saw("CBS", 2s));
  control(MonitorControls::IDC_STOP)->click();
  ASSERT_FALSE(link.monitoring.load());

  const TimerCallCounts byLink = Since(ReplyTimer::Calls(), linkBefore);
  EXPECT_GT(byLink.sets, 40u);
  EXPECT_GT(byLink.kills, 40u);
  // The receive thread may be inside a kill; the counts settle at once.
  EXPECT_TRUE(WaitUntil([&] { return Since(TimerCalls(TIMER_REPLY), runtimeBefore) == Since(ReplyTimer::Calls(), linkBefore); }))
      << "the runtime saw " << Since(TimerCalls(TIMER_REPLY), runtimeBefore).sets << " starts and "
      << Since(TimerCalls(TIMER_REPLY), runtimeBefore).kills << " kills, the link made "
      << Since(ReplyTimer::Calls(), linkBefore).sets << " and " << Since(ReplyTimer::Calls(), linkBefore).kills;
}

TEST_F(MainFrameOverPty, TheMonitoringPageBoundsJumpsByTheParameterPagesSpeedAndResolution) {
  CMainFrame& f = MakeFrame();
  f.resize(1366, 720);
  f.show();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  CZembraSheetView& sheet = f.SheetView();
  CMonitor& monitor = sheet.MonitorPage();
  // What the drive holds (3000 r/min, 10000 counts), then what the user typed
  // over it: the monitoring page takes the page as it stands.
  auto clickTab = [&](int index) {
    QTest::mouseClick(sheet.TabStrip(), Qt::LeftButton, {}, sheet.TabStrip()->TabRect(index).center());
  };
  clickTab(CZembraSheetView::kMonitorPage);
  // The tab posts its activation; the page takes the factors when it arrives.
  EXPECT_TRUE(WaitUntil([&] { return monitor.Samples().Factors().maxSpeed == 3000; }));
  EXPECT_EQ(monitor.Samples().Factors().encoderResolution, 10000);

  clickTab(CZembraSheetView::kParameterPage);
  CBasicParam& params = sheet.ParameterPage();
  ASSERT_TRUE(WaitUntil([&] { return params.RunningOperation() == ParameterOperations::Kind::None && params.isVisible(); }, 10s));
  auto* speed = params.findChild<QLineEdit*>(QStringLiteral("idc_1036"));
  auto* resolution = params.findChild<QLineEdit*>(QStringLiteral("idc_1030"));
  ASSERT_NE(speed, nullptr);
  ASSERT_NE(resolution, nullptr);
  speed->setText(QStringLiteral("1500"));
  resolution->setText(QStringLiteral("2048"));
  clickTab(CZembraSheetView::kMonitorPage);
  EXPECT_TRUE(WaitUntil([&] { return monitor.Samples().Factors().maxSpeed == 1500; }));
  EXPECT_EQ(monitor.Samples().Factors().encoderResolution, 2048);
}

// What a screen reader or test driver reaches from the main window: the
// controls of both pages by their "idc_" descriptions, and a press through
// that road does what a click does.
QAccessibleInterface* FindByDescription(QAccessibleInterface* node, const QString& description, int depth = 0) {
  if (!node || depth > 40) return nullptr;
  if (node->text(QAccessible::Description) == description) return node;
  for (int i = 0; i < node->childCount(); ++i)
    if (QAccessibleInterface* found = FindByDescription(node->child(i), description, depth + 1)) return found;
  return nullptr;
}

TEST_F(MainFrameOverPty, ThePagesControlsAreReachedThroughTheAccessibilityTree) {
  CMainFrame& f = MakeFrame();
  f.resize(1366, 720);
  f.show();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&f);
  ASSERT_NE(root, nullptr);
  for (const char* id : {"idc_1036", "idc_1030", "idc_1140", "idc_1141", "idc_1228", "idc_1009"})
    EXPECT_NE(FindByDescription(root, QString::fromLatin1(id)), nullptr) << id;
  QAccessibleInterface* speed = FindByDescription(root, QStringLiteral("idc_1036"));
  ASSERT_NE(speed, nullptr);
  EXPECT_EQ(speed->text(QAccessible::Name), QStringLiteral("最高速度"));

  QAccessibleInterface* read = FindByDescription(root, QStringLiteral("idc_1155"));
  ASSERT_NE(read, nullptr);
  ASSERT_NE(read->actionInterface(), nullptr);
  const std::size_t before = drive.CommandCount();
  read->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  CBasicParam& params = f.SheetView().ParameterPage();
  EXPECT_TRUE(WaitUntil([&] { return drive.CommandCount() > before; }));
  EXPECT_TRUE(WaitUntil([&] { return params.RunningOperation() == ParameterOperations::Kind::None; }, 10s));
  EXPECT_TRUE(ParameterReadResult().startsWith(kReadDone));
}

TEST_F(MainFrameOverPty, ClosingWithoutMonitoringSendsNothing) {
  CMainFrame& f = MakeFrame();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  ASSERT_TRUE(LinkIdle());
  PumpFor(100ms);
  const std::size_t before = drive.CommandCount();
  f.close();
  PumpFor(100ms);
  EXPECT_EQ(drive.CommandCount(), before);
  EXPECT_FALSE(f.Engine().ReceiveThreadRunning());
}

TEST_F(MainFrameOverPty, ClosingStopsARunningParameterRead) {
  CMainFrame& f = MakeFrame();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  f.SheetView().ParameterPage().OnReadButton();
  ASSERT_TRUE(Saw("GMP", 2s, drive.CommandCount()));
  f.close();
  const std::size_t atClose = drive.CommandCount();
  PumpFor(300ms);
  EXPECT_EQ(drive.CommandCount(), atClose);
  EXPECT_EQ(link.wait.Window(), 0u);
}

TEST_F(MainFrameOverPty, DebugModeCountsAsConnectedWithoutADrive) {
  drive.SetSilent(true);
  CMainFrame& f = MakeFrame(/*debugMode=*/true);
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(WaitUntil([&] { return f.StatusText() == QStringLiteral("未连接驱动器"); }, 3s));
  ASSERT_TRUE(LinkIdle());
  EXPECT_TRUE(link.connected.load());
  const std::size_t before = drive.CommandCount();
  Control<QAbstractButton>(1148)->click();  // PO goes to the port
  EXPECT_TRUE(Saw("PO", 2s, before));
  EXPECT_EQ(prompter.CountOf(kNotConnected), 0);
}

TEST_F(MainFrameOverPty, UnopenablePortOffersTheSettingsAndCancelClosesTheProgram) {
  CMainFrame& f = MakeFrame(false, folder.path() + "/no-such-tty");
  prompter.serialAnswers.push_back(std::nullopt);
  EXPECT_EQ(f.Create(), CMainFrame::CreateResult::Closing);
  ASSERT_GE(prompter.prompts.size(), 2u);
  EXPECT_TRUE(prompter.prompts[0].text.contains(QStringLiteral("no-such-tty")));
  EXPECT_EQ(prompter.prompts.back().text, QStringLiteral("打开串口不成功！"));
  EXPECT_EQ(prompter.serialDialogShown.size(), 1u);
  EXPECT_FALSE(profile.Contains(QStringLiteral("ComNum")));
}

TEST_F(MainFrameOverPty, SettingsChosenAfterAFailedOpenAreSavedOnlyOnceTheyWork) {
  profile.WriteString(QStringLiteral("ComPath3"), QString::fromStdString(drive.SlavePath()));
  profile.WriteString(QStringLiteral("ComPath2"), folder.path() + "/missing");
  CMainFrame& f = MakeFrame(false, folder.path() + "/no-such-tty");
  prompter.serialAnswers.push_back(SerialChoice{2, 19200});  // fails too
  prompter.serialAnswers.push_back(SerialChoice{3, 19200});  // works
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  EXPECT_EQ(prompter.serialDialogShown.size(), 2u);
  EXPECT_EQ(profile.GetInt(QStringLiteral("ComNum"), 0), 3);
  EXPECT_EQ(profile.GetInt(QStringLiteral("ComBand"), 0), 19200);
  EXPECT_TRUE(Saw("GVER", 3s));
}

// A saved port number no device answers to (COM0, COM99) and a saved baud
// that is no number: the open fails in words and the settings are offered,
// preset with what could be read.
TEST_F(MainFrameOverPty, SavedSettingsThatNameNoPortOfferTheSettings) {
  for (const int com : {0, 99}) {
    SCOPED_TRACE(com);
    frame.reset();
    prompter.prompts.clear();
    prompter.serialDialogShown.clear();
    profile.WriteInt(QStringLiteral("ComNum"), com);
    profile.WriteString(QStringLiteral("ComBand"), QStringLiteral("fast"));
    profile.WriteString(QStringLiteral("ComPath3"), QString::fromStdString(drive.SlavePath()));
    CMainFrame& f = MakeFrame(false, QStringLiteral(""));
    prompter.serialAnswers.push_back(SerialChoice{3, 9600});
    ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
    ASSERT_FALSE(prompter.prompts.empty());
    EXPECT_TRUE(prompter.prompts[0].text.contains(QStringLiteral("无法打开串口"))) << prompter.prompts[0].text.toStdString();
    ASSERT_EQ(prompter.serialDialogShown.size(), 1u);
    EXPECT_EQ(prompter.serialDialogShown[0].comNumber, com);
    EXPECT_EQ(prompter.serialDialogShown[0].baud, 9600);
    EXPECT_EQ(profile.GetInt(QStringLiteral("ComNum"), 0), 3);
    EXPECT_EQ(profile.GetInt(QStringLiteral("ComBand"), 0), 9600);
    EXPECT_TRUE(Saw("GVER", 3s));
  }
}

TEST_F(MainFrameOverPty, PortGivenForTheRunIsNotSaved) {
  CMainFrame& f = MakeFrame();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  EXPECT_FALSE(profile.Contains(QStringLiteral("ComNum")));
  EXPECT_FALSE(profile.Contains(QStringLiteral("ComBand")));
}

TEST_F(MainFrameOverPty, TitleComesFromTheVersionFileBesideTheProgram) {
  {
    CIniStore store((folder.path() + "/QNVERSION.qni").toStdString());
    store.SetString("DriverVersion", "D0000", "V 3.4.5", true);
    store.SetInt("DriverVersion", "CRC", Crc16Modbus("V 3.4.5"), true);
    ASSERT_TRUE(store.Save());
  }
  CMainFrame& f = MakeFrame();
  EXPECT_TRUE(f.windowTitle().contains(QStringLiteral("3.4.5"))) << f.windowTitle().toStdString();
  EXPECT_FALSE(f.windowTitle().contains(QStringLiteral("未知")));
}

TEST_F(MainFrameOverPty, TheParameterPageShowsWholeOnA1366By768Screen) {
  CMainFrame& f = MakeFrame();
  // The client area such a screen leaves below a title bar and a panel.
  f.resize(1366, 700);
  f.show();
  ASSERT_TRUE(WaitUntil([&] { return f.isVisible(); }));
  PumpFor(50ms);
  EXPECT_EQ(f.SheetView().horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(f.SheetView().verticalScrollBar()->maximum(), 0);
}

TEST_F(MainFrameOverPty, HelpOpensTheManualBesideTheProgram) {
  CMainFrame& f = MakeFrame();
  f.OnHelp();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_TRUE(opened[0].toLocalFile().endsWith(QStringLiteral("伺服运控管理系统说明书-KVBX5160.pdf")));
  prompter.fileAnswer = folder.path() + "/notes.txt";
  f.OnOpenTextFile();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[1].toLocalFile(), folder.path() + "/notes.txt");
}

// An adapter pulled out and plugged in again: the program says so, stops
// counting the drive as connected, and once the device path is back (here
// a by-id style link pointed at a new pty) reopens it and identifies the
// drive again by itself.
TEST_F(MainFrameOverPty, AVanishedPortIsReopenedWhenItsPathComesBack) {
  const QString byId = folder.filePath(QStringLiteral("usb-serial-by-id"));
  ASSERT_TRUE(QFile::link(QString::fromStdString(drive.SlavePath()), byId));
  CMainFrame& f = MakeFrame(false, byId);
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());

  // Unplugged: the adapter's node and its by-id link go away together. A
  // link left pointing at a pty number could meet another process's pty.
  drive.ClosePort();
  ASSERT_TRUE(QFile::remove(byId));
  ASSERT_TRUE(WaitUntil([&] { return !link.connected.load(); }, 3s));
  EXPECT_EQ(f.StatusText(), QStringLiteral("串口已断开"));
  EXPECT_TRUE(f.Watcher().Watching());
  EXPECT_EQ(Control<QLineEdit>(1149)->text(), QStringLiteral("未知"));  // the strip no longer shows a version
  // Nothing comes back while the link points at nothing alive.
  PumpFor(600ms);
  EXPECT_FALSE(link.connected.load());

  sim::VirtualDrive replugged;
  std::string error;
  ASSERT_TRUE(replugged.Start(&error)) << error;
  replugged.WithModel([](sim::DriveModel& m) { m.SetVersionText("9.87"); });
  const QString fresh = folder.filePath(QStringLiteral("new-link"));
  ASSERT_TRUE(QFile::link(QString::fromStdString(replugged.SlavePath()), fresh));
  ASSERT_EQ(::rename(fresh.toLocal8Bit().constData(), byId.toLocal8Bit().constData()), 0);
  const auto back = Clock::now();
  ASSERT_TRUE(WaitUntil([&] { return link.connected.load(); }, 5s));
  EXPECT_LT(Clock::now() - back, 3s);
  EXPECT_TRUE(replugged.WaitForCommand("GVER", 1s));
  ASSERT_TRUE(WaitUntil([&] { return Control<QLineEdit>(1149)->text() == QStringLiteral("9.87"); }));
  EXPECT_FALSE(f.Watcher().Watching());
  EXPECT_TRUE(prompter.prompts.empty());  // no box: the user was not asked anything
  frame.reset();
  replugged.Stop();
}

std::atomic<int> g_pollsToFail{0};
int PollThatFailsAtFirst(::pollfd* fds, ::nfds_t count, int timeout) {
  if (g_pollsToFail.fetch_sub(1) > 0) {
    errno = ENOMEM;
    return -1;
  }
  return ::poll(fds, count, timeout);
}

// The receive thread's wait failing is a lost port: the program stays, and
// the drive, still there, is found again.
TEST_F(MainFrameOverPty, AFailedWaitOnThePortEndsInAReconnect) {
  CMainFrame& f = MakeFrame();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  f.Engine().StopReceiveThread();
  g_pollsToFail = 1;
  f.Engine().SetPollFunction(PollThatFailsAtFirst);
  ASSERT_TRUE(f.Engine().StartReceiveThread());
  ASSERT_TRUE(WaitUntil([&] { return !link.connected.load(); }, 3s));
  const std::size_t before = drive.CommandCount();
  ASSERT_TRUE(WaitUntil([&] { return link.connected.load(); }, 5s));
  EXPECT_TRUE(Saw("GVER", 1s, before));
  EXPECT_TRUE(prompter.prompts.empty());
}

// Pulled out in the middle of each kind of work: the work ends, nothing
// stays busy, and the re-plugged drive is identified and read again.
enum class WorkAtUnplug { Idle, BulkRead, Write, EepromSave, Monitoring, QuickCommand };

std::string UnplugWorkName(const ::testing::TestParamInfo<WorkAtUnplug>& info) {
  static const char* const kNames[] = {"Idle", "BulkRead", "Write", "EepromSave", "Monitoring", "QuickCommand"};
  return kNames[static_cast<int>(info.param)];
}

class UnplugDuringWork : public MainFrameOverPty, public ::testing::WithParamInterface<WorkAtUnplug> {};

TEST_P(UnplugDuringWork, EndsTheWorkFreesTheLinkAndReconnects) {
  const QString byId = folder.filePath(QStringLiteral("usb-serial-by-id"));
  ASSERT_TRUE(QFile::link(QString::fromStdString(drive.SlavePath()), byId));
  CMainFrame& f = MakeFrame(false, byId);
  f.resize(1366, 720);
  f.show();
  ASSERT_EQ(f.Create(), CMainFrame::CreateResult::Running);
  ASSERT_TRUE(Connected());
  CZembraSheetView& sheet = f.SheetView();
  CBasicParam& params = sheet.ParameterPage();
  CMonitor& monitor = sheet.MonitorPage();
  auto pageButton = [&](int id) { return params.findChild<QAbstractButton*>(QStringLiteral("idc_%1").arg(id)); };
  const std::size_t before = drive.CommandCount();

  switch (GetParam()) {
    case WorkAtUnplug::Idle:
      break;
    case WorkAtUnplug::BulkRead:
      pageButton(CParameterForm::IDC_READ)->click();
      ASSERT_TRUE(WaitUntil([&] { return drive.CommandCount() > before + 2; }));
      break;
    case WorkAtUnplug::Write:
      pageButton(CParameterForm::IDC_WRITE)->click();
      ASSERT_TRUE(WaitUntil([&] { return drive.CommandCount() > before + 2; }));
      break;
    case WorkAtUnplug::EepromSave:
      pageButton(CParameterForm::IDC_WRITE)->click();
      ASSERT_TRUE(WaitUntil([&] { return params.EepromSaveAllowed() && LinkIdle(); }, 10s));
      drive.SetSilentFor("ESA", true);
      pageButton(CParameterForm::IDC_EEPROM)->click();
      ASSERT_TRUE(Saw("ESA", 3s, before));
      break;
    case WorkAtUnplug::Monitoring:
      QTest::mouseClick(sheet.TabStrip(), Qt::LeftButton, {},
                        sheet.TabStrip()->TabRect(CZembraSheetView::kMonitorPage).center());
      ASSERT_TRUE(WaitUntil([&] { return monitor.isVisible(); }));
      monitor.findChild<QAbstractButton*>(QStringLiteral("idc_%1").arg(MonitorControls::IDC_START))->click();
      ASSERT_TRUE(link.monitoring.load());
      ASSERT_TRUE(Saw("GV", 3s, before));
      break;
    case WorkAtUnplug::QuickCommand:
      drive.SetSilentFor("GV", true);
      f.StatusPanel().findChild<QAbstractButton*>(QStringLiteral("idc_%1").arg(CStatusPanel::IDC_GV))->click();
      ASSERT_TRUE(Saw("GV", 3s, before));
      break;
  }

  drive.ClosePort();
  ASSERT_TRUE(QFile::remove(byId));
  ASSERT_TRUE(WaitUntil([&] { return !link.connected.load(); }, 3s));
  // Monitoring ends at its next poll and says so in the same pane; on a
  // slow machine that may already have happened.
  if (GetParam() != WorkAtUnplug::Monitoring) {
    EXPECT_EQ(f.StatusText(), QStringLiteral("串口已断开"));
  }
  EXPECT_EQ(Control<QLineEdit>(1149)->text(), QStringLiteral("未知"));
  EXPECT_TRUE(WaitUntil(
      [&] {
        return params.RunningOperation() == ParameterOperations::Kind::None && !link.monitoring.load() &&
               link.wait.Window() == 0;
      },
      5s))
      << "still busy: operation " << static_cast<int>(params.RunningOperation()) << ", monitoring "
      << link.monitoring.load() << ", wait window " << link.wait.Window();

  sim::VirtualDrive replugged;
  std::string error;
  ASSERT_TRUE(replugged.Start(&error)) << error;
  const QString fresh = folder.filePath(QStringLiteral("new-link"));
  ASSERT_TRUE(QFile::link(QString::fromStdString(replugged.SlavePath()), fresh));
  ASSERT_EQ(::rename(fresh.toLocal8Bit().constData(), byId.toLocal8Bit().constData()), 0);
  ASSERT_TRUE(WaitUntil([&] { return link.connected.load(); }, 5s));
  // Identified again, the page reads the drive it now talks to.
  EXPECT_TRUE(WaitUntil([&] { return replugged.CommandCount() > 39 && ParameterReadResult().startsWith(kReadDone); }, 15s))
      << ParameterReadResult().toStdString();
  EXPECT_TRUE(LinkIdle());
  frame.reset();
  replugged.Stop();
}

INSTANTIATE_TEST_SUITE_P(MainFrameOverPty, UnplugDuringWork,
                         ::testing::Values(WorkAtUnplug::Idle, WorkAtUnplug::BulkRead, WorkAtUnplug::Write,
                                           WorkAtUnplug::EepromSave, WorkAtUnplug::Monitoring,
                                           WorkAtUnplug::QuickCommand),
                         UnplugWorkName);

}  // namespace
}  // namespace zembra
