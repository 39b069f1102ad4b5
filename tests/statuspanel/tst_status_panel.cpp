// Covers CStatusPanel: its controls as found by id (initial texts, tooltips,
// accessible names), WM_STATUS_PANEL delivered through the window runtime,
// the refresh tick gated by the link state, the alarm blinking as painted,
// the button signals, and that the longest texts fit their boxes.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <memory>

#include "statuspanel/ColourEdit.h"
#include "statuspanel/StatusPanel.h"
#include "platform/Gbk.h"
#include "platform/WindowMessages.h"

namespace zembra {
namespace {

class StatusPanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    panel = std::make_unique<CStatusPanel>(link);
    panel->resize(1280, panel->sizeHint().height());
    panel->show();
  }

  template <typename T = QWidget>
  T* Control(int id) {
    T* w = panel->findChild<T*>(QStringLiteral("idc_%1").arg(id));
    EXPECT_NE(w, nullptr) << "no control idc_" << id;
    return w;
  }
  QString EditText(int id) {
    QLineEdit* e = Control<QLineEdit>(id);
    return e ? e->text() : QStringLiteral("<missing>");
  }
  std::intptr_t SendText(CommandCode code, const std::string& text) {
    return SendMessage(panel->Handle(), WM_STATUS_PANEL, 0, static_cast<std::intptr_t>(code), MakePayload(text));
  }
  std::intptr_t SendValue(CommandCode code, std::intptr_t value) {
    return SendMessage(panel->Handle(), WM_STATUS_PANEL, static_cast<std::uintptr_t>(value),
                       static_cast<std::intptr_t>(code));
  }
  void Tick() { panel->OnTimer(TIMER_PANEL_REFRESH); }

  LinkState link;
  std::unique_ptr<CStatusPanel> panel;
};

TEST_F(StatusPanelTest, ShowsTheInitialTexts) {
  EXPECT_EQ(EditText(1150), "未知");
  EXPECT_EQ(EditText(1149), "未知");
  EXPECT_EQ(EditText(1182), "模式");
  EXPECT_EQ(EditText(1183), "信号源");
  EXPECT_EQ(EditText(1185), "方向");
  EXPECT_EQ(EditText(1213), "运动状态");
  EXPECT_EQ(EditText(1214), "EEPROM状态");
  EXPECT_EQ(EditText(1067), "??");
  EXPECT_EQ(EditText(1223), "受控");
  const char* alarms[] = {"热报警", "热保护", "过  流", "欠  压", "过  压", "保  留", "速失控", "位失调", "过  载", "跟踪超限"};
  for (int i = 0; i < kAlarmIndicatorCount; ++i) {
    EXPECT_EQ(EditText(CStatusPanel::kAlarmIds[i]), QString::fromUtf8(alarms[i]));
    CEditEx* e = Control<CEditEx>(CStatusPanel::kAlarmIds[i]);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->TextColour(), ColourFromBgr(kInactiveTextBgr));
    EXPECT_EQ(e->BackColour(), ColourFromBgr(kPanelBackgroundBgr));
    EXPECT_EQ(e->isVisible(), CStatusPanel::kAlarmIds[i] != 1220);
    EXPECT_EQ(e->font().weight(), QFont::Black);
    EXPECT_EQ(e->font().pixelSize(), 14);
  }
  EXPECT_TRUE(Control<QCheckBox>(1144)->isChecked());
  EXPECT_EQ(Control<QCheckBox>(1144)->text(), "受控");
  EXPECT_EQ(Control<QPushButton>(1118)->text(), "发  送");
  EXPECT_TRUE(Control<QComboBox>(32859)->isEditable());
  for (int id : {1150, 1149, 1182, 1183, 1185, 1213, 1214, 1067, 1223}) {
    EXPECT_TRUE(Control<QLineEdit>(id)->isReadOnly()) << id;
  }
  EXPECT_TRUE(IsTimerRunning(panel->Handle(), TIMER_PANEL_REFRESH));
}

