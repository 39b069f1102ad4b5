#include "monitor/MonitorControls.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "monitor/ChartAxesPanel.h"
#include "monitor/ControlTags.h"
#include "monitor/LineChartCtrl.h"
#include "monitor/NumberEntry.h"
#include "monitor/ViewButtonIcons.h"
#include "platform/Prompter.h"

namespace zembra {
namespace {

constexpr int kColumnWidth = 268;
constexpr int kNumberWidth = 84;

QLineEdit* NumberEdit(int id, const QString& name, QWidget* parent) {
  auto* edit = Tag(new QLineEdit(parent), id, name);
  edit->setMaximumWidth(kNumberWidth * 3 / 2);
  edit->setAlignment(Qt::AlignRight);
  return edit;
}

QToolButton* ImageButton(int id, const QString& tip, ViewIcon icon, QWidget* parent) {
  auto* button = Tag(new QToolButton(parent), id, tip);
  button->setToolTip(tip);
  button->setIcon(ViewButtonIcons::Make(icon));
  button->setIconSize(QSize(ViewButtonIcons::kSize, ViewButtonIcons::kSize));
  button->setAutoRaise(false);
  return button;
}

// Tight rows, so the whole column fits a 768-pixel screen.
QGridLayout* Compact(QGridLayout* grid) {
  grid->setContentsMargins(8, 4, 8, 6);
  grid->setVerticalSpacing(4);
  return grid;
}

template <std::size_t N>
int Checked(const std::array<QRadioButton*, N>& group) {
  for (std::size_t i = 0; i < N; ++i)
    if (group[i]->isChecked()) return static_cast<int>(i);
  return 0;
}

}  // namespace

void MonitorControls::Build(QWidget* page) {
  // Monitoring: what is polled, the start and stop buttons, the link rates.
  auto* monitorBox = new QGroupBox(QStringLiteral("监测内容"), page);
  monitorBox->setAccessibleName(monitorBox->title());
  auto* monitorGrid = Compact(new QGridLayout(monitorBox));
  const QString contentNames[] = {QStringLiteral("速度"), QStringLiteral("位置"), QStringLiteral("电流"),
                                  QStringLiteral("命令")};
  const int contentIds[] = {IDC_CONTENT_SPEED, IDC_CONTENT_POSITION, IDC_CONTENT_CURRENT, IDC_CONTENT_COMMAND};
  auto* contentGroup = new QButtonGroup(monitorBox);
  for (int i = 0; i < 4; ++i) {
    content[i] = Tag(new QRadioButton(contentNames[i], monitorBox), contentIds[i], contentNames[i]);
    contentGroup->addButton(content[i]);
    monitorGrid->addWidget(content[i], i / 2, i % 2);
  }
  userCommand = Tag(new QLineEdit(monitorBox), IDC_USER_COMMAND, QStringLiteral("用户命令"));
  monitorGrid->addWidget(Caption(QStringLiteral("用户命令"), userCommand, monitorBox), 2, 0);
  monitorGrid->addWidget(userCommand, 2, 1);
  fastSampling = Tag(new QCheckBox(QStringLiteral("快速采样"), monitorBox), IDC_FAST_SAMPLING, QStringLiteral("快速采样"));
  fastSampling->setToolTip(QStringLiteral("每次回复后立即发出下一次查询，采样速率由波特率和驱动器决定"));
  start = Tag(new QPushButton(QStringLiteral("监测"), monitorBox), IDC_START, QStringLiteral("监测"));
  stop = Tag(new QPushButton(QStringLiteral("停止"), monitorBox), IDC_STOP, QStringLiteral("停止"));
  stop->hide();
  auto* startRow = new QHBoxLayout;
  startRow->addWidget(fastSampling);
  startRow->addWidget(start);
  startRow->addWidget(stop);
  monitorGrid->addLayout(startRow, 3, 0, 1, 2);
  linkRate = Tag(new QLabel(monitorBox), IDC_LINK_RATE, QStringLiteral("通讯速率"));
  linkRate->setWordWrap(true);
  monitorGrid->addWidget(linkRate, 4, 0, 1, 2);

  // Motion: the run mode with its argument beside each choice.
  auto* motionBox = new QGroupBox(QStringLiteral("运行控制"), page);
  motionBox->setAccessibleName(motionBox->title());
  auto* motionGrid = Compact(new QGridLayout(motionBox));
  const QString modeNames[] = {QStringLiteral("速度控制"), QStringLiteral("绝对位置"), QStringLiteral("相对位置")};
  const int modeIds[] = {IDC_RUN_SPEED, IDC_RUN_ABSOLUTE, IDC_RUN_RELATIVE};
  const int argumentIds[] = {IDC_SPEED, IDC_ABSOLUTE, IDC_RELATIVE};
  QLineEdit** arguments[] = {&speed, &absoluteTarget, &relativeDistance};
  auto* modeGroup = new QButtonGroup(motionBox);
  for (int i = 0; i < 3; ++i) {
    runMode[i] = Tag(new QRadioButton(modeNames[i], motionBox), modeIds[i], modeNames[i]);
    modeGroup->addButton(runMode[i]);
    *arguments[i] = NumberEdit(argumentIds[i], modeNames[i], motionBox);
    motionGrid->addWidget(runMode[i], i, 0);
    motionGrid->addWidget(*arguments[i], i, 1);
  }
  run = Tag(new QPushButton(QStringLiteral("运行"), motionBox), IDC_RUN, QStringLiteral("运行"));
  emergencyStop = Tag(new QPushButton(QStringLiteral("急停"), motionBox), IDC_ESTOP, QStringLiteral("急停"));
  emergencyStop->setStyleSheet(QStringLiteral("QPushButton { color: #b01010; font-weight: bold; }"));
  auto* runRow = new QHBoxLayout;
  runRow->addWidget(run);
  runRow->addWidget(emergencyStop);
  motionGrid->addLayout(runRow, 3, 0, 1, 2);
  motionRefusal = Tag(new QLabel(motionBox), IDC_MOTION_REFUSAL, QStringLiteral("运动命令"));
  motionRefusal->setWordWrap(true);
  motionRefusal->setStyleSheet(QStringLiteral("color: #c01010;"));
  motionRefusal->hide();
  motionGrid->addWidget(motionRefusal, 4, 0, 1, 2);

  // Axes: the Y reference, the base line and both spans.
  auto* axisBox = new QGroupBox(QStringLiteral("坐标设置"), page);
  axisBox->setAccessibleName(axisBox->title());
  auto* axisGrid = Compact(new QGridLayout(axisBox));
  auto* refCaption = new QLabel(QStringLiteral("Y轴基准"), axisBox);
  refCaption->setAccessibleName(refCaption->text());
  yReference[0] = Tag(new QRadioButton(QStringLiteral("底线"), axisBox), IDC_YREF_BOTTOM, QStringLiteral("底线"));
  yReference[1] = Tag(new QRadioButton(QStringLiteral("中心"), axisBox), IDC_YREF_CENTRE, QStringLiteral("中心"));
  auto* refGroup = new QButtonGroup(axisBox);
  refGroup->addButton(yReference[0]);
  refGroup->addButton(yReference[1]);
  auto* refRow = new QHBoxLayout;
  refRow->addWidget(yReference[0]);
  refRow->addWidget(yReference[1]);
  axisGrid->addWidget(refCaption, 0, 0);
  axisGrid->addLayout(refRow, 0, 1, 1, 2);
  struct AxisRow {
    const char* caption;
    int editId;
    int buttonId;
    QLineEdit** edit;
    QPushButton** button;
  } rows[] = {{"Y轴基线", IDC_Y_BASE, IDC_SET_Y_BASE, &yBaseLine, &setYBase},
              {"Y轴跨度", IDC_Y_SPAN, IDC_SET_Y_SPAN, &ySpan, &setYSpan},
              {"X轴跨度", IDC_X_SPAN, IDC_SET_X_SPAN, &xSpan, &setXSpan}};
  for (int i = 0; i < 3; ++i) {
    const QString caption = QString::fromUtf8(rows[i].caption);
    *rows[i].edit = NumberEdit(rows[i].editId, caption, axisBox);
    *rows[i].button = Tag(new QPushButton(QStringLiteral("设置"), axisBox), rows[i].buttonId, QStringLiteral("设置"));
    axisGrid->addWidget(Caption(caption, *rows[i].edit, axisBox), i + 1, 0);
    axisGrid->addWidget(*rows[i].edit, i + 1, 1);
    axisGrid->addWidget(*rows[i].button, i + 1, 2);
  }

  exportData = Tag(new QPushButton(QStringLiteral("导出数据"), page), IDC_EXPORT_DATA, QStringLiteral("导出数据"));
  exportImage = Tag(new QPushButton(QStringLiteral("导出图像"), page), IDC_EXPORT_IMAGE, QStringLiteral("导出图像"));
  auto* exportRow = new QHBoxLayout;
  exportRow->addWidget(exportData);
  exportRow->addWidget(exportImage);

  auto* column = new QVBoxLayout;
  column->addWidget(monitorBox);
  column->addWidget(motionBox);
  column->addWidget(axisBox);
  column->addLayout(exportRow);
  column->addStretch(1);

  // Below: the view buttons and the readout of the value under the mouse.
  panLeft = ImageButton(IDC_PAN_LEFT, QStringLiteral("向左平移"), ViewIcon::PanLeft, page);
  panRight = ImageButton(IDC_PAN_RIGHT, QStringLiteral("向右平移"), ViewIcon::PanRight, page);
  zoomXIn = ImageButton(IDC_ZOOM_X_IN, QStringLiteral("横向放大"), ViewIcon::ZoomXIn, page);
  zoomXOut = ImageButton(IDC_ZOOM_X_OUT, QStringLiteral("横向缩小"), ViewIcon::ZoomXOut, page);
  panUp = ImageButton(IDC_PAN_UP, QStringLiteral("向上平移"), ViewIcon::PanUp, page);
  panDown = ImageButton(IDC_PAN_DOWN, QStringLiteral("向下平移"), ViewIcon::PanDown, page);
  zoomYIn = ImageButton(IDC_ZOOM_Y_IN, QStringLiteral("纵向放大"), ViewIcon::ZoomYIn, page);
  zoomYOut = ImageButton(IDC_ZOOM_Y_OUT, QStringLiteral("纵向缩小"), ViewIcon::ZoomYOut, page);
  zoomMode = ImageButton(IDC_ZOOM_MODE, QStringLiteral("视图放大"), ViewIcon::ZoomModeOff, page);
  zoomMode->setCheckable(true);
  capture = Tag(new QPushButton(QStringLiteral("捕捉"), page), IDC_CAPTURE, QStringLiteral("捕捉"));
  origin = Tag(new QPushButton(QStringLiteral("归零"), page), IDC_ORIGIN, QStringLiteral("归零"));
  cursorX = Tag(new QLineEdit(page), IDC_CURSOR_X, QStringLiteral("X"));
  cursorY = Tag(new QLineEdit(page), IDC_CURSOR_Y, QStringLiteral("Y"));
  auto* bar = new QHBoxLayout;
  for (QWidget* w : std::initializer_list<QWidget*>{panLeft, panRight, zoomXIn, zoomXOut, panUp, panDown, zoomYIn,
                                                     zoomYOut, zoomMode})
    bar->addWidget(w);
  bar->addSpacing(8);
  bar->addWidget(capture);
  bar->addWidget(origin);
  bar->addSpacing(16);
  for (QLineEdit* readout : {cursorX, cursorY}) {
    readout->setReadOnly(true);
    readout->setFocusPolicy(Qt::ClickFocus);
    readout->setMaximumWidth(kNumberWidth);
    readout->setAlignment(Qt::AlignRight);
    bar->addWidget(Caption(readout->accessibleName(), readout, page));
    bar->addWidget(readout);
  }
  bar->addStretch(1);

  axes = new ChartAxesPanel(page);
  axes->setAccessibleName(QStringLiteral("曲线图"));
  axes->Chart().setAccessibleName(QStringLiteral("曲线图"));

  auto* columnHolder = new QWidget(page);
  columnHolder->setLayout(column);
  columnHolder->setFixedWidth(kColumnWidth);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(4);

  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(6, 6, 6, 6);
  grid->addWidget(axes, 0, 0);
  grid->addWidget(step.Build(page), 1, 0);
  grid->addWidget(columnHolder, 0, 1, 2, 1);
  grid->addLayout(bar, 2, 0, 1, 2);
  grid->setColumnStretch(0, 1);
  grid->setRowStretch(0, 1);
}

bool MonitorControls::Read(MonitorSettings& s) const {
  MonitorSettings read = s;
  read.content = static_cast<MonitorContent>(Checked(content));
  read.userCommand = userCommand->text();
  read.fastSampling = fastSampling->isChecked();
  read.runMode = static_cast<RunMode>(Checked(runMode));
  read.yReference = static_cast<YReference>(Checked(yReference));
  if (!NumberEntry::ReadInt(speed, read.speed) || !NumberEntry::ReadInt(absoluteTarget, read.absoluteTarget) ||
      !NumberEntry::ReadInt(relativeDistance, read.relativeDistance) || !NumberEntry::ReadInt(yBaseLine, read.yBaseLine) ||
      !NumberEntry::ReadUnsigned(ySpan, read.ySpan) || !NumberEntry::ReadUnsigned(xSpan, read.xSpan))
    return false;
  s = read;
  return true;
}

void MonitorControls::Show(const MonitorSettings& s) {
  content[static_cast<int>(s.content)]->setChecked(true);
  userCommand->setText(s.userCommand);
  fastSampling->setChecked(s.fastSampling);
  runMode[static_cast<int>(s.runMode)]->setChecked(true);
  yReference[static_cast<int>(s.yReference)]->setChecked(true);
  speed->setText(QString::number(s.speed));
  absoluteTarget->setText(QString::number(s.absoluteTarget));
  relativeDistance->setText(QString::number(s.relativeDistance));
  yBaseLine->setText(QString::number(s.yBaseLine));
  ySpan->setText(QString::number(s.ySpan));
  xSpan->setText(QString::number(s.xSpan));
}

void MonitorControls::SetContentEnabled(bool enabled) {
  for (QRadioButton* option : content) option->setEnabled(enabled);
  fastSampling->setEnabled(enabled);
}

void MonitorControls::ShowMonitoring(bool monitoring) {
  start->setVisible(!monitoring);
  stop->setVisible(monitoring);
}

void MonitorControls::ShowMotionRefusal(const QString& text) {
  if (!motionRefusal) return;
  motionRefusal->setText(text);
  // A screen reader reads the name, so the name carries the words too.
  motionRefusal->setAccessibleName(text.isEmpty() ? QStringLiteral("运动命令") : QStringLiteral("运动命令：") + text);
  motionRefusal->setVisible(!text.isEmpty());
}

}  // namespace zembra
