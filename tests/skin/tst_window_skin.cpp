// How the skin attaches: the classes it draws and the ones it leaves, the
// background of dialogs, bars and the main window, labels and icons over
// the painted background, each window and button skinned once, following
// the windows shown later until removed, the hover, focus and pressed
// looks of a real button, and buttons that stay whole for screen readers.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QCommandLinkButton>
#include <QDialog>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

#include "skin/SkinRules.h"
#include "skin/SkinnedButton.h"
#include "skin/SkinnedWindow.h"
#include "skin/WindowSkin.h"
#include "tests/skin/SkinTestBitmaps.h"
#include "tests/support/EventLoopWait.h"

namespace zembra {
namespace {

using test::CentreTag;
using test::WaitUntil;

const QColor kSkinBackground(231, 231, 247);

int SkinObjectsOn(const QObject& o) {
  return static_cast<int>(o.findChildren<SkinnedButton*>(Qt::FindDirectChildrenOnly).size() +
                          o.findChildren<SkinnedWindow*>(Qt::FindDirectChildrenOnly).size());
}

QColor PixelOf(QWidget& window, QPoint at) { return window.grab().toImage().pixelColor(at); }

// The tag of the bitmap a button shows in its middle.
int ShownTag(QPushButton& button) {
  const QImage img = button.grab().toImage();
  return CentreTag(img, 4, img.height() / 2);
}

// A dialog with one of each kind of control.
struct ControlsDialog {
  ControlsDialog() {
    auto* layout = new QVBoxLayout(&dialog);
    push = new QPushButton(QStringLiteral("确 定"), &dialog);
    defaultPush = new QPushButton(QStringLiteral("取 消"), &dialog);
    defaultPush->setDefault(true);
    check = new QCheckBox(QStringLiteral("受控"), &dialog);
    radio = new QRadioButton(QStringLiteral("速度"), &dialog);
    group = new QGroupBox(QStringLiteral("模式"), &dialog);
    auto* groupLayout = new QVBoxLayout(group);
    inGroup = new QPushButton(QStringLiteral("读 取"), group);
    groupLayout->addWidget(inGroup);
    tool = new QToolButton(&dialog);
    tool->setText(QStringLiteral("刷新"));
    link = new QCommandLinkButton(QStringLiteral("链接"), &dialog);
    ownerDrawn = new QPushButton(QStringLiteral("自绘"), &dialog);
    ownerDrawn->setProperty(kOwnerDrawnProperty, true);
    for (QWidget* w : std::initializer_list<QWidget*>{push, defaultPush, check, radio, group, tool, link, ownerDrawn})
      layout->addWidget(w);
  }
  QDialog dialog;
  QPushButton* push;
  QPushButton* defaultPush;
  QCheckBox* check;
  QRadioButton* radio;
  QGroupBox* group;
  QPushButton* inGroup;
  QToolButton* tool;
  QCommandLinkButton* link;
  QPushButton* ownerDrawn;
};

TEST(SkinRules, LabelsWithTextOrAnImageAreMadeTransparentOtherWidgetsAreWalkedThrough) {
  QLabel text(QStringLiteral("温度"));
  QLabel empty;
  QLabel image;
  QPixmap pixmap(8, 8);
  pixmap.fill(Qt::red);
  image.setPixmap(pixmap);
  QLineEdit edit;
  EXPECT_EQ(SkinRules::TreatmentOf(text), SkinTreatment::TransparentLabel);
  EXPECT_EQ(SkinRules::TreatmentOf(image), SkinTreatment::TransparentLabel);
  EXPECT_EQ(SkinRules::TreatmentOf(empty), SkinTreatment::LeftAlone);
  EXPECT_EQ(SkinRules::TreatmentOf(edit), SkinTreatment::WalkThrough);
}

TEST(SkinRules, OnlyWindowsAndDialogsAreFollowed) {
  QDialog dialog;
  QMainWindow main;
  QMenu menu;
  QWidget child(&dialog);
  EXPECT_TRUE(SkinRules::FollowsWindow(dialog));
  EXPECT_TRUE(SkinRules::FollowsWindow(main));
  EXPECT_FALSE(SkinRules::FollowsWindow(menu));
  EXPECT_FALSE(SkinRules::FollowsWindow(child));
}

TEST(WindowSkin, SkinsThePushButtonsOfAWindowAndLeavesTheOtherControls) {
  ControlsDialog d;
  WindowSkin skin(test::PartsSettings());
  d.dialog.show();
  ASSERT_TRUE(WaitUntil([&] { return d.dialog.isVisible(); }));
  skin.Apply(&d.dialog);

  EXPECT_TRUE(SkinnedButton::IsSkinned(*d.push));
  EXPECT_TRUE(SkinnedButton::IsSkinned(*d.defaultPush));
  EXPECT_TRUE(SkinnedButton::IsSkinned(*d.inGroup)) << "buttons inside a group box are push buttons too";
  EXPECT_FALSE(SkinnedButton::IsSkinned(*d.ownerDrawn));
  EXPECT_FALSE(SkinnedButton::IsSkinned(*d.link));
  for (QWidget* w : std::initializer_list<QWidget*>{d.check, d.radio, d.group, d.tool, d.link, d.ownerDrawn})
    EXPECT_EQ(SkinObjectsOn(*w), 0) << w->metaObject()->className();

  // The skinned ones show the bitmaps, the default button as well.
  EXPECT_EQ(ShownTag(*d.push), test::kNormalTag);
  EXPECT_EQ(ShownTag(*d.defaultPush), test::kNormalTag);
  EXPECT_EQ(CentreTag(d.ownerDrawn->grab().toImage(), 4, d.ownerDrawn->height() / 2), -1);
}

TEST(WindowSkin, DialogsAndBarsGetTheSkinColourTheMainWindowKeepsThePlatformBackground) {
  QMainWindow main;
  auto* bar = new QWidget(&main);  // the dialog bar along the main window's top
  bar->setFixedSize(200, 40);
  main.setCentralWidget(new QWidget(&main));
  main.setMenuWidget(bar);
  main.resize(300, 200);
  QDialog dialog;
  dialog.resize(120, 80);
  const QColor platform = main.palette().color(QPalette::Window);
  ASSERT_NE(platform, kSkinBackground);
  ASSERT_TRUE(main.windowFlags().testFlag(Qt::WindowMinimizeButtonHint)) << "the main window has a minimise box";

  WindowSkin skin(test::PartsSettings());
  skin.Apply(bar);
  skin.Apply(&main);
  skin.Apply(&dialog);
  EXPECT_TRUE(SkinRules::FillsBackground(dialog));
  EXPECT_FALSE(SkinRules::FillsBackground(main));
  EXPECT_EQ(PixelOf(dialog, {60, 40}), kSkinBackground);
  EXPECT_EQ(PixelOf(*bar, {100, 20}), kSkinBackground);
  EXPECT_EQ(PixelOf(main, {150, 150}), platform);
}

TEST(WindowSkin, LabelsShowThePaintedBackgroundAndIconsAreDrawnOverIt) {
  QDialog dialog;
  dialog.resize(200, 120);
  auto* text = new QLabel(QStringLiteral("温度"), &dialog);
  auto* empty = new QLabel(&dialog);
  auto* icon = new QLabel(&dialog);
  const QColor red(255, 0, 0);
  for (QLabel* l : {text, empty}) {
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, red);
    l->setPalette(p);
  }
  text->setGeometry(10, 10, 60, 20);
  empty->setGeometry(10, 40, 60, 20);
  // An icon with a transparent left half and a blue right half.
  QImage picture(32, 32, QImage::Format_ARGB32);
  picture.fill(Qt::transparent);
  QPainter(&picture).fillRect(16, 0, 16, 32, Qt::blue);
  icon->setPixmap(QPixmap::fromImage(picture));
  icon->setGeometry(100, 10, 32, 32);

