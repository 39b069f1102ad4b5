#pragma once
// The controls of the parameter page, laid out: one control (or radio
// group) per field of the parameter table, the scheme-only fields hidden,
// the page's buttons and its progress and result lines. It shows the
// values the page holds, takes what the controls show, and shows the field
// markers; what the buttons do is the page's business.
#include <QWidget>
#include <array>
#include <optional>
#include <vector>

#include "drive/HeldValues.h"
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
    IDC_COMPARE = 1248,
    IDC_VERIFY_AFTER_WRITE = 1249,
  };

  enum class Mark { None, Stale, Edited, OutOfRange };

  struct TakeError {
    drive::Field field;
    QString message;
  };

  // What the controls show, as values: every field of the held values,
  // with each edit whose text differs from the text of the value held
  // parsed in its place (those are `typed`). An edit that still shows the
  // held text keeps the held value, so a reply shown as received ("ERR")
  // is never parsed back.
  struct Taken {
    drive::ParameterSet values;
    std::vector<drive::Field> typed;
    std::optional<TakeError> error;  // the first edit that does not parse
  };

  explicit CParameterForm(QWidget* parent = nullptr);

  // Every field's control shows the value held, an edit its held text.
  void Show(const drive::HeldValues& held);
  void ShowField(drive::Field field, const drive::HeldValues& held);
  // Reads the controls against the values held; changes nothing.
  Taken Take(const drive::HeldValues& held) const;
  // The number an edit holds now, when it parses.
  std::optional<double> EditValue(drive::Field field) const;
  // The checked radio of a group, -1 when none is.
  int CheckedIndex(drive::Field field) const;

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
  QCheckBox* VerifyAfterWriteCheck() const { return m_verifyAfterWrite; }
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
    // test driver). Only tells when to mark a field edited; what a field
    // holds is the page's held values.
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
  QWidget* Unit(drive::Field field);
  void SetTint(QWidget* widget, Mark mark);
  std::vector<QWidget*> WidgetsOf(drive::Field field) const;

  FieldControls& At(drive::Field field) { return m_fields[drive::Index(field)]; }
  const FieldControls& At(drive::Field field) const { return m_fields[drive::Index(field)]; }

  std::array<FieldControls, drive::kFieldCount> m_fields;
  std::vector<QPushButton*> m_buttons;
  QCheckBox* m_changeBaud = nullptr;
  QCheckBox* m_phaseEnable = nullptr;
  QCheckBox* m_verifyAfterWrite = nullptr;
  QProgressBar* m_progress = nullptr;
  QLabel* m_progressText = nullptr;
  QLabel* m_resultText = nullptr;
  QLabel* m_eepromNote = nullptr;
};

}  // namespace zembra
