#include "params/CompareDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zembra {
namespace {

void Identify(QWidget* widget, int id, const QString& name) {
  const QString idName = QStringLiteral("idc_%1").arg(id);
  widget->setObjectName(idName);
  widget->setAccessibleDescription(idName);
  widget->setAccessibleName(name);
}

QTableWidgetItem* Cell(const std::string& text) {
  auto* item = new QTableWidgetItem(QString::fromStdString(text));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  return item;
}

}  // namespace

CCompareDialog::CCompareDialog(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("compareDialog"));
  setWindowTitle(QStringLiteral("比较参数"));
  setAccessibleName(windowTitle());

  m_status = new QLabel(this);
  m_status->setObjectName(QStringLiteral("compareStatus"));
  m_status->setAccessibleName(QStringLiteral("比较结果"));
  m_status->setWordWrap(true);
  m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);

  m_table = new QTableWidget(0, 3, this);
  Identify(m_table, IDC_COMPARE_TABLE, QStringLiteral("不同的参数"));
  m_table->setHorizontalHeaderLabels({QStringLiteral("参数"), QStringLiteral("页面中的值"), QString()});
  m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
  m_table->verticalHeader()->hide();
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setMinimumSize(480, 260);
  m_table->hide();

  m_drive = new QPushButton(QStringLiteral("与驱动器比较"), this);
  Identify(m_drive, IDC_COMPARE_DRIVE, m_drive->text());
  m_file = new QPushButton(QStringLiteral("与方案文件比较…"), this);
  Identify(m_file, IDC_COMPARE_FILE, m_file->text());
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->addButton(m_drive, QDialogButtonBox::ActionRole);
  buttons->addButton(m_file, QDialogButtonBox::ActionRole);
  QPushButton* close = buttons->button(QDialogButtonBox::Close);
  close->setText(QStringLiteral("关闭"));
  close->setAccessibleName(close->text());
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(m_drive, &QPushButton::clicked, this, &CCompareDialog::compareWithDrive);
  connect(m_file, &QPushButton::clicked, this, &CCompareDialog::compareWithFile);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_status);
  layout->addWidget(m_table, 1);
  layout->addWidget(buttons);
}

void CCompareDialog::ShowStatus(const QString& text) {
  m_status->setText(text);
  m_table->hide();
  adjustSize();
}

void CCompareDialog::ShowDifferences(const QString& otherColumn, const QString& summary,
                                     const std::vector<drive::ShownDifference>& differences) {
  m_status->setText(summary);
  m_table->setHorizontalHeaderItem(2, new QTableWidgetItem(otherColumn));
  m_table->setRowCount(static_cast<int>(differences.size()));
  for (int row = 0; row < m_table->rowCount(); ++row) {
    const drive::ShownDifference& d = differences[static_cast<std::size_t>(row)];
    m_table->setItem(row, 0, Cell(d.name));
    m_table->setItem(row, 1, Cell(d.page));
    m_table->setItem(row, 2, Cell(d.other));
  }
  m_table->setVisible(!differences.empty());
  adjustSize();
}

void CCompareDialog::SetBusy(bool busy) {
  m_drive->setEnabled(!busy);
  m_file->setEnabled(!busy);
}

}  // namespace zembra
