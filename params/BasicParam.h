#pragma once
// The parameter page, first tab of the sheet view: the drive's parameters
// read in bulk, edited, checked and written back, stored in the drive's
// EEPROM or reset to the factory's, and kept as scheme files. The page
// lays out and wires; the sequences, the table and the checks live in
// drive/, the exclusion of operations, the markers and the report texts in
// plain classes beside it.
#include <QPointer>
#include <functional>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

#include "drive/HeldValues.h"
#include "drive/ParameterSet.h"
#include "drive/ParameterReadout.h"
#include "drive/WriteEncoder.h"
#include "link/TransactionEngine.h"
#include "pagehost/PropertyViewPage.h"
#include "params/FieldMarkers.h"
#include "params/ParameterOperations.h"
#include "params/RunModeRules.h"

namespace zembra {

class CCompareDialog;
class CHelpDialog;
class CParameterForm;

class CBasicParam : public CPropertyViewPage {
  Q_OBJECT

 public:
  enum : int { IDD = 141 };

  // WM_PAGE_NOTIFY's wParam: why the page is to read the drive.
  enum NotifyReason : std::uintptr_t { kNotifyFactoryReset = 0, kNotifyDriveIdentified = 1 };

  static inline const QString kNotConnected = QStringLiteral("请先连接驱动器");
  static inline const QString kFactoryQuestion = QStringLiteral("是否要恢复出厂设置？");
  static inline const QString kBaudWarning = QStringLiteral(
      "RS232和CAN的波特率都已经更改，请使用新的波特率重新打开RS232或CAN通讯设备，否则会无法通讯。");

  CBasicParam();
  // Stops a running operation; nothing it started outlives the page.
  ~CBasicParam() override;

  // The link the page talks over; without it every operation is refused
  // as "not connected".
  void AttachLink(TransactionEngine& engine);
  // Stops whatever runs and lets go of the link (before the link goes).
  void DetachLink();
  // The pauses between commands (see ParameterOperations::SetPauses).
  void SetPauses(std::chrono::milliseconds read, std::chrono::milliseconds write);
  // The main frame's progress pane (hidden status bar, third pane).
  void SetStatusTextSink(std::function<void(const QString&)> sink) { m_statusText = std::move(sink); }
  // The console's text sink: narrow GBK text, line ends converted there.
  void SetConsoleSink(std::function<void(std::string_view gbk)> sink) { m_console = std::move(sink); }
  // The drive model shown in the status strip, proposed as a scheme's name.
  void SetModelNameSource(std::function<QString()> source) { m_modelName = std::move(source); }

  // The fields' current values, as typed when they parse.
  int MaxSpeed() const;
  int EncoderResolution() const;
  int Shown(drive::Field field) const { return CurrentInt(field); }

  // The values the page holds: what a write sends and a scheme saves once
  // the controls are taken (see TakeControls).
  const drive::ParameterSet& Values() const { return m_held.Values(); }
  const drive::HeldValues& Held() const { return m_held; }
  const FieldMarkers& Markers() const { return m_markers; }
  CParameterForm* Form() const { return m_form; }
  ParameterOperations::Kind RunningOperation() const;
  bool EepromSaveAllowed() const { return m_eepromAllowed; }

  bool UpdateData(bool save) override;
  void OnResetPage() override;
  std::intptr_t OnMessage(const WindowMessage& message) override;

 public slots:
  void OnReadButton();
  void WriteParameters();
  void SaveToEeprom();
  void RestoreFactory();
  void StartPhaseInit();
  void SaveScheme();
  void LoadScheme();
  // "比较…": opens the comparison and compares with the drive at once when
  // one is connected.
  void OpenCompare();
  void ShowAccelerationUnits();
  void ShowPhaseInitHelp();

 protected:
  bool OnInitDialog() override;

 private:
  enum class TakeFor { Leaving, Writing, Saving };
  // The one way the controls become values; see the invariant in the
  // source.
  std::optional<drive::ParameterSet> TakeControls(TakeFor purpose);
  // Marks a field whose held value lies outside its range, saying where
  // the value came from.
  void MarkRange(drive::Field field, bool fromDrive);

  void WireControls();
  void ApplyProfile();
  // Refuses with a message when nothing may start; true when it may.
  bool MayStart(bool needsConnection);
  void Refuse(ParameterOperations::StartResult result);
  void Tell(const QString& text);

  void StartRead(ReadScope scope, bool userAsked);
  void OnReadStep(const drive::ReadStepResult& step, ReadScope scope);
  void OnReadFinished(const drive::ReadSummary& summary);
  void OnWriteStep(const drive::CommandResult& result);
  void OnWriteFinished(const drive::CommandSummary& summary, bool changeBaud);
  // The read-back of "写入后校验": the written parameters read again
  // without touching a field, and compared with what was sent.
  void StartVerification(const QString& writeReport);
  void OnVerificationFinished(const QString& writeReport);
  // What the controls show, as held values, without committing anything;
  // nothing when an edit does not parse (the user was told).
  std::optional<drive::HeldValues> ShownValues();
  void CompareWithDrive();
  void OnDriveCompared(const drive::ReadSummary& summary);
  void CompareWithFile();
  void OnEepromFinished(const drive::EepromResult& result);

  void OnFieldEdited(drive::Field field);
  void OnRunModeClicked(DriveRunMode mode);
  void ShowProgress(const QString& text, int done, int total);
  void ShowResult(const QString& text);
  void RefreshButtons();
  void RefreshEepromNote();
  void SetStatusText(const QString& text);
  int CurrentInt(drive::Field field) const;
  void OpenHelp(CHelpDialog* dialog);

  drive::HeldValues m_held;
  FieldMarkers m_markers;
  CParameterForm* m_form = nullptr;
  std::unique_ptr<ParameterOperations> m_ops;
  std::function<void(const QString&)> m_statusText;
  std::function<void(std::string_view)> m_console;
  std::function<QString()> m_modelName;
  std::optional<std::pair<std::chrono::milliseconds, std::chrono::milliseconds>> m_pauses;
  bool m_eepromAllowed = false;  // a complete write since the last EEPROM save
  drive::ParameterSet m_written;  // the values the running write was made from
  std::vector<drive::DriveCommand> m_writeCommands;
  std::optional<drive::ParameterReadout> m_readBack;
  std::vector<bool> m_writeSent;
  std::set<drive::Field> m_editedDuringWrite;
  QPointer<CHelpDialog> m_help;
  QPointer<CCompareDialog> m_compare;
  std::optional<drive::HeldValues> m_compareShown;  // the page as it was when the drive read began
  std::optional<drive::ParameterReadout> m_compareRead;
};

}  // namespace zembra