  WindowSkin skin(test::PartsSettings());
  skin.Apply(&dialog);
  const QImage shot = dialog.grab().toImage();
  EXPECT_EQ(shot.pixelColor(60, 28), kSkinBackground) << "a label with text is transparent";
  EXPECT_EQ(shot.pixelColor(60, 58), red) << "a label without text keeps its own background";
  EXPECT_EQ(shot.pixelColor(104, 20), kSkinBackground) << "the icon's transparent part shows the skin colour";
  EXPECT_EQ(shot.pixelColor(124, 20), QColor(Qt::blue));
}

TEST(WindowSkin, EveryWindowAndButtonIsSkinnedOnce) {
  ControlsDialog d;
  WindowSkin skin(test::PartsSettings());
  QWidget bar;
  skin.Apply(&bar);  // starts following
  d.dialog.show();
  ASSERT_TRUE(WaitUntil([&] { return SkinnedWindow::IsSkinned(d.dialog); })) << "shown, so followed";

  // A second activation, a direct application and hiding and showing
  // again change nothing.
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&d.dialog, &activate);
  skin.Apply(&d.dialog);
  d.dialog.hide();
  d.dialog.show();
  EXPECT_EQ(SkinObjectsOn(d.dialog), 1);
  for (QPushButton* b : {d.push, d.defaultPush, d.inGroup}) EXPECT_EQ(SkinObjectsOn(*b), 1);
  EXPECT_EQ(ShownTag(*d.push), test::kNormalTag);
}

