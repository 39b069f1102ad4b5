#include "params/ParameterForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "drive/FieldText.h"
#include "params/FieldHints.h"

namespace zembra {

using drive::Field;
using drive::FieldInfo;
using drive::ParameterTable;

namespace {

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString IdName(int id) { return QStringLiteral("idc_%1").arg(id); }

// Marks a control for screen readers and test drivers.
void Identify(QWidget* widget, int id) {
  widget->setObjectName(IdName(id));
  widget->setAccessibleDescription(IdName(id));
}

QString Utf8(const std::string& text) { return QString::fromStdString(text); }

const QColor kStaleTint(255, 243, 205);
const QColor kEditedTint(214, 234, 255);
const QColor kOutOfRangeTint(255, 214, 214);

}  // namespace

CParameterForm::CParameterForm(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("parameterForm"));
  CreateFieldControls();
  BuildLayout();
}

void CParameterForm::CreateFieldControls() {
  for (const FieldInfo& info : ParameterTable::Fields()) {
    FieldControls& controls = At(info.field);
    switch (info.kind) {
      case drive::ControlKind::Edit:
      case drive::ControlKind::DisplayEdit:
        CreateEdit(info, controls);
        break;
      case drive::ControlKind::Check:
        controls.check = CreateCheck(info.controls[0], Utf8(info.caption));
        connect(controls.check, &QCheckBox::clicked, this, [this, field = info.field] { emit fieldEdited(field); });
        break;
      case drive::ControlKind::RadioGroup:
        CreateRadios(info, controls);
        break;
      case drive::ControlKind::List:
        CreateList(info, controls);
        break;
    }
  }
}

void CParameterForm::CreateEdit(const FieldInfo& info, FieldControls& controls) {
  const int id = info.controls[0];
  controls.edit = new QLineEdit(this);
  Identify(controls.edit, id);
  controls.edit->setAccessibleName(Utf8(info.caption));
  // Wide enough for the longest value the drive holds, no wider.
  const int width = fontMetrics().horizontalAdvance(QStringLiteral("-2100000000")) + 16;
  controls.edit->setMinimumWidth(width);
  controls.edit->setMaximumWidth(width * 3 / 2);
  controls.label = new QLabel(Utf8(info.caption), this);
  controls.label->setBuddy(controls.edit);
  if (info.kind == drive::ControlKind::DisplayEdit) {
    controls.edit->setReadOnly(true);
    controls.edit->setEnabled(false);
  }
  connect(controls.edit, &QLineEdit::textChanged, this, [this, field = info.field](const QString& text) {
    if (text != At(field).shownText) emit fieldEdited(field);
  });
}

void CParameterForm::CreateRadios(const FieldInfo& info, FieldControls& controls) {
  controls.group = new QButtonGroup(this);
  controls.group->setExclusive(true);
  int index = 0;
  for (int id : info.controls) {
    auto* radio = new QRadioButton(Utf8(info.choices[static_cast<std::size_t>(index)]), this);
    Identify(radio, id);
    radio->setAccessibleName(radio->text());
    controls.group->addButton(radio, index);
    controls.radios.push_back(radio);
    connect(radio, &QRadioButton::clicked, this, [this, field = info.field, index] {
      emit fieldEdited(field);
      if (field == Field::RunMode) emit runModeClicked(static_cast<DriveRunMode>(index));
    });
    ++index;
  }
}

void CParameterForm::CreateList(const FieldInfo& info, FieldControls& controls) {
  const int id = info.controls[0];
  controls.list = new QComboBox(this);
  Identify(controls.list, id);
  // No accessible name of our own: a screen reader says the list's
  // current text, and the label beside it is its buddy.
  const auto items = info.field == Field::SerialBaud ? ParameterTable::SerialBaudItems()
                                                      : ParameterTable::CanBaudItems();
  for (std::string_view item : items) controls.list->addItem(Utf8(item));
  controls.list->setCurrentIndex(-1);
  controls.list->setEnabled(false);  // until "更改波特率" is checked
  controls.list->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("-2100000000")) + 16);
  controls.label = new QLabel(Utf8(info.caption), this);
  controls.label->setBuddy(controls.list);
  connect(controls.list, &QComboBox::currentIndexChanged, this, [this, field = info.field](int index) {
    if (index != At(field).shownIndex) emit fieldEdited(field);
  });
}

