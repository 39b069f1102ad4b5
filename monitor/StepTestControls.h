#pragma once
// The controls of the step test under the chart: its settings with "开始",
// the newest run's figures and the legend of the kept runs. It moves the settings
// between the controls and a StepTestSetup and shows what it is given;
// the run itself is StepTest's, the kept runs StepRunHistory's.
#include <QString>
#include <array>

#include "monitor/StepRunHistory.h"
#include "monitor/StepTest.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace zembra {

class StepTestControls {
 public:
  enum ControlId : int {
    IDC_STEP_SPEED = 1310,
    IDC_STEP_MOVE = 1311,
    IDC_STEP_SIZE = 1312,
    IDC_STEP_RECORD = 1313,
    IDC_STEP_PRE_SHARE = 1314,
    IDC_STEP_START = 1315,
    IDC_STEP_CLEAR = 1316,
    IDC_STEP_TROUBLE = 1317,
    IDC_STEP_FIGURES = 1318,
    IDC_STEP_LEGEND = 1319,
  };

  static inline const QString kRampHint = QStringLiteral(
      "提示：加速度小时速度指令按斜坡上升，掩盖速度环本身的响应；可先在参数配置页提高加速度并写入。");

  // The group under the chart: the settings in one row, the reason a run
  // ended early, and (once a run is kept) the figures and the legend.
  QGroupBox* Build(QWidget* page);

  // Controls into `setup`; false (the user told) when an entry is not a number.
  bool Read(StepTestSetup& setup) const;
  void Show(const StepTestSetup& setup);
  // "开始" reads "中止" while a run goes on; the settings are locked.
  void ShowRunning(bool running);
  // Why a run did not start or ended early, in red; empty hides the line.
  void ShowTrouble(const QString& text);
  // The newest run's figures and a line per kept run in its colour.
  void ShowRuns(const StepRunHistory& history);

  std::array<QRadioButton*, 2> kind{};  // by StepKind
  QLineEdit* size = nullptr;
  QLineEdit* recordMs = nullptr;
  QLineEdit* preShare = nullptr;
  QPushButton* start = nullptr;
  QPushButton* clear = nullptr;
  QLabel* trouble = nullptr;
  QLabel* figures = nullptr;
  QLabel* legend = nullptr;
};

}  // namespace zembra