TEST(WindowSkin, FollowsWindowsShownLaterUntilRemoved) {
  WindowSkin skin(test::PartsSettings());
  EXPECT_FALSE(skin.IsFollowing());
  QWidget bar;
  skin.Apply(&bar);
  EXPECT_TRUE(skin.IsFollowing());

  ControlsDialog later;
  later.dialog.show();
  ASSERT_TRUE(WaitUntil([&] { return SkinnedWindow::IsSkinned(later.dialog); }));
  EXPECT_TRUE(SkinnedButton::IsSkinned(*later.push));
  EXPECT_EQ(PixelOf(later.dialog, {1, 1}), kSkinBackground);

  // A button added to the shown window is skinned when it is shown.
  auto* added = new QPushButton(QStringLiteral("新增"), &later.dialog);
  added->show();
  EXPECT_TRUE(SkinnedButton::IsSkinned(*added));

  // Menus are not windows the skin follows.
  QMenu menu;
  menu.addAction(QStringLiteral("打开文件"));
  menu.popup(QPoint(0, 0));
  ASSERT_TRUE(WaitUntil([&] { return menu.isVisible(); }));
  EXPECT_FALSE(SkinnedWindow::IsSkinned(menu));
  menu.close();

  skin.Remove();
  EXPECT_FALSE(skin.IsFollowing());
  ControlsDialog afterwards;
  afterwards.dialog.show();
  test::PumpFor(std::chrono::milliseconds(50));
  EXPECT_FALSE(SkinnedWindow::IsSkinned(afterwards.dialog));
  EXPECT_FALSE(SkinnedButton::IsSkinned(*afterwards.push));
  // What was skinned keeps its look.
  EXPECT_EQ(ShownTag(*later.push), test::kNormalTag);
}

TEST(WindowSkin, TheBackgroundOfEveryWindowIsThatOfTheFirstSettings) {
  SkinSettings first = test::PartsSettings();
  first.background = QColor(10, 200, 30);
  SkinSettings second = test::PartsSettings();
  second.background = QColor(200, 10, 30);
  WindowSkin skin(second);
  QWidget bar;
  bar.resize(20, 20);
  QDialog dialog;
  dialog.resize(20, 20);
  skin.Apply(first, &bar);
  skin.Apply(second, &dialog);
  EXPECT_EQ(PixelOf(dialog, {10, 10}), first.background);
}

class SkinnedButtonLooks : public ::testing::Test {
 protected:
  void SetUp() override {
    auto* layout = new QVBoxLayout(&dialog);
    button = new QPushButton(QStringLiteral("发  送"), &dialog);
    other = new QPushButton(QStringLiteral("GM"), &dialog);
    layout->addWidget(button);
    layout->addWidget(other);
    skin.Apply(&dialog);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(WaitUntil([&] { return dialog.isActiveWindow(); }));
    other->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return other->hasFocus(); }));
  }

  void Send(QEvent::Type type) {
    if (type == QEvent::Enter) {
      QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
      QApplication::sendEvent(button, &enter);
    } else {
      QEvent leave(QEvent::Leave);
      QApplication::sendEvent(button, &leave);
    }
  }

  WindowSkin skin{test::PartsSettings()};
  QDialog dialog;
  QPushButton* button = nullptr;
  QPushButton* other = nullptr;
};

TEST_F(SkinnedButtonLooks, HoverFocusAndPressEachShowTheirBitmap) {
  EXPECT_EQ(ShownTag(*button), test::kNormalTag);
  Send(QEvent::Enter);
  EXPECT_EQ(ShownTag(*button), test::kHoverTag);
  Send(QEvent::Leave);
  EXPECT_EQ(ShownTag(*button), test::kNormalTag);

  button->setFocus();
  ASSERT_TRUE(WaitUntil([&] { return button->hasFocus(); }));
  EXPECT_EQ(ShownTag(*button), test::kFocusTag);
  Send(QEvent::Enter);
  EXPECT_EQ(ShownTag(*button), test::kFocusTag) << "the focus look wins over the hover look";
  button->setDown(true);
  EXPECT_EQ(ShownTag(*button), test::kPressedTag);
  button->setDown(false);
  EXPECT_EQ(ShownTag(*button), test::kFocusTag);
}

TEST_F(SkinnedButtonLooks, AButtonThatTakesNoFocusOnClickStillLooksPressedWhileHeld) {
  button->setFocusPolicy(Qt::TabFocus);
  QTest::mousePress(button, Qt::LeftButton);
  ASSERT_TRUE(button->isDown());
  EXPECT_FALSE(button->hasFocus());
  EXPECT_EQ(ShownTag(*button), test::kPressedTag);
  QTest::mouseRelease(button, Qt::LeftButton);
  EXPECT_EQ(ShownTag(*button), test::kNormalTag);
}

TEST_F(SkinnedButtonLooks, KeepsItsAccessibleNameAndDescriptionAndIsPressedThroughAccessibility) {
  button->setObjectName(QStringLiteral("idc_1118"));
  button->setAccessibleName(QStringLiteral("发  送"));
  button->setAccessibleDescription(QStringLiteral("idc_1118"));
  QAccessibleInterface* a11y = QAccessible::queryAccessibleInterface(button);
  ASSERT_NE(a11y, nullptr);
  EXPECT_EQ(a11y->role(), QAccessible::Button);
  EXPECT_EQ(a11y->text(QAccessible::Name), QStringLiteral("发  送"));
  EXPECT_EQ(a11y->text(QAccessible::Description), QStringLiteral("idc_1118"));
  QAccessibleActionInterface* actions = a11y->actionInterface();
  ASSERT_NE(actions, nullptr);
  ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
  QSignalSpy clicked(button, &QPushButton::clicked);
  actions->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_TRUE(WaitUntil([&] { return clicked.count() == 1; }));
}

}  // namespace
}  // namespace zembra