QPushButton* CParameterForm::CreateButton(int id, const QString& caption) {
  auto* button = new QPushButton(caption, this);
  Identify(button, id);
  button->setAccessibleName(caption);
  m_buttons.push_back(button);
  return button;
}

QCheckBox* CParameterForm::CreateCheck(int id, const QString& caption) {
  auto* check = new QCheckBox(caption, this);
  Identify(check, id);
  check->setAccessibleName(caption);
  return check;
}

QWidget* CParameterForm::Unit(Field field) {
  // The acceleration's unit depends on the run mode: a button explains it.
  if (field == Field::Acceleration) return CreateButton(IDC_UNITS_HELP, QStringLiteral("单位说明"));
  const std::string_view unit = ParameterTable::Info(field).unit;
  return unit.empty() ? nullptr : new QLabel(Utf8(unit), this);
}

void CParameterForm::AddEditRow(QGridLayout* grid, int row, Field field) {
  FieldControls& controls = At(field);
  if (controls.check) {
    grid->addWidget(controls.check, row, 0, 1, 3);
    return;
  }
  QWidget* value = controls.edit ? static_cast<QWidget*>(controls.edit) : static_cast<QWidget*>(controls.list);
  grid->addWidget(controls.label, row, 0);
  grid->addWidget(value, row, 1);
  if (QWidget* unit = Unit(field)) grid->addWidget(unit, row, 2);
}

QGroupBox* CParameterForm::FieldBox(const QString& title, std::initializer_list<Field> fields) {
  auto* box = new QGroupBox(title, this);
  auto* grid = new QGridLayout(box);
  grid->setVerticalSpacing(4);
  grid->setColumnStretch(1, 1);
  int row = 0;
  for (Field field : fields) AddEditRow(grid, row++, field);
  return box;
}

QGroupBox* CParameterForm::RadioBox(Field field, int columns) {
  auto* box = new QGroupBox(Utf8(ParameterTable::Info(field).caption), this);
  auto* grid = new QGridLayout(box);
  grid->setVerticalSpacing(4);
  const auto& radios = At(field).radios;
  for (std::size_t i = 0; i < radios.size(); ++i)
    grid->addWidget(radios[i], static_cast<int>(i) / columns, static_cast<int>(i) % columns);
  return box;
}

