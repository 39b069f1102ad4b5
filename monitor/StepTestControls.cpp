#include "monitor/StepTestControls.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "monitor/ControlTags.h"
#include "monitor/NumberEntry.h"

namespace zembra {
namespace {

QLineEdit* NumberEdit(int id, const QString& name, QWidget* parent) {
  auto* edit = Tag(new QLineEdit(parent), id, name);
  edit->setAlignment(Qt::AlignRight);
  edit->setMaximumWidth(64);
  return edit;
}

}  // namespace

QGroupBox* StepTestControls::Build(QWidget* page) {
  auto* box = new QGroupBox(QStringLiteral("阶跃测试"), page);
  box->setAccessibleName(box->title());
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(8, 2, 8, 4);
  column->setSpacing(2);

  // Two short rows, so the chart keeps its height and the page its width.
  auto* row = new QHBoxLayout;
  auto* kinds = new QButtonGroup(box);
  kind[0] = Tag(new QRadioButton(QStringLiteral("速度阶跃"), box), IDC_STEP_SPEED, QStringLiteral("速度阶跃"));
  kind[1] = Tag(new QRadioButton(QStringLiteral("相对位移"), box), IDC_STEP_MOVE, QStringLiteral("相对位移"));
  for (QRadioButton* k : kind) {
    kinds->addButton(k);
    row->addWidget(k);
  }
  row->addSpacing(12);
  start = Tag(new QPushButton(QStringLiteral("开始"), box), IDC_STEP_START, QStringLiteral("开始"));
  start->setToolTip(kRampHint);
  clear = Tag(new QPushButton(QStringLiteral("清除"), box), IDC_STEP_CLEAR, QStringLiteral("清除"));
  clear->setToolTip(QStringLiteral("清除保留的阶跃测试曲线"));
  row->addWidget(start);
  row->addWidget(clear);
  row->addStretch(1);
  column->addLayout(row);

  auto* settings = new QHBoxLayout;
  size = NumberEdit(IDC_STEP_SIZE, QStringLiteral("阶跃幅值"), box);
  recordMs = NumberEdit(IDC_STEP_RECORD, QStringLiteral("记录时长(ms)"), box);
  preShare = NumberEdit(IDC_STEP_PRE_SHARE, QStringLiteral("阶跃前比例(%)"), box);
  for (QLineEdit* edit : {size, recordMs, preShare}) {
    settings->addWidget(Caption(edit->accessibleName(), edit, box));
    settings->addWidget(edit);
    settings->addSpacing(6);
  }
  settings->addStretch(1);
  column->addLayout(settings);

  trouble = Tag(new QLabel(box), IDC_STEP_TROUBLE, QStringLiteral("阶跃测试"));
  trouble->setWordWrap(true);
  trouble->setStyleSheet(QStringLiteral("color: #c01010;"));
  trouble->hide();
  column->addWidget(trouble);

  // The newest run's figures and the legend, once a run is kept.
  figures = Tag(new QLabel(box), IDC_STEP_FIGURES, QStringLiteral("阶跃测试结果"));
  figures->setTextFormat(Qt::PlainText);
  figures->setStyleSheet(QStringLiteral("font-weight: bold;"));
  figures->setWordWrap(true);
  figures->hide();
  legend = Tag(new QLabel(box), IDC_STEP_LEGEND, QStringLiteral("阶跃测试记录"));
  legend->setTextFormat(Qt::RichText);
  legend->setWordWrap(true);
  legend->hide();
  column->addWidget(figures);
  column->addWidget(legend);
  return box;
}

bool StepTestControls::Read(StepTestSetup& setup) const {
  StepTestSetup read = setup;
  read.kind = kind[1]->isChecked() ? StepKind::RelativeMove : StepKind::SpeedStep;
  if (!NumberEntry::ReadInt(size, read.size) || !NumberEntry::ReadUnsigned(recordMs, read.recordMs) ||
      !NumberEntry::ReadUnsigned(preShare, read.preSharePercent))
    return false;
  setup = read;
  return true;
}

void StepTestControls::Show(const StepTestSetup& setup) {
  kind[static_cast<int>(setup.kind)]->setChecked(true);
  size->setText(QString::number(setup.size));
  recordMs->setText(QString::number(setup.recordMs));
  preShare->setText(QString::number(setup.preSharePercent));
}

void StepTestControls::ShowRunning(bool running) {
  const QString caption = running ? QStringLiteral("中止") : QStringLiteral("开始");
  start->setText(caption);
  start->setAccessibleName(caption);
  for (QWidget* w : std::initializer_list<QWidget*>{kind[0], kind[1], size, recordMs, preShare, clear})
    w->setEnabled(!running);
}

void StepTestControls::ShowTrouble(const QString& text) {
  trouble->setText(text);
  // A screen reader reads the name, so the name carries the words too.
  trouble->setAccessibleName(text.isEmpty() ? QStringLiteral("阶跃测试") : QStringLiteral("阶跃测试：") + text);
  trouble->setVisible(!text.isEmpty());
}

void StepTestControls::ShowRuns(const StepRunHistory& history) {
  figures->setVisible(!history.Empty());
  legend->setVisible(!history.Empty());
  if (history.Empty()) return;
  const StepRun& newest = history.Runs().back();
  const QString shown =
      QStringLiteral("#%1  ").arg(newest.number) + StepRunHistory::FigureLines(newest).join(QStringLiteral("   "));
  figures->setText(shown);
  figures->setAccessibleName(QStringLiteral("阶跃测试结果：") + shown);
  QStringList lines;
  QStringList plain;
  bool speedStep = false;
  for (auto run = history.Runs().rbegin(); run != history.Runs().rend(); ++run) {
    const QString label = StepRunHistory::Label(*run);
    lines << QStringLiteral("<span style=\"color:%1\">━━</span> %2")
                 .arg(StepRunHistory::Colour(run->colourIndex).name(), label.toHtmlEscaped());
    plain << label;
    speedStep = speedStep || run->kind == StepKind::SpeedStep;
  }
  if (speedStep) lines << QStringLiteral("<span style=\"color:#707070\">%1</span>").arg(kRampHint.toHtmlEscaped());
  legend->setText(lines.join(QStringLiteral("<br>")));
  legend->setAccessibleName(QStringLiteral("阶跃测试记录：") + plain.join(QStringLiteral("；")));
}

}  // namespace zembra
