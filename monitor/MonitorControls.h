#pragma once
// The controls of the monitoring page and their layout: the chart with its
// axes on the left, the monitoring, motion and axis settings on the right,
// the step test under the chart, the view buttons and the cursor readout
// below. It also moves the
// settings between the controls and their members, refusing entries that
// are not numbers the way a dialog does.
#include <QString>
#include <array>

#include "monitor/MonitorSettings.h"
#include "monitor/StepTestControls.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class QWidget;

namespace zembra {

class ChartAxesPanel;

class MonitorControls {
 public:
  enum ControlId : int {
    IDC_CONTENT_SPEED = 1201,
    IDC_CONTENT_POSITION = 1202,
    IDC_CONTENT_CURRENT = 1229,
    IDC_CONTENT_COMMAND = 1225,
    IDC_USER_COMMAND = 1226,
    IDC_RUN_SPEED = 1157,
    IDC_RUN_ABSOLUTE = 1006,
    IDC_RUN_RELATIVE = 1007,
    IDC_SPEED = 1018,
    IDC_ABSOLUTE = 1161,
    IDC_RELATIVE = 1162,
    IDC_YREF_BOTTOM = 1203,
    IDC_YREF_CENTRE = 1204,
    IDC_Y_BASE = 1196,
    IDC_Y_SPAN = 1197,
    IDC_X_SPAN = 1198,
    IDC_CURSOR_X = 1024,
    IDC_CURSOR_Y = 1025,
    IDC_START = 1140,
    IDC_STOP = 1169,
    IDC_RUN = 1019,
    IDC_ESTOP = 1020,
    IDC_PAN_LEFT = 1195,
    IDC_PAN_RIGHT = 1141,
    IDC_ZOOM_X_IN = 1142,
    IDC_ZOOM_X_OUT = 1143,
    IDC_PAN_UP = 1144,
    IDC_PAN_DOWN = 1145,
    IDC_ZOOM_Y_IN = 1146,
    IDC_ZOOM_Y_OUT = 1147,
    IDC_ZOOM_MODE = 1150,
    IDC_CAPTURE = 1206,
    IDC_ORIGIN = 1200,
    IDC_SET_Y_BASE = 1199,
    IDC_SET_Y_SPAN = 1148,
    IDC_SET_X_SPAN = 1149,
    IDC_CHART = 1009,
    IDC_LINK_RATE = 1230,
    IDC_EXPORT_DATA = 1231,
    IDC_EXPORT_IMAGE = 1232,
    IDC_MOTION_REFUSAL = 1233,
    IDC_FAST_SAMPLING = 1290,
  };

  // Builds every control as a child of `page` and lays them out.
  void Build(QWidget* page);

  // Controls into `settings`; false (and the offending field focused, the
  // user told) when an entry is not a number of its kind.
  bool Read(MonitorSettings& settings) const;
  void Show(const MonitorSettings& settings);

  // What is polled, and how fast, is fixed while monitoring.
  void SetContentEnabled(bool enabled);
  void ShowMonitoring(bool monitoring);
  // Why the last Run or emergency-stop press changed nothing, in red;
  // an empty text hides the line.
  void ShowMotionRefusal(const QString& text);

  StepTestControls step;
  ChartAxesPanel* axes = nullptr;
  std::array<QRadioButton*, 4> content{};  // by MonitorContent
  std::array<QRadioButton*, 3> runMode{};  // by RunMode
  std::array<QRadioButton*, 2> yReference{};  // by YReference
  QLineEdit* userCommand = nullptr;
  QCheckBox* fastSampling = nullptr;
  QLineEdit* speed = nullptr;
  QLineEdit* absoluteTarget = nullptr;
  QLineEdit* relativeDistance = nullptr;
  QLineEdit* yBaseLine = nullptr;
  QLineEdit* ySpan = nullptr;
  QLineEdit* xSpan = nullptr;
  QLineEdit* cursorX = nullptr;
  QLineEdit* cursorY = nullptr;
  QPushButton* start = nullptr;
  QPushButton* stop = nullptr;
  QPushButton* run = nullptr;
  QPushButton* emergencyStop = nullptr;
  QPushButton* capture = nullptr;
  QPushButton* origin = nullptr;
  QPushButton* setYBase = nullptr;
  QPushButton* setYSpan = nullptr;
  QPushButton* setXSpan = nullptr;
  QPushButton* exportData = nullptr;
  QPushButton* exportImage = nullptr;
  QToolButton* panLeft = nullptr;
  QToolButton* panRight = nullptr;
  QToolButton* zoomXIn = nullptr;
  QToolButton* zoomXOut = nullptr;
  QToolButton* panUp = nullptr;
  QToolButton* panDown = nullptr;
  QToolButton* zoomYIn = nullptr;
  QToolButton* zoomYOut = nullptr;
  QToolButton* zoomMode = nullptr;
  QLabel* linkRate = nullptr;
  QLabel* motionRefusal = nullptr;
};

}  // namespace zembra