TEST_F(StatusPanelTest, ButtonsCarryTheirTooltips) {
  EXPECT_EQ(Control(1116)->toolTip(), "手动连接");
  EXPECT_EQ(Control(1136)->toolTip(), "获取实时位置");
  EXPECT_EQ(Control(1147)->toolTip(), "获取实时速度");
  EXPECT_EQ(Control(1148)->toolTip(), "位置清零");
  EXPECT_EQ(Control(1151)->toolTip(), "获取步进模式实际位置跟踪误差");
}

TEST_F(StatusPanelTest, EveryControlHasAnAccessibleNameAndEveryIdItsDescription) {
  int tagged = 0;
  for (QWidget* w : panel->findChildren<QWidget*>()) {
    const bool control = qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractButton*>(w) ||
                         qobject_cast<QComboBox*>(w) || qobject_cast<QLabel*>(w);
    // The combo box's own line edit is part of it and named through it.
    if (!control || qobject_cast<QComboBox*>(w->parentWidget())) continue;
    EXPECT_FALSE(w->accessibleName().isEmpty()) << w->metaObject()->className() << " " << w->objectName().toStdString();
    if (w->objectName().startsWith("idc_")) {
      EXPECT_EQ(w->accessibleDescription(), w->objectName());
      ++tagged;
    }
  }
  // 8 boxes, 10 alarms, 1223, 1144, 2 image buttons, 4 quick buttons, combo, send.
  EXPECT_EQ(tagged, 8 + 10 + 1 + 1 + 2 + 4 + 1 + 1);
  EXPECT_EQ(Control(1150)->accessibleName(), "驱动器型号");
  EXPECT_EQ(Control(1067)->accessibleName(), "温度");
  EXPECT_EQ(Control(1225)->accessibleName(), "跟踪超限");
  EXPECT_EQ(Control(1138)->accessibleName(), "状态刷新");
}

TEST_F(StatusPanelTest, StatusReplyFillsTheBoxesAndTheTickFollows) {
  SendText(kCodeGDTY, "QNDX5000");
  EXPECT_EQ(SendText(kCodeGSI, "110010"), 0);
  EXPECT_EQ(EditText(1150), "QNDX5000");
  EXPECT_EQ(EditText(1182), "位置模式");
  EXPECT_EQ(EditText(1183), "差分模拟电压");
  EXPECT_EQ(EditText(1185), "正转");
  EXPECT_EQ(EditText(1213), "正常");
  EXPECT_FALSE(Control<QCheckBox>(1144)->isChecked());
  EXPECT_EQ(panel->EnableState(), 0);

  link.connected = true;
  Tick();
  EXPECT_EQ(EditText(1183), "模拟电压信号");
  EXPECT_EQ(EditText(1223), "脱离");
}

TEST_F(StatusPanelTest, VersionResultTellsWhetherATextCame) {
  EXPECT_EQ(SendText(kCodeGVER, "QNDX7720,2.05"), 1);
  EXPECT_EQ(EditText(1150), "QNDX7720");
  EXPECT_EQ(EditText(1149), "2.05");
  const QImage up = QImage(":/status/link_up.png").convertToFormat(QImage::Format_ARGB32);
  const QImage down = QImage(":/status/link_down.png").convertToFormat(QImage::Format_ARGB32);
  ASSERT_FALSE(up.isNull());
  ASSERT_FALSE(down.isNull());
  ASSERT_NE(up, down);
  auto shown = [&] {
    return Control<QToolButton>(1116)->icon().pixmap(up.size()).toImage().convertToFormat(QImage::Format_ARGB32);
  };
  EXPECT_EQ(shown(), up);

  EXPECT_EQ(SendValue(kCodeGVER, 0), 0);
  EXPECT_EQ(EditText(1150), "未知");
  EXPECT_EQ(EditText(1149), "未知");
  EXPECT_EQ(shown(), down);
}

