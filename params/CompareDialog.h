#pragma once
// "比较…": the parameters whose value elsewhere (the drive, or a scheme
// file) reads differently from the page, side by side. It only lays out
// what the page finds and passes on what the user asks for; the page does
// the reading and the comparing, and changes no field for it.
#include <QDialog>
#include <vector>

#include "drive/ParameterComparison.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace zembra {

class CCompareDialog : public QDialog {
  Q_OBJECT

 public:
  enum ControlId : int { IDC_COMPARE_DRIVE = 1250, IDC_COMPARE_FILE = 1251, IDC_COMPARE_TABLE = 1252 };

  explicit CCompareDialog(QWidget* parent);

  // A comparison in progress or refused: the words, and no table.
  void ShowStatus(const QString& text);
  // The result: the other side's name for the third column ("驱动器中的值"),
  // a line saying what was compared, and the differences.
  void ShowDifferences(const QString& otherColumn, const QString& summary,
                       const std::vector<drive::ShownDifference>& differences);
  // While the drive is read, neither comparison can start.
  void SetBusy(bool busy);

  QLabel* Status() const { return m_status; }
  QTableWidget* Table() const { return m_table; }
  QPushButton* DriveButton() const { return m_drive; }
  QPushButton* FileButton() const { return m_file; }

 signals:
  void compareWithDrive();
  void compareWithFile();

 private:
  QLabel* m_status = nullptr;
  QTableWidget* m_table = nullptr;
  QPushButton* m_drive = nullptr;
  QPushButton* m_file = nullptr;
};

}  // namespace zembra