void CParameterForm::BuildLayout() {
  // Column 1: the choices and the phase initialisation.
  auto* nodeBox = new QGroupBox(Utf8(ParameterTable::Info(Field::NodeType).caption), this);
  {
    auto* grid = new QGridLayout(nodeBox);
    grid->setVerticalSpacing(4);
    const auto& radios = At(Field::NodeType).radios;
    grid->addWidget(radios[0], 0, 0);
    grid->addWidget(At(Field::NodeNumber).edit, 0, 1);
    grid->addWidget(radios[1], 1, 0);
    // The radio beside the edit says what it is; the edit keeps its name.
    delete At(Field::NodeNumber).label;
    At(Field::NodeNumber).label = nullptr;
  }
  // Column 2: the control loops and the link rates.
  auto* loops = FieldBox(QStringLiteral("控制参数"),
                         {Field::PositionProportional, Field::PositionIntegral, Field::PositionDerivative,
                          Field::SpeedFeedForward, Field::SpeedProportional, Field::SpeedIntegral,
                          Field::SpeedDerivative, Field::CurrentProportional, Field::CurrentIntegral,
                          Field::CurrentDerivative});
  auto* baudBox = new QGroupBox(QStringLiteral("通讯波特率"), this);
  {
    auto* grid = new QGridLayout(baudBox);
    grid->setVerticalSpacing(4);
    m_changeBaud = CreateCheck(IDC_CHANGE_BAUD, QStringLiteral("更改波特率"));
    grid->addWidget(m_changeBaud, 0, 0, 1, 3);
    AddEditRow(grid, 1, Field::SerialBaud);
    AddEditRow(grid, 2, Field::CanBaud);
    grid->setColumnStretch(1, 1);
  }
  auto* phaseBox = new QGroupBox(QStringLiteral("相位初始化"), this);
  {
    auto* row = new QHBoxLayout(phaseBox);
    m_phaseEnable = CreateCheck(IDC_PHASE_ENABLE, QStringLiteral("启用"));
    row->addWidget(m_phaseEnable);
    QPushButton* init = CreateButton(IDC_PHASE_INIT, QStringLiteral("自动初始化相位"));
    init->setEnabled(false);  // until "启用" is checked
    row->addWidget(init);
    row->addWidget(CreateButton(IDC_PHASE_HELP, QStringLiteral("说明")));
    row->addStretch(1);
  }
  auto* choices = new QVBoxLayout;
  choices->addWidget(RadioBox(Field::RunMode, 2));
  choices->addWidget(RadioBox(Field::SignalSource, 2));
  choices->addWidget(RadioBox(Field::Direction, 2));
  choices->addWidget(nodeBox);
  choices->addWidget(phaseBox);
  choices->addStretch(1);

  auto* middle = new QVBoxLayout;
  middle->addWidget(loops);
  middle->addWidget(baudBox);
  middle->addStretch(1);

  // Column 3: the motor.
  auto* motor = FieldBox(QStringLiteral("电机参数"),
                         {Field::MaxSpeed, Field::MinSpeed, Field::Acceleration, Field::PeakCurrent,
                          Field::ContinuousCurrent, Field::QuadratureInductance, Field::DirectInductance,
                          Field::DeadBandVoltage, Field::ProtectionDelay, Field::IitTime, Field::EncoderResolution,
                          Field::StepWidth, Field::PolePairs});
  auto* motorColumn = new QVBoxLayout;
  motorColumn->addWidget(motor);
  motorColumn->addStretch(1);

  // Column 4: position limits and homing.
  auto* limits = FieldBox(QStringLiteral("位置控制"),
                          {Field::HardLimitEnable, Field::SoftLimitEnable, Field::PositionLowerLimit,
                           Field::PositionUpperLimit, Field::PositionErrorWindow, Field::MaxTrackingError});
  auto* homing = FieldBox(QStringLiteral("寻零"),
                          {Field::HomingAtPowerOn, Field::HomingSpeed, Field::HomingRange, Field::MechanicalOffset});
  // Fields that live only in scheme files: kept from load to save, never shown.
  auto* schemeOnly = FieldBox(QStringLiteral("反馈与补偿"),
                              {Field::TachoResolution, Field::MaxFrequency, Field::IxrEnable, Field::IxrCoefficient});
  {
    auto* grid = static_cast<QGridLayout*>(schemeOnly->layout());
    const auto& radios = At(Field::FeedbackType).radios;
    grid->addWidget(radios[0], 4, 0);
    grid->addWidget(radios[1], 4, 1);
  }
  schemeOnly->hide();
  auto* right = new QVBoxLayout;
  right->addWidget(limits);
  right->addWidget(homing);
  right->addWidget(schemeOnly);
  right->addStretch(1);

  auto* columns = new QHBoxLayout;
  columns->addLayout(choices, 0);
  columns->addLayout(middle, 1);
  columns->addLayout(motorColumn, 1);
  columns->addLayout(right, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(CreateButton(IDC_READ, QStringLiteral("读 取")));
  buttons->addWidget(CreateButton(IDC_WRITE, QStringLiteral("设 置")));
  QPushButton* eeprom = CreateButton(IDC_EEPROM, QStringLiteral("保存至EEPROM"));
  eeprom->setEnabled(false);  // a complete write enables it
  buttons->addWidget(eeprom);
  buttons->addWidget(CreateButton(IDC_FACTORY_RESET, QStringLiteral("恢复出厂设置")));
  buttons->addSpacing(16);
  buttons->addWidget(CreateButton(IDC_SAVE_SCHEME, QStringLiteral("保存参数方案")));
  buttons->addWidget(CreateButton(IDC_LOAD_SCHEME, QStringLiteral("加载参数方案")));
  buttons->addWidget(CreateButton(IDC_COMPARE, QStringLiteral("比较…")));
  buttons->addSpacing(16);
  m_verifyAfterWrite = CreateCheck(IDC_VERIFY_AFTER_WRITE, QStringLiteral("写入后校验"));
  m_verifyAfterWrite->setToolTip(QStringLiteral("“设 置”之后读回写入的参数，与写入的值比较"));
  buttons->addWidget(m_verifyAfterWrite);
  buttons->addSpacing(16);

  m_progressText = new QLabel(this);
  m_progressText->setObjectName(QStringLiteral("parameterProgressText"));
  m_progressText->setAccessibleName(QStringLiteral("参数操作进度"));
  m_progress = new QProgressBar(this);
  m_progress->setObjectName(QStringLiteral("parameterProgress"));
  m_progress->setAccessibleName(QStringLiteral("参数操作进度条"));
  m_progress->setRange(0, 1);
  m_progress->setValue(0);
  m_progress->setTextVisible(false);
  m_progress->setFixedWidth(220);
  m_resultText = new QLabel(this);
  m_resultText->setObjectName(QStringLiteral("parameterResult"));
  m_resultText->setAccessibleName(QStringLiteral("参数操作结果"));
  m_resultText->setWordWrap(true);
  m_resultText->setTextInteractionFlags(Qt::TextSelectableByMouse);
  m_eepromNote = new QLabel(this);
  m_eepromNote->setObjectName(QStringLiteral("parameterEepromNote"));
  m_eepromNote->setAccessibleName(QStringLiteral("EEPROM提示"));
  m_eepromNote->setStyleSheet(QStringLiteral("color: #b04000;"));
  buttons->addWidget(m_eepromNote);
  buttons->addStretch(1);

  auto* status = new QHBoxLayout;
  status->addWidget(m_progressText);
  status->addWidget(m_progress);
  status->addWidget(m_resultText, 1);

  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(8, 6, 8, 6);
  page->setSpacing(6);
  page->addLayout(columns, 1);
  page->addLayout(buttons);
  page->addLayout(status);
}

QPushButton* CParameterForm::Button(int id) const {
  for (QPushButton* button : m_buttons)
    if (button->objectName() == IdName(id)) return button;
  return nullptr;
}

void CParameterForm::Show(const drive::HeldValues& held) {
  for (const FieldInfo& info : ParameterTable::Fields()) ShowField(info.field, held);
}

void CParameterForm::ShowField(Field field, const drive::HeldValues& held) {
  FieldControls& controls = At(field);
  const drive::ParameterSet& values = held.Values();
  if (controls.edit) {
    controls.shownText = Utf8(held.Text(field));
    controls.edit->setText(controls.shownText);
  } else if (controls.check) {
    controls.check->setChecked(values.Checked(field));
  } else if (controls.list) {
    controls.shownIndex = values.Int(field);
    controls.list->setCurrentIndex(controls.shownIndex);
  } else if (controls.group) {
    QAbstractButton* radio = controls.group->button(values.Int(field));
    if (radio) {
      radio->setChecked(true);
    } else if (QAbstractButton* checked = controls.group->checkedButton()) {
      // An index outside the group shows no selection.
      controls.group->setExclusive(false);
      checked->setChecked(false);
      controls.group->setExclusive(true);
    }
  }
}

std::optional<double> CParameterForm::EditValue(Field field) const {
  const QLineEdit* edit = At(field).edit;
  if (!edit) return std::nullopt;
  return drive::ParseNumber(field, edit->text().toStdString()).value;
}

CParameterForm::Taken CParameterForm::Take(const drive::HeldValues& held) const {
  Taken taken{held.Values(), {}, std::nullopt};
  for (const FieldInfo& info : ParameterTable::Fields()) {
    const FieldControls& controls = At(info.field);
    if (controls.edit) {
      if (controls.edit->isReadOnly() || controls.edit->text() == Utf8(held.Text(info.field))) continue;
      taken.typed.push_back(info.field);
      const drive::ParsedNumber parsed = drive::ParseNumber(info.field, controls.edit->text().toStdString());
      if (parsed.value) {
        taken.values.Set(info.field, *parsed.value);
      } else if (!taken.error) {
        const QString wanted = info.type == drive::ValueType::Float ? QStringLiteral("请输入一个数字")
                                                                     : QStringLiteral("请输入一个整数");
        QString message = QStringLiteral("%1：%2").arg(Utf8(info.name), wanted);
        // A number too large is a number: say why it is not taken.
        if (parsed.tooLarge) message += QStringLiteral("（%1）").arg(Utf8(parsed.problem));
        taken.error = TakeError{info.field, message};
      }
    } else if (controls.check) {
      taken.values.Set(info.field, controls.check->isChecked() ? 1 : 0);
    } else if (controls.list) {
      taken.values.Set(info.field, controls.list->currentIndex());
    } else if (controls.group) {
      const int index = controls.group->checkedId();
      if (index >= 0) taken.values.Set(info.field, index);
    }
  }
  return taken;
}

int CParameterForm::CheckedIndex(Field field) const {
  const QButtonGroup* group = At(field).group;
  return group ? group->checkedId() : -1;
}

std::vector<QWidget*> CParameterForm::WidgetsOf(Field field) const {
  const FieldControls& controls = At(field);
  if (controls.edit) return {controls.edit};
  if (controls.check) return {controls.check};
  if (controls.list) return {controls.list};
  return {controls.radios.begin(), controls.radios.end()};
}

void CParameterForm::SetTint(QWidget* widget, Mark mark) {
  if (mark == Mark::None) {
    widget->setPalette(QPalette());  // back to the inherited colours
    widget->setAutoFillBackground(false);
    return;
  }
  const QColor tint = mark == Mark::Stale ? kStaleTint : (mark == Mark::Edited ? kEditedTint : kOutOfRangeTint);
  QPalette palette = widget->palette();
  if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QComboBox*>(widget)) {
    palette.setColor(QPalette::Base, tint);
    palette.setColor(QPalette::Button, tint);
  } else {
    palette.setColor(QPalette::Window, tint);
    widget->setAutoFillBackground(true);
  }
  widget->setPalette(palette);
}

