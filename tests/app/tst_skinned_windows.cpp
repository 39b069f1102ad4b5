// The program's windows under the skin: a message box and a file dialog
// shown through the program's prompter, and the main window, whose dialog
// bar starts the skin and which removes it again before it goes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <chrono>
#include <functional>

#include "app/MainFrame.h"
#include "app/QtPrompter.h"
#include "statuspanel/StatusPanel.h"
#include "platform/Profile.h"
#include "skin/SkinnedButton.h"
#include "skin/SkinnedWindow.h"
#include "skin/WindowSkin.h"
#include "tests/support/EventLoopWait.h"

namespace zembra {
namespace {

using namespace std::chrono_literals;

const QColor kSkinBackground(231, 231, 247);

// Runs `open`, which shows a modal dialog and waits for it; hands the
// dialog to `inspect` once it is up and closes it. Returns whether one
// appeared; a dialog of another kind is closed when the deadline passes.
template <class Dialog>
bool WhileShown(const std::function<void()>& open, const std::function<void(Dialog&)>& inspect) {
  bool seen = false;
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* dialog = qobject_cast<Dialog*>(modal);
    if (dialog && dialog->isVisible()) {
      seen = true;
      inspect(*dialog);
      static_cast<QDialog*>(dialog)->done(QDialog::Rejected);
    } else if (modal && std::chrono::steady_clock::now() > deadline) {
      modal->close();
    }
  });
  poll.start();
  open();
  return seen;
}

class SkinnedProgramWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder.isValid());
    Profile::UseFolderForTests(folder.path());
    skin.Apply(&bar);  // as the program's dialog bar does
  }

  QTemporaryDir folder;
  WindowSkin skin{SkinSettings::Default()};
  QWidget bar;
  QtPrompter prompter;
};

TEST_F(SkinnedProgramWindows, AMessageBoxGetsTheSkinColourSkinnedButtonsAndItsIconOverTheColour) {
  const bool shown = WhileShown<QMessageBox>(
      [&] {
        prompter.ShowMessage(QStringLiteral("打开串口不成功！"), QString::fromUtf8(kErrorCaption),
                             PromptIcon::Error);
      },
      [&](QMessageBox& box) {
        EXPECT_TRUE(SkinnedWindow::IsSkinned(box));
        ASSERT_FALSE(box.buttons().isEmpty());
        for (QAbstractButton* b : box.buttons()) EXPECT_TRUE(SkinnedButton::IsSkinned(*qobject_cast<QPushButton*>(b)));
        const QImage shot = box.grab().toImage();
        EXPECT_EQ(shot.pixelColor(1, 1), kSkinBackground);
        auto* icon = box.findChild<QLabel*>(QStringLiteral("qt_msgboxex_icon_label"));
        ASSERT_NE(icon, nullptr);
        ASSERT_FALSE(icon->pixmap().isNull());
        // The round icon's corner is transparent and shows the colour; its
        // middle is the icon.
        const QRect area(icon->mapTo(&box, QPoint(0, 0)), icon->size());
        const QSize picture = icon->pixmap().deviceIndependentSize().toSize();
        const QPoint corner = area.topLeft() + QPoint((area.width() - picture.width()) / 2,
                                                      (area.height() - picture.height()) / 2);
        EXPECT_EQ(shot.pixelColor(corner), kSkinBackground);
        EXPECT_NE(shot.pixelColor(corner + QPoint(picture.width() / 2, picture.height() / 2)), kSkinBackground);
      });
  EXPECT_TRUE(shown);
}

TEST_F(SkinnedProgramWindows, TheFileDialogsButtonsAreSkinned) {
  const bool shown = WhileShown<QFileDialog>(
      [&] { prompter.OpenFileName(QStringLiteral("打开文件"), folder.path(), QStringLiteral("所有文件 (*)")); },
      [&](QFileDialog& dialog) {
        EXPECT_TRUE(SkinnedWindow::IsSkinned(dialog));
        int skinned = 0;
        for (QPushButton* b : dialog.findChildren<QPushButton*>()) skinned += SkinnedButton::IsSkinned(*b) ? 1 : 0;
        EXPECT_GE(skinned, 2) << "open and cancel";
        const auto tools = dialog.findChildren<QToolButton*>();
        EXPECT_FALSE(tools.isEmpty());
        for (QToolButton* b : tools) EXPECT_TRUE(b->findChildren<SkinnedButton*>().isEmpty()) << "tool buttons keep their look";
      });
  EXPECT_TRUE(shown);
}

TEST(SkinnedMainFrame, TheDialogBarStartsTheSkinAndTheMainWindowRemovesItBeforeItGoes) {
  QTemporaryDir folder;
  Profile::UseFolderForTests(folder.path());
  LinkState link;
  Profile profile;
  CMainFrame::Options options;
  options.programFolder = folder.path();
  auto frame = std::make_unique<CMainFrame>(link, profile, options);
  CStatusPanel& panel = frame->StatusPanel();
  EXPECT_TRUE(frame->Skin().IsFollowing());
  EXPECT_TRUE(SkinnedWindow::IsSkinned(panel));
  auto* send = frame->findChild<QPushButton*>(QStringLiteral("idc_%1").arg(CStatusPanel::IDC_SEND));
  ASSERT_NE(send, nullptr);
  EXPECT_TRUE(SkinnedButton::IsSkinned(*send));
  EXPECT_EQ(send->accessibleName(), QStringLiteral("发  送"));
  EXPECT_EQ(send->accessibleDescription(), QStringLiteral("idc_1118"));
  auto* enable = frame->findChild<QCheckBox*>(QStringLiteral("idc_%1").arg(CStatusPanel::IDC_ENABLE));
  ASSERT_NE(enable, nullptr);
  EXPECT_TRUE(enable->findChildren<SkinnedButton*>().isEmpty());

  frame->resize(900, 600);
  frame->show();
  ASSERT_TRUE(test::WaitUntil([&] { return SkinnedWindow::IsSkinned(*frame); }));
  const QImage shot = frame->grab().toImage();
  const QPoint inPanel = panel.mapTo(frame.get(), QPoint(panel.width() - 2, 1));
  EXPECT_EQ(shot.pixelColor(inPanel), kSkinBackground) << "the dialog bar";
  EXPECT_NE(frame->palette().color(QPalette::Window), kSkinBackground);

  frame.reset();
  QDialog later;
  later.show();
  test::PumpFor(50ms);
  EXPECT_FALSE(SkinnedWindow::IsSkinned(later)) << "no skin after the main window is gone";
}

}  // namespace
}  // namespace zembra
