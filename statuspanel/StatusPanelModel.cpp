#include "statuspanel/StatusPanelModel.h"

#include "platform/Gbk.h"

namespace zembra {
namespace {

const QString kUnknown = QStringLiteral("未知");

// Status word positions.
enum StatusField : std::size_t {
  kFieldMode = 0,
  kFieldSignal = 1,
  kFieldEnable = 2,
  kFieldEmergencyStop = 3,
  kFieldDirection = 4,
  kFieldEeprom = 5,
};

// The reserved alarm position carries the EEPROM error flag on ordinary drives.
constexpr std::size_t kAlarmEepromFlag = 5;

int Digit(char c) { return c - '0'; }

QString ModeText(char c) {
  switch (Digit(c)) {
    case 0: return QStringLiteral("速度模式");
    case 1: return QStringLiteral("位置模式");
    case 2: return QStringLiteral("电流模式");
    case 3: return QStringLiteral("放大器模式");
    default: return QStringLiteral("未知模式");
  }
}

QString SignalText(char c, bool refreshWording) {
  switch (Digit(c)) {
    case 0: return QStringLiteral("RS232指令信号");
    case 1: return refreshWording ? QStringLiteral("模拟电压信号") : QStringLiteral("差分模拟电压");
    case 2: return QStringLiteral("外部PWM信号");
    case 3: return QStringLiteral("步进脉冲信号");
    case 5: return QStringLiteral("单端模拟电压");
    default: return QStringLiteral("未知信号");
  }
}

QString EepromStateText(char c) {
  switch (c) {
    case '0': return QStringLiteral("EEPROM数据错误");
    case '1': return QStringLiteral("EEPROM数据正确");
    case '2': return QStringLiteral("EEPROM正在存储");
    default: return QStringLiteral("EEPROM未知状态");
  }
}

IndicatorColours InactiveColours() {
  return {ColourFromBgr(kInactiveTextBgr), ColourFromBgr(kPanelBackgroundBgr)};
}

}  // namespace

QColor ColourFromBgr(std::uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

StatusPanelModel::StatusPanelModel()
    : m_model(kUnknown), m_version(kUnknown), m_statusWord("00000000"), m_alarmWord("00000000") {
  m_view.mode = QStringLiteral("模式");
  m_view.signal = QStringLiteral("信号源");
  m_view.direction = QStringLiteral("方向");
  m_view.motion = QStringLiteral("运动状态");
  m_view.eeprom = QStringLiteral("EEPROM状态");
  m_view.temperature = QStringLiteral("??");
  m_view.enableText = QStringLiteral("受控");
  m_view.enableChecked = true;
  m_view.alarms.fill(InactiveColours());
  m_view.link = LinkImage::Down;
  ShowIdentity();
}

std::intptr_t StatusPanelModel::Handle(CommandCode code, std::uintptr_t value, const std::string* text) {
  switch (code) {
    case kCodeQNCON:
      OnConnect(value != 0);
      return 0;
    case kCodeGDTY:
      // Without a text there is nothing to show; keep the last model.
      if (text) OnDriveType(FromGbk(*text));
      return 0;
    case kCodeENA:
      OnEnable(static_cast<int>(static_cast<std::intptr_t>(value)));
      return 0;
    case kCodeGT:
      // Posted as a signed value; below-zero readings come through wParam's bits.
      OnTemperature(static_cast<int>(static_cast<std::intptr_t>(value)));
      return 0;
    case kCodeGVER:
      return OnVersion(text ? std::optional<QString>(FromGbk(*text)) : std::nullopt) ? 1 : 0;
    case kCodeGSI:
      if (text) OnStatus(*text);
      return 0;
    case kCodeGEI:
      if (text) OnAlarms(*text);
      return 0;
    default:
      return 0;
  }
}

void StatusPanelModel::OnConnect(bool connected) {
  if (connected) return;
  m_model = kUnknown;
  m_version = kUnknown;
  // The flags describe the texts; with both texts unknown neither can hold,
  // or an unidentified drive would still be decoded as the special one.
  m_modelFlag = false;
  m_versionFlag = false;
  ShowIdentity();
}

void StatusPanelModel::OnDriveType(const QString& model) {
  m_model = model;
  m_modelFlag = (model == kSpecialModel);
  ShowIdentity();
}

void StatusPanelModel::OnEnable(int state) {
  m_enableState = state;
  m_view.enableChecked = (state != 0);
}

void StatusPanelModel::OnTemperature(int degrees) { m_view.temperature = QString::number(degrees); }

bool StatusPanelModel::OnVersion(const std::optional<QString>& text) {
  if (!text) {
    m_view.link = LinkImage::Down;
    m_model = kUnknown;
    m_version = kUnknown;
    m_modelFlag = false;
    m_versionFlag = false;
    ShowIdentity();
    return false;
  }
  m_view.link = LinkImage::Up;
  const qsizetype comma = text->indexOf(QLatin1Char(','));
  if (comma >= 0) {
    // "model,version": the version flag deliberately stays as it was.
    m_model = text->left(comma);
    m_modelFlag = (m_model == kSpecialModel);
    m_version = text->mid(comma + 1);
  } else {
    m_version = *text;
    m_versionFlag = (m_version == kSpecialVersion);
  }
  ShowIdentity();
  return true;
}

void StatusPanelModel::OnStatus(std::string_view status) {
  if (status.size() < kStatusMinLength) return;
  m_statusWord.assign(status);
  m_statusReceived = true;
  DecodeStatus(DecodePass::Reply);
}

void StatusPanelModel::OnAlarms(std::string_view alarms) {
  if (alarms.size() < kAlarmMinLength) return;
  m_alarmWord.assign(alarms);
  m_alarmsReceived = true;
  if (!SpecialDrive()) {
    m_view.eeprom = m_alarmWord[kAlarmEepromFlag] == '0' ? QStringLiteral("EEPROM数据正确")
                                                          : QStringLiteral("EEPROM数据错误");
  }
  // The indicators follow at the next refresh tick.
}

void StatusPanelModel::RefreshTick() {
  // The stored words start as all zeros; shown before the drive has sent
  // one, they would claim a state (released, reversed, speed mode) that
  // nobody reported. Only words the drive sent are redisplayed.
  if (m_alarmsReceived && m_alarmWord.size() >= kAlarmMinLength) {
    m_blinkPhase ^= 1;
    const QColor pale = ColourFromBgr(kPanelBackgroundBgr);
    const QColor red = ColourFromBgr(kAlarmRedBgr);
    const QColor white = ColourFromBgr(kBlinkTextBgr);
    for (int i = 0; i < kAlarmIndicatorCount; ++i) {
      if (m_alarmWord[static_cast<std::size_t>(i)] == '0') {
        m_view.alarms[i] = InactiveColours();
      } else if (m_blinkPhase == 1) {
        m_view.alarms[i] = {white, red};
      } else {
        m_view.alarms[i] = {red, pale};
      }
    }
  }
  if (m_statusReceived && m_statusWord.size() >= kStatusMinLength) DecodeStatus(DecodePass::Refresh);
  ShowIdentity();
}

void StatusPanelModel::DecodeStatus(DecodePass pass) {
  const std::string& s = m_statusWord;
  const bool refresh = (pass == DecodePass::Refresh);
  m_view.mode = ModeText(s[kFieldMode]);
  m_view.signal = SignalText(s[kFieldSignal], refresh);
  m_view.direction = s[kFieldDirection] == '0' ? QStringLiteral("反转") : QStringLiteral("正转");
  if (refresh) {
    // The tick only redraws indicator 1223. It must not overwrite the enable
    // state: the frame may have flipped it since this status word arrived,
    // and the next press of the enable button reads it.
    m_view.enableText = s[kFieldEnable] == '0' ? QStringLiteral("脱离") : QStringLiteral("受控");
  } else {
    OnEnable(Digit(s[kFieldEnable]));
  }
  if (SpecialDrive()) {
    m_view.motion = QStringLiteral("保留");
    m_view.eeprom = EepromStateText(s[kFieldEeprom]);
  } else {
    m_view.motion = s[kFieldEmergencyStop] == '0' ? QStringLiteral("正常") : QStringLiteral("急停中");
  }
}

void StatusPanelModel::ShowIdentity() {
  m_view.model = m_model;
  m_view.version = m_version;
}

}  // namespace zembra