void CParameterForm::ShowMarks(Field field, const FieldMarkers& markers) {
  FieldControls& controls = At(field);
  Mark mark = Mark::None;
  if (markers.IsOutOfRange(field)) {
    mark = Mark::OutOfRange;
  } else if (markers.IsEdited(field)) {
    mark = Mark::Edited;
  } else if (markers.IsStale(field)) {
    mark = Mark::Stale;
  }
  controls.mark = mark;
  const QStringList notes = markers.Notes(field);
  for (QWidget* widget : WidgetsOf(field)) {
    SetTint(widget, mark);
    QStringList lines;
    if (std::optional<QString> hint = FieldHints::For(widget->objectName().mid(4).toInt())) lines << *hint;
    lines << notes;
    widget->setToolTip(lines.join(QLatin1Char('\n')));
  }
}

void CParameterForm::ShowAllMarks(const FieldMarkers& markers) {
  for (const FieldInfo& info : ParameterTable::Fields()) ShowMarks(info.field, markers);
}

CParameterForm::Mark CParameterForm::MarkOf(Field field) const { return At(field).mark; }

void CParameterForm::ApplySignalChoice(const SignalSourceChoice& choice) {
  const auto& radios = At(Field::SignalSource).radios;
  for (std::size_t i = 0; i < radios.size(); ++i) radios[i]->setEnabled(choice.enabled[i]);
  if (QAbstractButton* radio = At(Field::SignalSource).group->button(static_cast<int>(choice.selected)))
    radio->setChecked(true);
}

void CParameterForm::SetBaudListsEnabled(bool enabled) {
  At(Field::SerialBaud).list->setEnabled(enabled);
  At(Field::CanBaud).list->setEnabled(enabled);
}

void CParameterForm::FocusField(Field field) {
  const std::vector<QWidget*> widgets = WidgetsOf(field);
  if (!widgets.empty()) widgets.front()->setFocus(Qt::OtherFocusReason);
  if (QLineEdit* edit = At(field).edit) edit->selectAll();
}

}  // namespace zembra
