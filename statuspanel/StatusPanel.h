#pragma once
// The drive status strip along the top of the main window: model, version,
// mode, alarms and temperature of the connected drive, plus the buttons the
// main frame uses to reach the drive directly. The strip never talks to the
// drive; the main frame hands it replies with WM_STATUS_PANEL and handles
// its buttons through the signals below.
#include <QWidget>
#include <array>
#include <cstdint>

#include "link/LinkState.h"
#include "statuspanel/StatusPanelModel.h"
#include "platform/WindowRuntime.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace zembra {

class CEditEx;

class CStatusPanel : public QWidget, public MessageWindow {
  Q_OBJECT

 public:
  enum ControlId : int {
    IDC_TEMPERATURE = 1067,
    IDC_CONNECT = 1116,
    IDC_SEND = 1118,
    IDC_GM = 1136,
    IDC_REFRESH = 1138,
    IDC_ENABLE = 1144,
    IDC_GV = 1147,
    IDC_PO = 1148,
    IDC_VERSION = 1149,
    IDC_MODEL = 1150,
    IDC_GSE = 1151,
    IDC_MODE = 1182,
    IDC_SIGNAL = 1183,
    IDC_DIRECTION = 1185,
    IDC_MOTION = 1213,
    IDC_EEPROM = 1214,
    IDC_ENABLE_STATE = 1223,
    IDC_COMMAND = 32859,
  };
  // The alarm indicators in the order of the alarm word's characters.
  static constexpr std::array<int, kAlarmIndicatorCount> kAlarmIds = {1215, 1216, 1217, 1218, 1219,
                                                                       1220, 1221, 1222, 1224, 1225};
  static constexpr int kHiddenAlarmIndex = 5;  // the reserved position, 1220
  static constexpr std::uint32_t kRefreshPeriodMs = 1000;

  explicit CStatusPanel(const LinkState& link, QWidget* parent = nullptr);
  ~CStatusPanel() override;

  // WM_STATUS_PANEL: returns the model's result (1 for an accepted version
  // text). The text of a reply travels as the message payload, or none.
  std::intptr_t OnMessage(const WindowMessage& message) override;
  // TIMER_PANEL_REFRESH: redisplays the stored replies while connected.
  void OnTimer(std::uint32_t timerId) override;

  int EnableState() const { return m_model.EnableState(); }
  QComboBox* CommandCombo() const { return m_command; }
  // Sets the check box without emitting enableToggled.
  void SetEnableCheck(bool checked);
  const StatusPanelModel& Model() const { return m_model; }

 signals:
  void connectClicked();
  void refreshClicked();
  void gmClicked();
  void gvClicked();
  void poClicked();
  void gseClicked();
  void enableToggled(bool checked);
  void sendClicked();

 private:
  enum class CheckBoxSync { Apply, Keep };

  void BuildControls();
  void BuildLayout();
  void ApplyView(CheckBoxSync sync);

  const LinkState& m_link;
  StatusPanelModel m_model;

  QLabel* m_modelLabel = nullptr;
  QLabel* m_versionLabel = nullptr;
  QLabel* m_temperatureLabel = nullptr;
  QLabel* m_degreeLabel = nullptr;
  CEditEx* m_modelEdit = nullptr;
  CEditEx* m_versionEdit = nullptr;
  QLineEdit* m_mode = nullptr;
  QLineEdit* m_signal = nullptr;
  QLineEdit* m_direction = nullptr;
  QLineEdit* m_motion = nullptr;
  QLineEdit* m_eeprom = nullptr;
  QLineEdit* m_temperature = nullptr;
  std::array<CEditEx*, kAlarmIndicatorCount> m_alarms{};
  CEditEx* m_enableState = nullptr;
  QCheckBox* m_enableCheck = nullptr;
  QToolButton* m_connect = nullptr;
  QToolButton* m_refresh = nullptr;
  QPushButton* m_gm = nullptr;
  QPushButton* m_gv = nullptr;
  QPushButton* m_po = nullptr;
  QPushButton* m_gse = nullptr;
  QComboBox* m_command = nullptr;
  QPushButton* m_send = nullptr;
};

}  // namespace zembra
