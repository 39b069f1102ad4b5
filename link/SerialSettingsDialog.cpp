#include "link/SerialSettingsDialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace zembra {
namespace {

void TagControl(QWidget* control, SerialSettingsDialog::ControlId id, const QString& accessibleName) {
  const QString tag = QStringLiteral("idc_%1").arg(static_cast<int>(id));
  control->setObjectName(tag);
  control->setAccessibleDescription(tag);
  control->setAccessibleName(accessibleName);
}

}  // namespace

SerialSettingsDialog::SerialSettingsDialog(SerialSettingsModel model, QWidget* parent)
    : QDialog(parent), m_model(std::move(model)) {
  setWindowTitle(QStringLiteral("串口设置"));
  setObjectName(QStringLiteral("SerialSettingsDialog"));

  const QString portLabel = QStringLiteral("串口号");
  const QString baudLabel = QStringLiteral("波特率");

  m_portList = new QComboBox(this);
  m_portList->addItems(m_model.PortEntries());
  m_portList->setCurrentIndex(m_model.PortIndex());
  TagControl(m_portList, ControlId::PortList, portLabel);

  m_baudList = new QComboBox(this);
  m_baudList->addItems(SerialSettingsModel::BaudEntries());
  m_baudList->setCurrentIndex(m_model.BaudIndex());
  TagControl(m_baudList, ControlId::BaudList, baudLabel);

  auto* okButton = new QPushButton(QStringLiteral("确 定"), this);
  TagControl(okButton, ControlId::Ok, okButton->text());
  okButton->setDefault(true);
  auto* cancelButton = new QPushButton(QStringLiteral("取 消"), this);
  TagControl(cancelButton, ControlId::Cancel, cancelButton->text());

  auto* fields = new QFormLayout;
  auto* portCaption = new QLabel(portLabel, this);
  portCaption->setBuddy(m_portList);
  fields->addRow(portCaption, m_portList);
  auto* baudCaption = new QLabel(baudLabel, this);
  baudCaption->setBuddy(m_baudList);
  fields->addRow(baudCaption, m_baudList);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(okButton);
  buttons->addWidget(cancelButton);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addLayout(buttons);

  connect(m_portList, &QComboBox::currentIndexChanged, this, [this](int index) { m_model.SelectPort(index); });
  connect(m_baudList, &QComboBox::currentIndexChanged, this, [this](int index) { m_model.SelectBaud(index); });
  connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<SerialChoice> SerialSettingsDialog::Ask(const SerialChoice& saved, QWidget* parent) {
  SerialSettingsDialog dialog(SerialSettingsModel::ForThisMachine(saved), parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Choice();
}

}  // namespace zembra