TEST_F(StatusPanelTest, ValuesAndUnknownCodes) {
  SendValue(kCodeGT, 38);
  EXPECT_EQ(EditText(1067), "38");
  EXPECT_EQ(SendValue(kCodeGSP, 1200), 0);
  EXPECT_EQ(SendText(kCodeGENC, "4000"), 0);
  EXPECT_EQ(EditText(1067), "38");
  EXPECT_EQ(EditText(1150), "未知");
  // Other messages are not the panel's.
  EXPECT_EQ(SendMessage(panel->Handle(), WM_PAGE_NOTIFY, 1, 155, MakePayload("1.00")), 0);
  EXPECT_EQ(EditText(1149), "未知");
}

TEST_F(StatusPanelTest, GbkModelTextIsShownAsChinese) {
  SendText(kCodeGDTY, ToGbk(QStringLiteral("未知驱动器")));
  EXPECT_EQ(EditText(1150), "未知驱动器");
}

TEST_F(StatusPanelTest, TickDoesNothingWhileNotConnected) {
  SendText(kCodeGSI, "010010");
  SendText(kCodeGEI, "1000000000");
  Tick();
  Tick();
  EXPECT_EQ(EditText(1183), "差分模拟电压");
  EXPECT_EQ(Control<CEditEx>(1215)->TextColour(), ColourFromBgr(kInactiveTextBgr));
  EXPECT_EQ(panel->Model().BlinkPhase(), 0);
  // Ticks of other timers are not refreshes.
  link.connected = true;
  panel->OnTimer(TIMER_STATUS_POLL);
  EXPECT_EQ(panel->Model().BlinkPhase(), 0);
}

// Colour of the indicator as painted, sampled near its left edge inside the frame.
QColor PaintedBackground(QWidget* w) {
  const QImage img = w->grab().toImage();
  return img.pixelColor(4, img.height() / 2);
}

TEST_F(StatusPanelTest, ActiveAlarmAlternatesBetweenTicksAsPainted) {
  link.connected = true;
  SendText(kCodeGEI, "0010000001");
  EXPECT_EQ(EditText(1214), "EEPROM数据正确");
  CEditEx* overCurrent = Control<CEditEx>(1217);
  CEditEx* tracking = Control<CEditEx>(1225);
  CEditEx* quiet = Control<CEditEx>(1215);
  ASSERT_TRUE(overCurrent && tracking && quiet);
  const QColor red = ColourFromBgr(kAlarmRedBgr);
  const QColor pale = ColourFromBgr(kPanelBackgroundBgr);

  Tick();
  EXPECT_EQ(overCurrent->BackColour(), red);
  EXPECT_EQ(overCurrent->TextColour(), ColourFromBgr(kBlinkTextBgr));
  EXPECT_EQ(tracking->BackColour(), red);
  EXPECT_EQ(PaintedBackground(overCurrent), red);
  EXPECT_EQ(PaintedBackground(quiet), pale);

  Tick();
  EXPECT_EQ(overCurrent->BackColour(), pale);
  EXPECT_EQ(overCurrent->TextColour(), red);
  EXPECT_EQ(PaintedBackground(overCurrent), pale);
  EXPECT_EQ(quiet->TextColour(), ColourFromBgr(kInactiveTextBgr));

  Tick();
  EXPECT_EQ(PaintedBackground(tracking), red);
}

