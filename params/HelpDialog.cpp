#include "params/HelpDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/WindowMessages.h"

namespace zembra {

CHelpDialog::CHelpDialog(int templateId, std::uint32_t timerId, const QString& title, const QStringList& lines,
                         QWidget* parent)
    : QDialog(parent), m_templateId(templateId), m_timerId(timerId) {
  setObjectName(QStringLiteral("idd_%1").arg(templateId));
  setWindowTitle(title);
  setAccessibleName(title);
  auto* layout = new QVBoxLayout(this);
  for (const QString& line : lines) {
    auto* label = new QLabel(line, this);
    label->setAccessibleName(line.trimmed());
    layout->addWidget(label);
  }
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
  ok->setObjectName(QStringLiteral("idc_%1").arg(IDOK));
  ok->setAccessibleName(ok->text());
  ok->setAccessibleDescription(ok->objectName());
  ok->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

CHelpDialog::~CHelpDialog() { KillTimer(Handle(), m_timerId); }

CHelpDialog* CHelpDialog::AccelerationUnits(QWidget* parent) {
  return new CHelpDialog(IDD_ACCELERATION_UNITS, TIMER_HELP_CLOSE_1, QStringLiteral("单位说明"),
                         {QStringLiteral("加速度在不同模式下的单位及意义"), QStringLiteral("速度模式下单位：R/(S*S)"),
                          QStringLiteral("    意义：速度在一秒时间内的增减量"),
                          QStringLiteral("放大器模式下单位：ΔPWM/S"),
                          QStringLiteral("    意义：输出PWM在一秒时间内的增减量"),
                          QStringLiteral("    如果此值大于100则输出PWM无加速度限制")},
                         parent);
}

CHelpDialog* CHelpDialog::PhaseInitialisation(QWidget* parent) {
  return new CHelpDialog(IDD_PHASE_INIT, TIMER_HELP_CLOSE_2, QStringLiteral("说明"),
                         {QStringLiteral("自动相位识别前需正确设置编码器分辨率"), QStringLiteral("可根据 FAULT 灯观测进度"),
                          QStringLiteral("    灯常亮：正在进行相位初始化"),
                          QStringLiteral("    灯常灭：相位初始化完毕，初始化成功"),
                          QStringLiteral("    灯闪烁：相位初始化完毕，初始化失败")},
                         parent);
}

void CHelpDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  m_ticks = 0;
  SetTimer(Handle(), m_timerId, kTickMs);
}

void CHelpDialog::OnTimer(std::uint32_t timerId) {
  if (timerId != m_timerId) return;
  if (++m_ticks > kTicksBeforeClosing) accept();
}

void CHelpDialog::accept() {
  KillTimer(Handle(), m_timerId);
  QDialog::accept();
}

void CHelpDialog::reject() {
  KillTimer(Handle(), m_timerId);
  QDialog::reject();
}

void CHelpDialog::mouseDoubleClickEvent(QMouseEvent* event) {
  QDialog::mouseDoubleClickEvent(event);
  accept();
}

}  // namespace zembra
