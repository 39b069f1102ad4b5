#pragma once
// The controls of the parameter page, laid out: one control (or radio
// group) per field of the parameter table, the scheme-only fields hidden,
// the page's buttons and its progress and result lines. It exchanges
// values between the controls and a parameter set and shows the field
// markers; what the buttons do is the page's business.
#include <QWidget>
#include <array>
#include <optional>
#include <vector>

#include "drive/ParameterSet.h"
#include "drive/ParameterTable.h"
#include "params/FieldMarkers.h"
#include "params/RunModeRules.h"

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace zembra {

class CParameterForm : public QWidget {
  Q_OBJECT

 public:
  enum ControlId : int {
    IDC_WRITE = 1140,
    IDC_EEPROM = 1141,
    IDC_LOAD_SCHEME = 1142,
    IDC_PHASE_HELP = 1143,
    IDC_READ = 1155,
    IDC_FACTORY_RESET = 1186,
    IDC_SAVE_SCHEME = 1191,
    IDC_CHANGE_BAUD = 1228,
    IDC_UNITS_HELP = 1243,
    IDC_PHASE_INIT = 1246,
    IDC_PHASE_ENABLE = 1247,
  };

  enum class Mark { None, Stale, Edited };

  struct TakeError {
    drive::Field field;
    QString message;
  };

  explicit CParameterForm(QWidget* parent = nullptr);

  // Every field's control shows its value.
  void Show(const drive::ParameterSet& values);
  // One field's control shows its value; an edit shows `text` instead
  // when given (the drive's reply as received).
  void ShowField(drive::Field field, const drive::ParameterSet& values, const QString* text = nullptr);
  // Reads the controls into `values`. An edit that still shows what the
  // page put there keeps the value it was shown with, so a reply shown as
  // received ("ERR") is never parsed back. Every field that parses is
  // taken; the first that does not is returned.
  std::optional<TakeError> Take(drive::ParameterSet& values) const;
  // The number an edit holds now, when it parses.
  std::optional<double> EditValue(drive::Field field) const;
  // The checked radio of a group, -1 when none is.
  int CheckedIndex(drive::Field field) const;
  // How a field's value reads to a user ("速度模式", "选中", "500").
  QString ValueText(drive::Field field, const drive::ParameterSet& values) const;

  // Tint and tool tip (the field hint, then the markers' notes).
  void ShowMarks(drive::Field field, const FieldMarkers& markers);
  void ShowAllMarks(const FieldMarkers& markers);
  Mark MarkOf(drive::Field field) const;

  void ApplySignalChoice(const SignalSourceChoice& choice);
  void SetBaudListsEnabled(bool enabled);
  // Puts the keyboard focus on a field's control.
  void FocusField(drive::Field field);

  QPushButton* Button(int id) const;
  QCheckBox* ChangeBaudCheck() const { return m_changeBaud; }
  QCheckBox* PhaseEnableCheck() const { return m_phaseEnable; }
  QProgressBar* Progress() const { return m_progress; }
  QLabel* ProgressText() const { return m_progressText; }
  QLabel* ResultText() const { return m_resultText; }
  QLabel* EepromNote() const { return m_eepromNote; }

 signals:
  // The user changed a field's control (typing, a click, a list choice).
  void fieldEdited(drive::Field field);
  // The user clicked a run-mode radio button.
  void runModeClicked(DriveRunMode mode);

 private:
  struct FieldControls {
    QLabel* label = nullptr;
    QLineEdit* edit = nullptr;
    QCheckBox* check = nullptr;
    QComboBox* list = nullptr;
    QButtonGroup* group = nullptr;
    std::vector<QAbstractButton*> radios;
    // What the page last put into the edit or list: a different text or
    // item is the user's, however it got there (keys, a screen reader, a
    // test driver).
    QString shownText;
    int shownIndex = -1;
    Mark mark = Mark::None;
  };

  void CreateFieldControls();
  void CreateEdit(const drive::FieldInfo& info, FieldControls& controls);
  void CreateRadios(const drive::FieldInfo& info, FieldControls& controls);
  void CreateList(const drive::FieldInfo& info, FieldControls& controls);
  QPushButton* CreateButton(int id, const QString& caption);
  QCheckBox* CreateCheck(int id, const QString& caption);
  void BuildLayout();
  QGroupBox* RadioBox(drive::Field field, int columns);
  QGroupBox* FieldBox(const QString& title, std::initializer_list<drive::Field> fields);
  void AddEditRow(QGridLayout* grid, int row, drive::Field field);
  QWidget* Unit(int controlId);
  void SetTint(QWidget* widget, Mark mark);
  std::vector<QWidget*> WidgetsOf(drive::Field field) const;

  FieldControls& At(drive::Field field) { return m_fields[drive::Index(field)]; }
  const FieldControls& At(drive::Field field) const { return m_fields[drive::Index(field)]; }

  std::array<FieldControls, drive::kFieldCount> m_fields;
  std::vector<QPushButton*> m_buttons;
  QCheckBox* m_changeBaud = nullptr;
  QCheckBox* m_phaseEnable = nullptr;
  QProgressBar* m_progress = nullptr;
  QLabel* m_progressText = nullptr;
  QLabel* m_resultText = nullptr;
  QLabel* m_eepromNote = nullptr;
};

}  // namespace zembra
