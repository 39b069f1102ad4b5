#pragma once
// Everything the drive status strip knows and decides, without a widget:
// the last replies of the drive, their decoding into display texts, and the
// blinking of the alarm indicators. The strip (CStatusPanel) only copies
// the resulting StatusPanelView into its controls.
#include <QColor>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "link/CommandVocabulary.h"

namespace zembra {

enum class LinkImage { Down, Up };

// Colours are written the way the drive tools always wrote them,
// 0x00BBGGRR, so the numbers can be compared with the old artwork.
constexpr std::uint32_t kPanelBackgroundBgr = 0x00F7E7E7;
constexpr std::uint32_t kInactiveTextBgr = 0x00808080;
constexpr std::uint32_t kBlinkTextBgr = 0x00FFFFFF;
constexpr std::uint32_t kAlarmRedBgr = 0x000000FF;

QColor ColourFromBgr(std::uint32_t bgr);

struct IndicatorColours {
  QColor text;
  QColor background;
  bool operator==(const IndicatorColours&) const = default;
};

constexpr int kAlarmIndicatorCount = 10;

// What the strip shows. Each member is the text of one control.
struct StatusPanelView {
  QString model;        // 1150
  QString version;      // 1149
  QString mode;         // 1182
  QString signal;       // 1183
  QString direction;    // 1185
  QString motion;       // 1213
  QString eeprom;       // 1214
  QString temperature;  // 1067
  QString enableText;   // 1223
  bool enableChecked = true;  // check box 1144
  std::array<IndicatorColours, kAlarmIndicatorCount> alarms;
  LinkImage link = LinkImage::Down;
};

class StatusPanelModel {
 public:
  static constexpr std::size_t kStatusMinLength = 6;
  static constexpr std::size_t kAlarmMinLength = 10;
  static inline const QString kSpecialModel = QStringLiteral("QNDX7720");
  static inline const QString kSpecialVersion = QStringLiteral("1.00");

  StatusPanelModel();

  // One WM_STATUS_PANEL message, whose lParam is the code of the command
  // the reply answers. `text` is the reply's GBK bytes, or null
  // when the sender handed over no text; `value` is wParam. Returns the
  // message result (non-zero only for an accepted version text).
  std::intptr_t Handle(CommandCode code, std::uintptr_t value, const std::string* text);

  void OnConnect(bool connected);
  void OnDriveType(const QString& model);
  void OnEnable(int state);
  void OnTemperature(int degrees);
  // Returns true when a version text was taken (the drive counts as identified).
  bool OnVersion(const std::optional<QString>& text);
  void OnStatus(std::string_view status);
  void OnAlarms(std::string_view alarms);
  // The once-a-second redisplay of the stored replies; also flips the blink.
  void RefreshTick();

  const StatusPanelView& View() const { return m_view; }
  const QString& ModelText() const { return m_model; }
  const QString& VersionText() const { return m_version; }
  const std::string& StatusWord() const { return m_statusWord; }
  const std::string& AlarmWord() const { return m_alarmWord; }
  int EnableState() const { return m_enableState; }
  bool ModelFlag() const { return m_modelFlag; }
  bool VersionFlag() const { return m_versionFlag; }
  bool SpecialDrive() const { return m_modelFlag && m_versionFlag; }
  int BlinkPhase() const { return m_blinkPhase; }

 private:
  enum class DecodePass { Reply, Refresh };

  void DecodeStatus(DecodePass pass);
  void ShowIdentity();

  QString m_model;
  QString m_version;
  std::string m_statusWord;
  std::string m_alarmWord;
  bool m_statusReceived = false;
  bool m_alarmsReceived = false;
  int m_enableState = 1;
  bool m_modelFlag = false;
  bool m_versionFlag = false;
  int m_blinkPhase = 0;
  StatusPanelView m_view;
};

}  // namespace zembra
