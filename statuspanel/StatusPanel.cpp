#include "statuspanel/StatusPanel.h"

#include <QCheckBox>
#include <algorithm>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QToolButton>
#include <QVBoxLayout>

#include "statuspanel/ColourEdit.h"
#include "platform/WindowMessages.h"

// Resource initialisers must be called from the global namespace; calling it
// also keeps the linker from dropping the images out of the static library.
static void InitStatusPanelResources() { Q_INIT_RESOURCE(status_panel); }

namespace zembra {
namespace {

const std::array<QString, kAlarmIndicatorCount> kAlarmTexts = {
    QStringLiteral("热报警"), QStringLiteral("热保护"), QStringLiteral("过  流"),   QStringLiteral("欠  压"),
    QStringLiteral("过  压"), QStringLiteral("保  留"), QStringLiteral("速失控"), QStringLiteral("位失调"),
    QStringLiteral("过  载"), QStringLiteral("跟踪超限")};

const QString kLinkUpImage = QStringLiteral(":/status/link_up.png");
const QString kLinkDownImage = QStringLiteral(":/status/link_down.png");
const QString kRefreshImage = QStringLiteral(":/status/refresh.png");

constexpr int kImageButtonSize = 40;
constexpr int kImageSize = 32;
constexpr int kColourEditPixelSize = 14;
constexpr int kEditPadding = 14;  // frame and text margins of an edit
constexpr int kButtonPadding = 20;
constexpr int kMinButtonWidth = 48;

// Every control with an id is found by it, by tests and screen readers alike.
void Tag(QWidget* w, int id, const QString& accessibleName) {
  const QString idc = QStringLiteral("idc_%1").arg(id);
  w->setObjectName(idc);
  w->setAccessibleDescription(idc);
  w->setAccessibleName(accessibleName);
}

QFont ColourEditFont() {
  QFont f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(kColourEditPixelSize);
  f.setWeight(QFont::Black);
  return f;
}

// Wide enough for the longest text the box is ever given.
int WidthFor(const QFont& font, const QStringList& texts) {
  const QFontMetrics fm(font);
  int w = 0;
  for (const QString& t : texts) w = std::max(w, fm.horizontalAdvance(t));
  return w + kEditPadding;
}

QLineEdit* MakeTextBox(QWidget* parent, int id, const QString& name, const QStringList& texts) {
  auto* e = new QLineEdit(parent);
  Tag(e, id, name);
  e->setReadOnly(true);
  e->setAlignment(Qt::AlignCenter);
  e->setFocusPolicy(Qt::NoFocus);
  e->setFixedWidth(WidthFor(e->font(), texts));
  return e;
}

CEditEx* MakeColourEdit(QWidget* parent, int id, const QString& name, const QFont& font) {
  auto* e = new CEditEx(parent);
  Tag(e, id, name);
  e->SetTextFont(font);
  e->SetBackColour(ColourFromBgr(kPanelBackgroundBgr));
  return e;
}

QLabel* MakeLabel(QWidget* parent, const QString& text, QWidget* buddy) {
  auto* l = new QLabel(text, parent);
  l->setAccessibleName(text);
  if (buddy) l->setBuddy(buddy);
  return l;
}

QPushButton* MakeButton(QWidget* parent, int id, const QString& caption, const QString& tip) {
  auto* b = new QPushButton(caption, parent);
  Tag(b, id, caption);
  if (!tip.isEmpty()) b->setToolTip(tip);
  b->setFocusPolicy(Qt::TabFocus);
  // Styles give push buttons a wide minimum; the strip has no room for it.
  b->setFixedWidth(std::max(kMinButtonWidth, b->fontMetrics().horizontalAdvance(caption) + kButtonPadding));
  return b;
}

QToolButton* MakeImageButton(QWidget* parent, int id, const QString& caption, const QString& tip) {
  auto* b = new QToolButton(parent);
  Tag(b, id, caption);
  b->setText(caption);
  b->setToolButtonStyle(Qt::ToolButtonIconOnly);
  b->setIconSize(QSize(kImageSize, kImageSize));
  b->setFixedSize(kImageButtonSize, kImageButtonSize);
  b->setAutoRaise(false);
  if (!tip.isEmpty()) b->setToolTip(tip);
  return b;
}

}  // namespace

CStatusPanel::CStatusPanel(const LinkState& link, QWidget* parent) : QWidget(parent), m_link(link) {
  InitStatusPanelResources();
  setObjectName(QStringLiteral("statusPanel"));
  setAccessibleName(QStringLiteral("驱动器状态"));
  BuildControls();
  BuildLayout();
  ApplyView(CheckBoxSync::Apply);
  SetTimer(Handle(), TIMER_PANEL_REFRESH, kRefreshPeriodMs);
}

CStatusPanel::~CStatusPanel() { KillTimer(Handle(), TIMER_PANEL_REFRESH); }

void CStatusPanel::BuildControls() {
  const QFont colourFont = ColourEditFont();

  m_modelEdit = MakeColourEdit(this, IDC_MODEL, QStringLiteral("驱动器型号"), colourFont);
  m_modelEdit->SetTextColour(palette().color(QPalette::Text));
  m_modelEdit->setMinimumWidth(WidthFor(colourFont, {QStringLiteral("QNDX7720-00"), QStringLiteral("未知驱动器")}));
  m_versionEdit = MakeColourEdit(this, IDC_VERSION, QStringLiteral("软件版本"), colourFont);
  m_versionEdit->SetTextColour(palette().color(QPalette::Text));
  m_versionEdit->setFixedWidth(WidthFor(colourFont, {QStringLiteral("00.00.00")}));
  m_modelLabel = MakeLabel(this, QStringLiteral("驱动器型号"), m_modelEdit);
  m_versionLabel = MakeLabel(this, QStringLiteral("软件版本"), m_versionEdit);

  m_mode = MakeTextBox(this, IDC_MODE, QStringLiteral("模式"), {QStringLiteral("放大器模式")});
  m_signal = MakeTextBox(this, IDC_SIGNAL, QStringLiteral("信号源"),
                         {QStringLiteral("RS232指令信号"), QStringLiteral("模拟电压信号")});
  m_direction = MakeTextBox(this, IDC_DIRECTION, QStringLiteral("方向"), {QStringLiteral("反转")});
  m_motion = MakeTextBox(this, IDC_MOTION, QStringLiteral("运动状态"), {QStringLiteral("运动状态")});
  m_eeprom = MakeTextBox(this, IDC_EEPROM, QStringLiteral("EEPROM状态"), {QStringLiteral("EEPROM未知状态")});
  m_temperature = MakeTextBox(this, IDC_TEMPERATURE, QStringLiteral("温度"), {QStringLiteral("-888")});
  m_temperatureLabel = MakeLabel(this, QStringLiteral("温度"), m_temperature);
  m_degreeLabel = MakeLabel(this, QStringLiteral("℃"), nullptr);

  const int alarmWidth = WidthFor(colourFont, QStringList(kAlarmTexts.begin(), kAlarmTexts.end()));
  for (int i = 0; i < kAlarmIndicatorCount; ++i) {
    CEditEx* e = MakeColourEdit(this, kAlarmIds[i], kAlarmTexts[i], colourFont);
    e->SetTextColour(ColourFromBgr(kInactiveTextBgr));
    e->setText(kAlarmTexts[i]);
    e->setFixedWidth(alarmWidth);
    if (i == kHiddenAlarmIndex) e->setVisible(false);
    m_alarms[i] = e;
  }
  m_enableState = MakeColourEdit(this, IDC_ENABLE_STATE, QStringLiteral("使能状态"), colourFont);
  m_enableState->SetTextColour(palette().color(QPalette::Text));
  m_enableState->setFixedWidth(WidthFor(colourFont, {QStringLiteral("受控"), QStringLiteral("脱离")}));

  m_enableCheck = new QCheckBox(QStringLiteral("受控"), this);
  Tag(m_enableCheck, IDC_ENABLE, QStringLiteral("受控"));
  m_enableCheck->setChecked(true);

  m_connect = MakeImageButton(this, IDC_CONNECT, QStringLiteral("手动连接"), QStringLiteral("手动连接"));
  m_refresh = MakeImageButton(this, IDC_REFRESH, QStringLiteral("状态刷新"), QString());
  m_refresh->setIcon(QIcon(kRefreshImage));

  m_gm = MakeButton(this, IDC_GM, QStringLiteral("GM"), QStringLiteral("获取实时位置"));
  m_gv = MakeButton(this, IDC_GV, QStringLiteral("GV"), QStringLiteral("获取实时速度"));
  m_po = MakeButton(this, IDC_PO, QStringLiteral("PO"), QStringLiteral("位置清零"));
  m_gse = MakeButton(this, IDC_GSE, QStringLiteral("GSE"), QStringLiteral("获取步进模式实际位置跟踪误差"));

  m_command = new QComboBox(this);
  Tag(m_command, IDC_COMMAND, QStringLiteral("发送内容"));
  m_command->setEditable(true);
  // The main frame keeps the history itself (newest first, at most 15).
  m_command->setInsertPolicy(QComboBox::NoInsert);
  m_command->setMinimumWidth(WidthFor(m_command->font(), {QStringLiteral("SSP1234567890ABCD")}) + 24);
  m_send = MakeButton(this, IDC_SEND, QStringLiteral("发  送"), QString());

  connect(m_connect, &QToolButton::clicked, this, &CStatusPanel::connectClicked);
  connect(m_refresh, &QToolButton::clicked, this, &CStatusPanel::refreshClicked);
  connect(m_gm, &QPushButton::clicked, this, &CStatusPanel::gmClicked);
  connect(m_gv, &QPushButton::clicked, this, &CStatusPanel::gvClicked);
  connect(m_po, &QPushButton::clicked, this, &CStatusPanel::poClicked);
  connect(m_gse, &QPushButton::clicked, this, &CStatusPanel::gseClicked);
  // clicked, not toggled: only the user's press is a request to the drive.
  connect(m_enableCheck, &QCheckBox::clicked, this, &CStatusPanel::enableToggled);
  connect(m_send, &QPushButton::clicked, this, &CStatusPanel::sendClicked);
}

void CStatusPanel::BuildLayout() {
  auto* top = new QHBoxLayout;
  top->setSpacing(4);
  top->addWidget(m_modelLabel);
  top->addWidget(m_modelEdit, 1);
  top->addSpacing(6);
  top->addWidget(m_versionLabel);
  top->addWidget(m_versionEdit);
  top->addSpacing(6);
  for (QWidget* w : {static_cast<QWidget*>(m_mode), static_cast<QWidget*>(m_signal),
                     static_cast<QWidget*>(m_direction), static_cast<QWidget*>(m_motion),
                     static_cast<QWidget*>(m_eeprom)}) {
    top->addWidget(w);
  }
  top->addSpacing(6);
  top->addWidget(m_temperatureLabel);
  top->addWidget(m_temperature);
  top->addWidget(m_degreeLabel);
  top->addSpacing(6);
  top->addWidget(m_enableState);
  top->addWidget(m_enableCheck);
  top->addStretch(0);

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(4);
  for (CEditEx* e : m_alarms) bottom->addWidget(e);
  bottom->addStretch(1);
  bottom->addSpacing(6);
  bottom->addWidget(m_gm);
  bottom->addWidget(m_gv);
  bottom->addWidget(m_po);
  bottom->addWidget(m_gse);
  bottom->addSpacing(6);
  bottom->addWidget(m_command, 1);
  bottom->addWidget(m_send);

  auto* rows = new QVBoxLayout;
  rows->setSpacing(3);
  rows->addLayout(top);
  rows->addLayout(bottom);

  auto* strip = new QHBoxLayout(this);
  strip->setContentsMargins(4, 3, 4, 3);
  strip->setSpacing(4);
  strip->addWidget(m_connect, 0, Qt::AlignVCenter);
  strip->addWidget(m_refresh, 0, Qt::AlignVCenter);
  strip->addSpacing(4);
  strip->addLayout(rows, 1);

  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

std::intptr_t CStatusPanel::OnMessage(const WindowMessage& message) {
  if (message.msg != WM_STATUS_PANEL) return 0;
  const std::intptr_t result = m_model.Handle(static_cast<CommandCode>(message.lParam), message.wParam, message.payload.get());
  ApplyView(CheckBoxSync::Apply);
  return result;
}

void CStatusPanel::OnTimer(std::uint32_t timerId) {
  if (timerId != TIMER_PANEL_REFRESH) return;
  // After a disconnection the last state stays on screen, unchanged.
  if (!m_link.connected.load()) return;
  m_model.RefreshTick();
  // The tick never touches the check box: a press the frame has not yet
  // answered must not be undone by the once-a-second redisplay.
  ApplyView(CheckBoxSync::Keep);
}

void CStatusPanel::SetEnableCheck(bool checked) {
  const QSignalBlocker block(m_enableCheck);
  m_enableCheck->setChecked(checked);
}

void CStatusPanel::ApplyView(CheckBoxSync sync) {
  const StatusPanelView& v = m_model.View();
  m_modelEdit->setText(v.model);
  m_versionEdit->setText(v.version);
  m_mode->setText(v.mode);
  m_signal->setText(v.signal);
  m_direction->setText(v.direction);
  m_motion->setText(v.motion);
  m_eeprom->setText(v.eeprom);
  m_temperature->setText(v.temperature);
  m_enableState->setText(v.enableText);
  for (int i = 0; i < kAlarmIndicatorCount; ++i) {
    m_alarms[i]->SetTextColour(v.alarms[i].text);
    m_alarms[i]->SetBackColour(v.alarms[i].background);
  }
  m_connect->setIcon(QIcon(v.link == LinkImage::Up ? kLinkUpImage : kLinkDownImage));
  if (sync == CheckBoxSync::Apply) SetEnableCheck(v.enableChecked);
}

}  // namespace zembra
