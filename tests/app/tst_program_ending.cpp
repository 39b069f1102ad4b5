// The program ends when it is asked to, wherever it is. A termination
// signal in each modal state of the start-up (the port's error box, the
// serial settings, "打开串口不成功！"), in a question and a file dialog of
// the parameter page and during a running write ends it within 2 s, with
// no window left, the port closed and every open question given its safe
// answer. Cancelling the port settings ends it with status 1 after its
// message. The real program object runs with real dialogs; a timer plays
// the user and sends the signal.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/CommandLineOptions.h"
#include "app/MainFrame.h"
#include "app/ShutdownRequest.h"
#include "app/ZembraSheetView.h"
#include "app/ZembraApp.h"
#include "params/BasicParam.h"
#include "params/ParameterForm.h"
#include "platform/Profile.h"
#include "sim/VirtualDrive.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const QString kPortFailed = QStringLiteral("打开串口不成功！");

// One move of the user: taken once `ready` holds, in order.
struct Step {
  const char* what;
  std::function<bool()> ready;
  std::function<void()> act;
};

QDialog* VisibleDialog(const std::function<bool(QDialog*)>& match) {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(widget);
    if (dialog && dialog->isVisible() && match(dialog)) return dialog;
  }
  return nullptr;
}

QMessageBox* VisibleBox(const std::function<bool(const QString&)>& text) {
  return qobject_cast<QMessageBox*>(VisibleDialog([&](QDialog* d) {
    auto* box = qobject_cast<QMessageBox*>(d);
    return box && text(box->text());
  }));
}

QMessageBox* PortErrorBox() {
  return VisibleBox([](const QString& text) { return text != kPortFailed; });
}
QMessageBox* PortFailedBox() {
  return VisibleBox([](const QString& text) { return text == kPortFailed; });
}
QDialog* SettingsDialog() {
  return VisibleDialog([](QDialog* d) { return d->windowTitle() == QStringLiteral("串口设置"); });
}

std::vector<QString> VisibleWindows() {
  std::vector<QString> shown;
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isVisible()) shown.push_back(widget->windowTitle() + QStringLiteral(" (") +
                                             QString::fromLatin1(widget->metaObject()->className()) + ')');
  return shown;
}

// How many descriptors of this process name the device. The program runs
// in this process, and so does the virtual drive, which keeps one of its
// own on its line.
int DescriptorsOf(const std::string& device) {
  std::error_code error;
  const std::filesystem::path wanted = std::filesystem::canonical(device, error);
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", error)) {
    std::error_code linkError;
    if (std::filesystem::read_symlink(entry.path(), linkError) == wanted) ++count;
  }
  return count;
}

class ProgramEnding : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    Profile::UseFolderForTests(folder.path());
  }
  void TearDown() override { drive.Stop(); }

  void StartDrive() {
    std::string error;
    ASSERT_TRUE(drive.Start(&error)) << error;
  }

  // Runs the program until it ends, taking the steps as they become ready.
  // A program that is still running 20 s later has failed for good.
  int Run(const QString& port, std::vector<Step> steps) {
    CommandLineOptions options;
    options.portOverride = port;
    int status = -1;
    const int descriptorsBefore = port.isEmpty() ? 0 : DescriptorsOf(port.toStdString());
    {
      CZembraApp program(options);
      app = &program;
      std::size_t next = 0;
      QTimer user;
      QObject::connect(&user, &QTimer::timeout, [&] {
        // A click may open a dialog whose event loop runs until the next
        // step; a timer does not fire again inside its own callback, so
        // the move is made from a callback of its own.
        if (next < steps.size() && steps[next].ready()) QTimer::singleShot(0, steps[next++].act);
      });
      user.start(10);
      QTimer watchdog;
      watchdog.setSingleShot(true);
      QObject::connect(&watchdog, &QTimer::timeout, [&] {
        std::fprintf(stderr, "the program is still running; next step: %s\n",
                     next < steps.size() ? steps[next].what : "(none, all taken)");
        std::abort();
      });
      watchdog.start(20000);
      status = program.Run();
      stepsTaken = next;
      leftShown = VisibleWindows();
      portHeld = !port.isEmpty() && DescriptorsOf(port.toStdString()) > descriptorsBefore;
      app = nullptr;
    }
    ended = Clock::now();
    return status;
  }

  Step Signal(int number, const char* what, std::function<bool()> ready) {
    return {what, std::move(ready), [this, number] {
              signalled = Clock::now();
              std::raise(number);
            }};
  }

  // Connected, identified, the first parameter read done and the link
  // free again.
  bool Running() const {
    if (!app || !app->MainFrame() || !app->MainFrame()->isVisible()) return false;
    auto* result = app->MainFrame()->findChild<QLabel*>(QStringLiteral("parameterResult"));
    return result && result->text().startsWith(QStringLiteral("参数读取完成：39/39")) &&
           app->MainFrame()->Engine().State().wait.Window() == 0;
  }
  // Ids repeat between the two pages: the parameter page's own button.
  QPushButton* PageButton(int id) const {
    return app->MainFrame()->SheetView().ParameterPage().findChild<QPushButton*>(QStringLiteral("idc_%1").arg(id));
  }
  void ExpectEndedInTime(std::size_t steps, std::size_t taken) {
    EXPECT_EQ(stepsTaken, taken) << "of " << steps << " steps";
    EXPECT_LT(ended - signalled, 2s);
    for (const QString& w : leftShown) ADD_FAILURE() << "still shown: " << w.toStdString();
    EXPECT_FALSE(portHeld) << "the port is still open";
  }

  QTemporaryDir folder;
  sim::VirtualDrive drive;
  CZembraApp* app = nullptr;
  std::size_t stepsTaken = 0;
  std::vector<QString> leftShown;
  bool portHeld = false;
  Clock::time_point signalled = Clock::now();
  Clock::time_point ended = Clock::now();
};