TEST_F(StatusPanelTest, EnableCheckBoxFollowsTheFrameNotTheTick) {
  link.connected = true;
  SendText(kCodeGSI, "001010");
  QCheckBox* box = Control<QCheckBox>(1144);
  ASSERT_TRUE(box->isChecked());
  int toggles = 0;
  bool lastChecked = true;
  QObject::connect(panel.get(), &CStatusPanel::enableToggled, [&](bool c) {
    ++toggles;
    lastChecked = c;
  });
  box->click();
  EXPECT_EQ(toggles, 1);
  EXPECT_FALSE(lastChecked);
  // A redisplay before the frame answers leaves the user's press alone.
  Tick();
  EXPECT_FALSE(box->isChecked());
  // The frame refused the send: the box springs back, without a new signal.
  SendValue(kCodeENA, 1);
  EXPECT_TRUE(box->isChecked());
  EXPECT_EQ(toggles, 1);
  panel->SetEnableCheck(false);
  EXPECT_FALSE(box->isChecked());
  EXPECT_EQ(toggles, 1);
  EXPECT_EQ(panel->EnableState(), 1);
}

TEST_F(StatusPanelTest, ButtonsEmitTheirSignals) {
  std::map<std::string, int> hits;
  auto count = [&](const char* name) { return [&hits, name] { ++hits[name]; }; };
  QObject::connect(panel.get(), &CStatusPanel::connectClicked, count("connect"));
  QObject::connect(panel.get(), &CStatusPanel::refreshClicked, count("refresh"));
  QObject::connect(panel.get(), &CStatusPanel::gmClicked, count("gm"));
  QObject::connect(panel.get(), &CStatusPanel::gvClicked, count("gv"));
  QObject::connect(panel.get(), &CStatusPanel::poClicked, count("po"));
  QObject::connect(panel.get(), &CStatusPanel::gseClicked, count("gse"));
  QObject::connect(panel.get(), &CStatusPanel::sendClicked, count("send"));
  const std::pair<int, const char*> buttons[] = {{1116, "connect"}, {1138, "refresh"}, {1136, "gm"}, {1147, "gv"},
                                                 {1148, "po"},      {1151, "gse"},     {1118, "send"}};
  for (const auto& [id, name] : buttons) {
    Control<QAbstractButton>(id)->click();
    EXPECT_EQ(hits[name], 1) << name;
  }
  EXPECT_EQ(hits.size(), 7u);
  EXPECT_EQ(panel->CommandCombo(), Control<QComboBox>(32859));
}

TEST_F(StatusPanelTest, LongestTextsFitTheirBoxes) {
  link.connected = true;
  SendText(kCodeGDTY, "QNDX7720");
  SendText(kCodeGVER, "1.00");
  SendText(kCodeGSI, "301005");  // 放大器模式, RS232指令信号, EEPROM未知状态
  SendValue(kCodeGT, -125);
  QApplication::processEvents();
  auto fits = [&](int id) {
    QLineEdit* e = Control<QLineEdit>(id);
    const int room = e->contentsRect().width() - e->textMargins().left() - e->textMargins().right() - 4;
    EXPECT_LE(e->fontMetrics().horizontalAdvance(e->text()), room)
        << "idc_" << id << " clips " << e->text().toStdString();
  };
  for (int id : {1150, 1149, 1182, 1183, 1213, 1214, 1067}) fits(id);
  Tick();
  for (int id : {1183, 1223}) fits(id);
  for (int i = 0; i < kAlarmIndicatorCount; ++i) {
    if (CStatusPanel::kAlarmIds[i] != 1220) fits(CStatusPanel::kAlarmIds[i]);
  }
  SendText(kCodeGSI, "050000");  // 单端模拟电压, 反转
  fits(1183);
  fits(1185);
  EXPECT_LE(panel->minimumSizeHint().width(), 1280);

  // For a look by eye: ZEMBRA_PANEL_SNAPSHOT=/tmp/panel.png
  const QByteArray snapshot = qgetenv("ZEMBRA_PANEL_SNAPSHOT");
  if (!snapshot.isEmpty()) panel->grab().save(QString::fromLocal8Bit(snapshot));
}

}  // namespace
}  // namespace zembra

int main(int argc, char** argv) {
  // Test discovery runs this at build time without the test environment;
  // the strip never needs a real display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
