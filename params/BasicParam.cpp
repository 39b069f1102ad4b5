#include "params/BasicParam.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "drive/PageStart.h"
#include "drive/ParameterTable.h"
#include "drive/ParameterValidation.h"
#include "drive/WriteVerification.h"
#include "drive/ParameterComparison.h"
#include "params/CompareDialog.h"
#include "params/HelpDialog.h"
#include "params/OperationReport.h"
#include "params/ParameterForm.h"
#include "params/SchemeFiles.h"
#include "platform/Gbk.h"
#include "platform/Profile.h"
#include "platform/Prompter.h"
#include "platform/WindowMessages.h"

namespace zembra {

using drive::Field;
using drive::ParameterTable;
using Kind = ParameterOperations::Kind;
using StartResult = ParameterOperations::StartResult;

namespace {

QString BoxCaption() { return QString::fromUtf8(kErrorCaption); }

// Whether "写入后校验" is on, kept between runs.
const QString kVerifyAfterWriteKey = QStringLiteral("VerifyAfterWrite");

QString Utf8(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// The fields one write command sets.
std::span<const Field> FieldsOf(const drive::DriveCommand& command) {
  if (const drive::WriteStep* step = ParameterTable::WriteStepOf(command.field)) return ParameterTable::FieldsOf(*step);
  return {&command.field, 1};
}

}  // namespace

// Laid out at the size its controls need; the host fits its view to it.
CBasicParam::CBasicParam() : CPropertyViewPage(IDD, QSize()) {
  setObjectName(QStringLiteral("CBasicParam"));
  setWindowTitle(QStringLiteral("参数配置"));
  setAccessibleName(windowTitle());
}

CBasicParam::~CBasicParam() {
  if (m_ops) m_ops->StopAll();
  m_ops.reset();
}

void CBasicParam::AttachLink(TransactionEngine& engine) {
  if (m_ops) m_ops->StopAll();
  m_ops = std::make_unique<ParameterOperations>(engine);
  if (m_pauses) m_ops->SetPauses(m_pauses->first, m_pauses->second);
  RefreshButtons();
}

void CBasicParam::SetPauses(std::chrono::milliseconds read, std::chrono::milliseconds write) {
  m_pauses.emplace(read, write);
  if (m_ops) m_ops->SetPauses(read, write);
}

void CBasicParam::DetachLink() {
  if (m_ops) m_ops->StopAll();
  m_ops.reset();
  RefreshButtons();
}

ParameterOperations::Kind CBasicParam::RunningOperation() const { return m_ops ? m_ops->Running() : Kind::None; }

bool CBasicParam::OnInitDialog() {
  m_form = new CParameterForm(this);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(m_form);
  ApplyProfile();
  m_form->Show(m_held);
  m_form->ShowAllMarks(m_markers);
  WireControls();
  RefreshButtons();
  RefreshEepromNote();
  return true;
}

void CBasicParam::ApplyProfile() {
  // Read when the page is built; the page never writes either key.
  const Profile profile;
  const drive::ParameterSet start = drive::PageStart::FromProfile(profile);
  for (Field list : {Field::SerialBaud, Field::CanBaud}) m_held.Set(list, start.Value(list));
  m_form->VerifyAfterWriteCheck()->setChecked(profile.GetInt(kVerifyAfterWriteKey, 0) != 0);
}

void CBasicParam::WireControls() {
  auto button = [this](int id, void (CBasicParam::*slot)()) {
    connect(m_form->Button(id), &QPushButton::clicked, this, slot);
  };
  button(CParameterForm::IDC_READ, &CBasicParam::OnReadButton);
  button(CParameterForm::IDC_WRITE, &CBasicParam::WriteParameters);
  button(CParameterForm::IDC_EEPROM, &CBasicParam::SaveToEeprom);
  button(CParameterForm::IDC_FACTORY_RESET, &CBasicParam::RestoreFactory);
  button(CParameterForm::IDC_PHASE_INIT, &CBasicParam::StartPhaseInit);
  button(CParameterForm::IDC_SAVE_SCHEME, &CBasicParam::SaveScheme);
  button(CParameterForm::IDC_LOAD_SCHEME, &CBasicParam::LoadScheme);
  button(CParameterForm::IDC_COMPARE, &CBasicParam::OpenCompare);
  button(CParameterForm::IDC_UNITS_HELP, &CBasicParam::ShowAccelerationUnits);
  button(CParameterForm::IDC_PHASE_HELP, &CBasicParam::ShowPhaseInitHelp);
  connect(m_form->ChangeBaudCheck(), &QCheckBox::toggled, this, [this](bool on) { m_form->SetBaudListsEnabled(on); });
  connect(m_form->PhaseEnableCheck(), &QCheckBox::toggled, this, [this] { RefreshButtons(); });
  connect(m_form->VerifyAfterWriteCheck(), &QCheckBox::toggled, this,
          [](bool on) { Profile().WriteInt(kVerifyAfterWriteKey, on ? 1 : 0); });
  connect(m_form, &CParameterForm::fieldEdited, this, &CBasicParam::OnFieldEdited);
  connect(m_form, &CParameterForm::runModeClicked, this, &CBasicParam::OnRunModeClicked);
}

// ---- data exchange -------------------------------------------------------

// The page's one source of truth is m_held. At every moment what "设 置"
// would send, what "保存参数方案" would save and what the controls show are
// the same values: each of them takes the controls here, and nowhere else.
// A field counts as the user's when its text differs from the text of the
// value held now (not the text of some earlier read), and the held values
// change only when everything taken is valid, so a value that was refused,
// or only saved, never stays behind the screen.
std::optional<drive::ParameterSet> CBasicParam::TakeControls(TakeFor purpose) {
  if (!m_form) return m_held.Values();
  const CParameterForm::Taken taken = m_form->Take(m_held);
  if (taken.error) {
    Tell(taken.error->message);
    m_form->FocusField(taken.error->field);
    return std::nullopt;
  }
  // Only what the user typed is judged here: a value the drive reported
  // outside its range is marked, and refused by the write alone.
  if (std::optional<drive::FieldProblem> problem = drive::CheckTyped(taken.values, taken.typed)) {
    Tell(QString::fromStdString(problem->message));
    m_form->FocusField(problem->field);
    // A scheme keeps the values as they stand once the user was told.
    return purpose == TakeFor::Saving ? std::optional(taken.values) : std::nullopt;
  }
  if (purpose == TakeFor::Writing) {
    if (std::optional<drive::FieldProblem> refusal = drive::CheckForWrite(taken.values, m_form->ChangeBaudCheck()->isChecked())) {
      Tell(QString::fromStdString(refusal->message));
      m_form->FocusField(refusal->field);
      return std::nullopt;
    }
  }
  m_held.Commit(taken.values, taken.typed);
  for (Field field : taken.typed) {
    m_form->ShowField(field, m_held);
    MarkRange(field, false);
    m_form->ShowMarks(field, m_markers);
  }
  return taken.values;
}

void CBasicParam::MarkRange(Field field, bool fromDrive) {
  const drive::FieldInfo& info = ParameterTable::Info(field);
  if (info.schemeOnly || info.kind == drive::ControlKind::DisplayEdit || drive::InRange(field, m_held.Values())) {
    m_markers.SetOutOfRange(field, QString());
    return;
  }
  const QString source = fromDrive ? QStringLiteral("驱动器中的值超出范围") : QStringLiteral("方案中的值超出范围");
  m_markers.SetOutOfRange(field, QStringLiteral("%1：%2").arg(source, QString::fromStdString(drive::RangeSpan(field))));
}

bool CBasicParam::UpdateData(bool save) {
  if (!m_form) return true;
  if (!save) {
    m_form->Show(m_held);
    m_form->ShowAllMarks(m_markers);
    return true;
  }
  return TakeControls(TakeFor::Leaving).has_value();
}

void CBasicParam::OnResetPage() {
  CPropertyViewPage::OnResetPage();
  // The page starts in speed mode with digital commands, forward, every
  // signal source offered.
  m_held.Set(Field::RunMode, static_cast<int>(DriveRunMode::Speed));
  m_held.Set(Field::SignalSource, static_cast<int>(SignalSource::Digital));
  m_held.Set(Field::Direction, 0);
  if (!m_form) return;
  for (Field field : {Field::RunMode, Field::SignalSource, Field::Direction}) m_form->ShowField(field, m_held);
  m_form->ApplySignalChoice(RunModeRules::OnRunModeClicked(DriveRunMode::Speed, SignalSource::Digital));
}

int CBasicParam::CurrentInt(Field field) const {
  if (m_form) {
    if (std::optional<double> typed = m_form->EditValue(field)) {
      drive::ParameterSet probe = m_held.Values();
      probe.Set(field, *typed);
      return probe.Int(field);
    }
  }
  return m_held.Values().Int(field);
}

int CBasicParam::MaxSpeed() const { return CurrentInt(Field::MaxSpeed); }

int CBasicParam::EncoderResolution() const { return CurrentInt(Field::EncoderResolution); }

// ---- messages and refusals ----------------------------------------------

std::intptr_t CBasicParam::OnMessage(const WindowMessage& message) {
  switch (message.msg) {
    case WM_PAGE_NOTIFY:
      // After identification the user may have typed values meant for this
      // drive; after a factory reset the drive's values are the truth.
      StartRead(message.wParam == kNotifyFactoryReset ? ReadScope::ReplaceAll : ReadScope::KeepEdits, false);
      return 0;
    case WM_PAGE_ACTIVATED:
      StartRead(ReadScope::KeepEdits, false);
      return 0;
    default:
      return CPropertyViewPage::OnMessage(message);
  }
}

void CBasicParam::Tell(const QString& text) { CurrentPrompter().ShowMessage(text, BoxCaption(), PromptIcon::Error); }

void CBasicParam::Refuse(StartResult result) {
  switch (result) {
    case StartResult::NotConnected:
      Tell(kNotConnected);
      return;
    case StartResult::Busy:
      Tell(ParameterOperations::BusyText(RunningOperation()));
      return;
    case StartResult::Started:
      return;
  }
}

bool CBasicParam::MayStart(bool needsConnection) {
  if (needsConnection && (!m_ops || !m_ops->Connected())) {
    Refuse(StartResult::NotConnected);
    return false;
  }
  if (RunningOperation() != Kind::None) {
    Refuse(StartResult::Busy);
    return false;
  }
  return m_ops != nullptr;
}

void CBasicParam::SetStatusText(const QString& text) {
  if (m_statusText) m_statusText(text);
}

void CBasicParam::ShowProgress(const QString& text, int done, int total) {
  if (!m_form) return;
  m_form->ProgressText()->setText(text);
  m_form->Progress()->setRange(0, total);
  m_form->Progress()->setValue(done);
}

void CBasicParam::ShowResult(const QString& text) {
  if (!m_form) return;
  m_form->ResultText()->setText(text);
}

void CBasicParam::RefreshButtons() {
  if (!m_form) return;
  const bool idle = RunningOperation() == Kind::None;
  // "读 取" stays live: a second press is told what runs.
  m_form->Button(CParameterForm::IDC_WRITE)->setEnabled(idle);
  m_form->Button(CParameterForm::IDC_EEPROM)->setEnabled(idle && m_eepromAllowed);
  m_form->Button(CParameterForm::IDC_FACTORY_RESET)->setEnabled(idle);
  m_form->Button(CParameterForm::IDC_LOAD_SCHEME)->setEnabled(idle);
  m_form->Button(CParameterForm::IDC_PHASE_INIT)->setEnabled(idle && m_form->PhaseEnableCheck()->isChecked());
}

void CBasicParam::RefreshEepromNote() {
  if (!m_form) return;
  m_form->EepromNote()->setText(m_markers.NotInEeprom() ? FieldMarkers::kNotInEepromNote : QString());
  m_form->EepromNote()->setVisible(m_markers.NotInEeprom());
}

// ---- bulk read -----------------------------------------------------------

void CBasicParam::OnReadButton() {
  if (!MayStart(true)) return;
  StartRead(ReadScope::ReplaceAll, true);
}

void CBasicParam::StartRead(ReadScope scope, bool userAsked) {
  if (!m_ops) return;
  const StartResult started = m_ops->StartRead([this, scope](const drive::ReadStepResult& step) { OnReadStep(step, scope); },
                                               [this](const drive::ReadSummary& summary) { OnReadFinished(summary); });
  if (started != StartResult::Started) {
    if (userAsked) Refuse(started);
    return;
  }
  ShowProgress(OperationReport::ReadProgress(0, drive::ParameterReadSequence::StepCount()), 0,
               drive::ParameterReadSequence::StepCount());
  RefreshButtons();
}

void CBasicParam::OnReadStep(const drive::ReadStepResult& step, ReadScope scope) {
  const int total = drive::ParameterReadSequence::StepCount();
  ShowProgress(OperationReport::ReadProgress(step.index + 1, total), step.index + 1, total);
  if (step.outcome == drive::ReadStepResult::Outcome::TimedOut && m_console)
    m_console(ToGbk(Utf8(step.step->timeoutLine)));
  for (Field field : ParameterTable::FieldsOf(*step.step)) {
    const drive::FieldUpdate* update = nullptr;
    if (step.outcome == drive::ReadStepResult::Outcome::Answered) {
      for (const drive::FieldUpdate& u : step.decoded.updates)
        if (u.field == field) update = &u;
    }
    if (!update) {
      // Unanswered, refused, or nothing usable in the reply: the field
      // keeps what it shows and says it is not the drive's.
      m_markers.ReadFailed(field);
    } else {
      drive::HeldValues probe = m_held;
      probe.SetFromDrive(field, update->value, update->shownText);
      if (m_markers.TakeReadValue(field, scope, QString::fromStdString(probe.DisplayText(field)))) {
        m_held = probe;
        MarkRange(field, true);
        if (m_form) m_form->ShowField(field, m_held);
      }
    }
    if (m_form) m_form->ShowMarks(field, m_markers);
  }
}

void CBasicParam::OnReadFinished(const drive::ReadSummary& summary) {
  ShowResult(OperationReport::ReadResult(summary));
  RefreshButtons();
}

// ---- write ---------------------------------------------------------------

void CBasicParam::WriteParameters() {
  if (!MayStart(true)) return;
  const std::optional<drive::ParameterSet> values = TakeControls(TakeFor::Writing);
  if (!values) return;
  const bool changeBaud = m_form->ChangeBaudCheck()->isChecked();
  m_written = *values;
  m_writeCommands = drive::EncodeWrite(*values, changeBaud);
  m_writeSent.assign(m_writeCommands.size(), false);
  m_editedDuringWrite.clear();
  const int total = static_cast<int>(m_writeCommands.size());
  const StartResult started =
      m_ops->StartWrite(m_writeCommands, [this](const drive::CommandResult& result) { OnWriteStep(result); },
                        [this, changeBaud](const drive::CommandSummary& summary) { OnWriteFinished(summary, changeBaud); });
  if (started != StartResult::Started) {
    Refuse(started);
    return;
  }
  ShowProgress(OperationReport::WriteProgress(0, total), 0, total);
  RefreshButtons();
}

void CBasicParam::OnWriteStep(const drive::CommandResult& result) {
  const auto index = static_cast<std::size_t>(result.index);
  if (index < m_writeSent.size()) m_writeSent[index] = result.sent;
  const int total = static_cast<int>(m_writeCommands.size());
  ShowProgress(OperationReport::WriteProgress(result.index + 1, total), result.index + 1, total);
  // The fifth command (the speed feed-forward) clears the progress pane.
  if (result.index == 4) SetStatusText(QString());
}

void CBasicParam::OnWriteFinished(const drive::CommandSummary& summary, bool changeBaud) {
  bool anySent = false;
  for (std::size_t i = 0; i < m_writeCommands.size(); ++i) {
    if (!m_writeSent[i]) continue;
    anySent = true;
    const drive::DriveCommand& command = m_writeCommands[i];
    bool drivePassed = true;
    for (std::string_view mnemonic : summary.answeredError) drivePassed = drivePassed && mnemonic != command.mnemonic;
    if (!drivePassed) continue;
    for (Field field : FieldsOf(command))
      if (!m_editedDuringWrite.count(field)) m_markers.Written(field);
  }
  if (anySent) m_markers.WriteSent();
  const QString report = OperationReport::WriteResult(summary, m_writeCommands, m_writeSent);
  ShowResult(report);
  if (m_form) m_form->ShowAllMarks(m_markers);
  RefreshEepromNote();

  const bool baudSent = changeBaud && m_writeSent.size() >= 2 && m_writeSent[m_writeSent.size() - 1] &&
                        m_writeSent[m_writeSent.size() - 2];
  if (!summary.Complete()) Tell(report);
  const bool verify = anySent && m_form && m_form->VerifyAfterWriteCheck()->isChecked();
  // After a baud change the drive answers at a rate this link does not
  // speak: a read-back could only time out.
  if (verify && baudSent) ShowResult(QStringLiteral("%1；波特率已更改，未校验").arg(report));
  if (baudSent) {
    CurrentPrompter().ShowMessage(kBaudWarning, BoxCaption(), PromptIcon::Error);
    if (m_form) {
      m_form->ChangeBaudCheck()->setChecked(false);
      m_form->SetBaudListsEnabled(false);
      m_form->ShowField(Field::SerialBaud, m_held);
      m_form->ShowField(Field::CanBaud, m_held);
    }
  }
  // Only a write that reached the drive whole may be stored in its EEPROM.
  if (summary.Complete()) m_eepromAllowed = true;
  RefreshButtons();
  if (verify && !baudSent) StartVerification(report);
}

void CBasicParam::StartVerification(const QString& writeReport) {
  const std::vector<int> steps = drive::WriteVerification::ReadBackSteps(m_writeCommands, m_writeSent);
  if (!m_ops || steps.empty()) return;
  m_readBack.emplace(m_written);
  const int total = static_cast<int>(steps.size());
  auto done = std::make_shared<int>(0);
  const StartResult started = m_ops->StartVerify(
      steps,
      [this, done, total](const drive::ReadStepResult& step) {
        m_readBack->Apply(step);
        ++*done;
        ShowProgress(QStringLiteral("校验参数 %1/%2").arg(*done).arg(total), *done, total);
      },
      [this, writeReport](const drive::ReadSummary&) { OnVerificationFinished(writeReport); });
  if (started != StartResult::Started) {
    ShowResult(QStringLiteral("%1；未能校验：%2").arg(writeReport, ParameterOperations::BusyText(RunningOperation())));
    return;
  }
  ShowProgress(QStringLiteral("校验参数 0/%1").arg(total), 0, total);
  RefreshButtons();
}

void CBasicParam::OnVerificationFinished(const QString& writeReport) {
  const drive::VerificationResult result =
      drive::WriteVerification::Judge(m_written, m_writeCommands, m_writeSent, *m_readBack);
  const QString verdict = QString::fromStdString(result.Describe());
  ShowResult(QStringLiteral("%1；%2").arg(writeReport, verdict));
  RefreshButtons();
  // A drive that holds something else than it was sent must not go by
  // unnoticed in a line of text.
  if (!result.Passed()) Tell(verdict);
}

// ---- EEPROM, factory reset, phase initialisation ------------------------

void CBasicParam::SaveToEeprom() {
  if (!MayStart(true)) return;
  m_eepromAllowed = false;
  const StartResult started =
      m_ops->StartEepromSave([this](const drive::EepromResult& result) { OnEepromFinished(result); });
  if (started != StartResult::Started) {
    Refuse(started);
    return;
  }
  SetStatusText(QStringLiteral("保存设置"));
  ShowProgress(QStringLiteral("保存至EEPROM…"), 0, 0);
  RefreshButtons();
}

void CBasicParam::OnEepromFinished(const drive::EepromResult& result) {
  const QString text = QString::fromStdString(drive::DescribeEepromResult(result));
  ShowProgress(QString(), 1, 1);
  ShowResult(text);
  if (result.outcome == drive::EepromResult::Outcome::Stored) {
    m_markers.EepromStored();
  } else {
    // Not stored: the user may try again.
    m_eepromAllowed = true;
    Tell(text);
  }
  RefreshEepromNote();
  RefreshButtons();
}

void CBasicParam::RestoreFactory() {
  if (!MayStart(true)) return;
  if (!CurrentPrompter().AskYesNo(kFactoryQuestion, BoxCaption())) return;
  const StartResult started = m_ops->StartFactoryReset(
      [this](const LinkReply& reply) {
        if (reply.outcome == LinkReply::Outcome::Refused) {
          Tell(QStringLiteral("恢复出厂设置的命令未能发出：%1").arg(DescribeRefusal(reply.refusal)));
        } else {
          SetStatusText(QStringLiteral("恢复出厂设置"));
        }
        const int total = drive::ParameterReadSequence::StepCount();
        ShowProgress(OperationReport::ReadProgress(0, total), 0, total);
      },
      [this](const drive::ReadStepResult& step) { OnReadStep(step, ReadScope::ReplaceAll); },
      [this](const drive::ReadSummary& summary) { OnReadFinished(summary); });
  if (started != StartResult::Started) {
    Refuse(started);
    return;
  }
  ShowProgress(QStringLiteral("恢复出厂设置…"), 0, 0);
  RefreshButtons();
}

void CBasicParam::StartPhaseInit() {
  if (!MayStart(false)) return;
  const StartResult started = m_ops->StartPhaseInit([this](const LinkReply& reply) {
    if (reply.outcome == LinkReply::Outcome::Refused) {
      const QString text = QStringLiteral("自动初始化相位的命令未能发出：%1").arg(DescribeRefusal(reply.refusal));
      ShowResult(text);
      Tell(text);
    } else {
      ShowResult(QStringLiteral("已发出自动初始化相位命令"));
    }
    RefreshButtons();
  });
  if (started != StartResult::Started) {
    Refuse(started);
    return;
  }
  RefreshButtons();
}

// ---- schemes ---------------------------------------------------------------

void CBasicParam::SaveScheme() {
  const QString proposed = m_modelName ? m_modelName() : QString();
  const SchemeFiles::SaveOutcome outcome =
      SchemeFiles::Save(proposed, [this] { return TakeControls(TakeFor::Saving); });
  if (outcome == SchemeFiles::SaveOutcome::Saved) ShowResult(SchemeFiles::kSaved);
}

void CBasicParam::LoadScheme() {
  // A read or write running now would mix its values with the file's.
  if (RunningOperation() != Kind::None) {
    Refuse(StartResult::Busy);
    return;
  }
  drive::ParameterSet loaded = m_held.Values();
  if (SchemeFiles::Load(loaded) != SchemeFiles::LoadOutcome::Loaded) return;
  // The file's values are not the drive's until they are written.
  std::vector<Field> fromFile;
  for (const drive::FieldInfo& info : ParameterTable::Fields()) {
    if (!ParameterTable::SchemeKeyOf(info.field)) continue;
    fromFile.push_back(info.field);
    if (loaded.Value(info.field) != m_held.Values().Value(info.field) || m_held.ShowsDriveText(info.field))
      m_markers.MarkEdited(info.field);
  }
  m_held.Commit(loaded, fromFile);
  for (Field field : fromFile) MarkRange(field, false);
  UpdateData(false);
  ShowResult(QStringLiteral("参数方案已加载，尚未写入驱动器"));
}

// ---- comparison ------------------------------------------------------------

std::optional<drive::HeldValues> CBasicParam::ShownValues() {
  if (!m_form) return m_held;
  const CParameterForm::Taken taken = m_form->Take(m_held);
  if (taken.error) {
    Tell(taken.error->message);
    m_form->FocusField(taken.error->field);
    return std::nullopt;
  }
  drive::HeldValues shown = m_held;
  shown.Commit(taken.values, taken.typed);
  return shown;
}

void CBasicParam::OpenCompare() {
  if (!m_compare) {
    m_compare = new CCompareDialog(this);
    m_compare->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_compare, &CCompareDialog::compareWithDrive, this, &CBasicParam::CompareWithDrive);
    connect(m_compare, &CCompareDialog::compareWithFile, this, &CBasicParam::CompareWithFile);
  }
  m_compare->ShowStatus(QStringLiteral("选择要与页面比较的一方"));
  m_compare->open();
  if (m_ops && m_ops->Connected()) CompareWithDrive();
}

void CBasicParam::CompareWithDrive() {
  if (!m_compare) return;
  if (!m_ops || !m_ops->Connected()) {
    m_compare->ShowStatus(QStringLiteral("%1，可以与方案文件比较").arg(kNotConnected));
    return;
  }
  if (RunningOperation() != Kind::None) {
    m_compare->ShowStatus(ParameterOperations::BusyText(RunningOperation()));
    return;
  }
  m_compareShown = ShownValues();
  if (!m_compareShown) {
    m_compare->ShowStatus(QStringLiteral("页面中有无法识别的值，未比较"));
    return;
  }
  // The drive's answers go into a readout of their own: no field changes.
  m_compareRead.emplace(m_compareShown->Values());
  const int total = drive::ParameterReadSequence::StepCount();
  const StartResult started = m_ops->StartRead(
      [this, total](const drive::ReadStepResult& step) {
        m_compareRead->Apply(step);
        if (m_compare) m_compare->ShowStatus(QStringLiteral("正在读取驱动器 %1/%2").arg(step.index + 1).arg(total));
      },
      [this](const drive::ReadSummary& summary) { OnDriveCompared(summary); });
  if (started != StartResult::Started) {
    m_compare->ShowStatus(started == StartResult::Busy ? ParameterOperations::BusyText(RunningOperation()) : kNotConnected);
    return;
  }
  m_compare->SetBusy(true);
  m_compare->ShowStatus(QStringLiteral("正在读取驱动器 0/%1").arg(total));
  RefreshButtons();
}

void CBasicParam::OnDriveCompared(const drive::ReadSummary& summary) {
  RefreshButtons();
  if (!m_compare || !m_compareRead || !m_compareShown) return;
  m_compare->SetBusy(false);
  std::vector<Field> answered;
  QStringList unread;
  for (Field field : drive::DriveFields()) {
    if (m_compareRead->Held(field)) {
      answered.push_back(field);
    } else {
      unread << Utf8(ParameterTable::Info(field).name);
    }
  }
  const std::vector<drive::ShownDifference> differences =
      drive::CompareShown(*m_compareShown, m_compareRead->Shown(), answered);
  QString summaryText = differences.empty()
                            ? QStringLiteral("页面与驱动器一致（已比较 %1 项）").arg(answered.size())
                            : QStringLiteral("与驱动器有 %1 项不同（已比较 %2 项）").arg(differences.size()).arg(answered.size());
  if (summary.stopped) summaryText += QStringLiteral("；读取已中断");
  if (!unread.isEmpty()) summaryText += QStringLiteral("；未能读取：%1").arg(unread.join(QStringLiteral("、")));
  m_compare->ShowDifferences(QStringLiteral("驱动器中的值"), summaryText, differences);
}

void CBasicParam::CompareWithFile() {
  if (!m_compare) return;
  const std::optional<drive::HeldValues> shown = ShownValues();
  if (!shown) {
    m_compare->ShowStatus(QStringLiteral("页面中有无法识别的值，未比较"));
    return;
  }
  drive::ParameterSet fromFile = shown->Values();
  QString path;
  if (SchemeFiles::Read(QStringLiteral("与方案文件比较"), fromFile, &path) != SchemeFiles::LoadOutcome::Loaded) return;
  const std::vector<Field> fields = drive::SchemeFields();
  const std::vector<drive::ShownDifference> differences =
      drive::CompareShown(*shown, drive::HeldValues(fromFile), fields);
  const QString name = QFileInfo(path).fileName();
  const QString summaryText =
      differences.empty() ? QStringLiteral("页面与“%1”一致（已比较 %2 项）").arg(name).arg(fields.size())
                          : QStringLiteral("与“%1”有 %2 项不同（已比较 %3 项）").arg(name).arg(differences.size()).arg(fields.size());
  m_compare->ShowDifferences(QStringLiteral("文件中的值"), summaryText, differences);
}

// ---- controls --------------------------------------------------------------

void CBasicParam::OnFieldEdited(Field field) {
  m_markers.MarkEdited(field);
  if (RunningOperation() == Kind::Write) m_editedDuringWrite.insert(field);
  if (m_form) m_form->ShowMarks(field, m_markers);
}

void CBasicParam::OnRunModeClicked(DriveRunMode mode) {
  const int checked = m_form->CheckedIndex(Field::SignalSource);
  const auto current = static_cast<SignalSource>(checked >= 0 ? checked : 0);
  const SignalSourceChoice choice = RunModeRules::OnRunModeClicked(mode, current);
  m_form->ApplySignalChoice(choice);
  if (choice.selected != current) OnFieldEdited(Field::SignalSource);
}

void CBasicParam::OpenHelp(CHelpDialog* dialog) {
  if (m_help) m_help->accept();
  m_help = dialog;
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->open();
}

void CBasicParam::ShowAccelerationUnits() { OpenHelp(CHelpDialog::AccelerationUnits(this)); }

void CBasicParam::ShowPhaseInitHelp() { OpenHelp(CHelpDialog::PhaseInitialisation(this)); }

}  // namespace zembra