const QString kNoSuchPort = QStringLiteral("/nonexistent/ttyUSB9");

TEST_F(ProgramEnding, CancellingThePortSettingsEndsWithStatusOneAfterItsMessage) {
  std::vector<Step> steps = {
      {"error box", [] { return PortErrorBox(); }, [] { PortErrorBox()->button(QMessageBox::Ok)->click(); }},
      {"settings", [] { return SettingsDialog(); }, [] { SettingsDialog()->reject(); }},
      {"message", [] { return PortFailedBox(); }, [] { PortFailedBox()->button(QMessageBox::Ok)->click(); }},
  };
  EXPECT_EQ(Run(kNoSuchPort, steps), CZembraApp::kExitNotStarted);
  EXPECT_EQ(stepsTaken, steps.size());
  EXPECT_TRUE(leftShown.empty());
}

// Each start-up state, with the three signals taken in turn.
TEST_F(ProgramEnding, ASignalInTheStartupsErrorBoxEndsIt) {
  std::vector<Step> steps = {Signal(SIGTERM, "error box", [] { return PortErrorBox(); })};
  EXPECT_EQ(Run(kNoSuchPort, steps), CZembraApp::kExitNotStarted);
  ExpectEndedInTime(steps.size(), 1);
}

TEST_F(ProgramEnding, ASignalInThePortSettingsEndsIt) {
  std::vector<Step> steps = {
      {"error box", [] { return PortErrorBox(); }, [] { PortErrorBox()->button(QMessageBox::Ok)->click(); }},
      Signal(SIGINT, "settings", [] { return SettingsDialog(); }),
      // Nothing more may be shown: not "打开串口不成功！", not the settings again.
      // The signal reaches the program through its notifier, a turn of the
      // loop after the raise; until then the settings are rightly still up.
      {"anything shown after the signal",
       [this] { return app && app->Shutdown().Requested() && (PortFailedBox() || SettingsDialog()); }, [] {}},
  };
  EXPECT_EQ(Run(kNoSuchPort, steps), CZembraApp::kExitNotStarted);
  ExpectEndedInTime(steps.size(), 2);
}

TEST_F(ProgramEnding, ASignalInThePortFailedMessageEndsIt) {
  std::vector<Step> steps = {
      {"error box", [] { return PortErrorBox(); }, [] { PortErrorBox()->button(QMessageBox::Ok)->click(); }},
      {"settings", [] { return SettingsDialog(); }, [] { SettingsDialog()->reject(); }},
      Signal(SIGHUP, "message", [] { return PortFailedBox(); }),
  };
  EXPECT_EQ(Run(kNoSuchPort, steps), CZembraApp::kExitNotStarted);
  ExpectEndedInTime(steps.size(), 3);
}

// The factory reset's question is closed with "no": the drive is not reset.
TEST_F(ProgramEnding, ASignalInAQuestionOfTheParameterPageAnswersNo) {
  StartDrive();
  std::vector<Step> steps = {
      {"running", [this] { return Running(); },
       [this] { PageButton(CParameterForm::IDC_FACTORY_RESET)->click(); }},
      Signal(SIGTERM, "question", [] { return VisibleBox([](const QString&) { return true; }); }),
  };
  EXPECT_EQ(Run(QString::fromStdString(drive.SlavePath()), steps), 0);
  ExpectEndedInTime(steps.size(), 2);
  const std::vector<std::string> sent = drive.ReceivedCommands();
  EXPECT_EQ(std::count(sent.begin(), sent.end(), "FCFG"), 0);
}

TEST_F(ProgramEnding, ASignalInAFileDialogOfTheParameterPageEndsIt) {
  StartDrive();
  std::vector<Step> steps = {
      {"running", [this] { return Running(); }, [this] { PageButton(CParameterForm::IDC_LOAD_SCHEME)->click(); }},
      Signal(SIGINT, "file dialog", [] { return VisibleDialog([](QDialog* d) { return qobject_cast<QFileDialog*>(d); }); }),
  };
  EXPECT_EQ(Run(QString::fromStdString(drive.SlavePath()), steps), 0);
  ExpectEndedInTime(steps.size(), 2);
}

// A write stops after the command in flight: nothing reaches the drive
// once the program has ended.
TEST_F(ProgramEnding, ASignalDuringAWriteEndsItAndTheWrite) {
  StartDrive();
  std::size_t before = 0;
  std::vector<Step> steps = {
      {"running", [this] { return Running(); },
       [&] {
         before = drive.CommandCount();
         PageButton(CParameterForm::IDC_WRITE)->click();
       }},
      Signal(SIGHUP, "writing", [&] { return drive.CommandCount() >= before + 3; }),
  };
  EXPECT_EQ(Run(QString::fromStdString(drive.SlavePath()), steps), 0);
  ExpectEndedInTime(steps.size(), 2);
  const std::size_t after = drive.CommandCount();
  EXPECT_LT(after, before + 36) << "the whole write went out";
  EXPECT_FALSE(drive.WaitForCommandCount(after + 1, 300ms)) << "the drive heard more after the end";
}

}  // namespace
}  // namespace zembra
