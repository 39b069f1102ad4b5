#include "app/QtPrompter.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <cstdio>

#include "link/SerialSettingsDialog.h"

namespace zembra {
namespace {

QMessageBox::Icon ToQt(PromptIcon icon) {
  switch (icon) {
    case PromptIcon::Error: return QMessageBox::Critical;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

// The desktop's own file dialog is no window of ours and would escape the
// skin; Qt's dialog looks like every other window of the program.
constexpr QFileDialog::Options kFileDialogOptions = QFileDialog::DontUseNativeDialog;

std::optional<QString> RunFileDialog(QWidget* parent, const FileDialogRequest& request, QFileDialog::AcceptMode mode) {
  QFileDialog dialog(parent, request.caption, QString(), request.filter);
  // A folder starts the dialog there; anything else is a name to propose.
  if (QFileInfo(request.proposed).isDir()) {
    dialog.setDirectory(request.proposed);
  } else if (!request.proposed.isEmpty()) {
    dialog.selectFile(request.proposed);
  }
  dialog.setAcceptMode(mode);
  dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(request.defaultSuffix);
  dialog.setOptions(kFileDialogOptions);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().constFirst();
}

}  // namespace

void QtPrompter::ShowMessage(const QString& text, const QString& caption, PromptIcon icon) {
  if (m_stopped) {
    std::fprintf(stderr, "zembra: %s: %s\n", caption.toLocal8Bit().constData(), text.toLocal8Bit().constData());
    return;
  }
  QMessageBox box(ToQt(icon), caption, text, QMessageBox::Ok, m_parent);
  box.setAccessibleName(caption);
  box.exec();
}

bool QtPrompter::AskYesNo(const QString& text, const QString& caption) {
  if (m_stopped) return false;
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, m_parent);
  box.setAccessibleName(caption);
  return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtPrompter::OpenFileName(const QString& caption, const QString& folder, const QString& filter) {
  if (m_stopped) return std::nullopt;
  QString path = QFileDialog::getOpenFileName(m_parent, caption, folder, filter, nullptr, kFileDialogOptions);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> QtPrompter::SaveFileName(const QString& caption, const QString& folder, const QString& filter) {
  if (m_stopped) return std::nullopt;
  QString path = QFileDialog::getSaveFileName(m_parent, caption, folder, filter, nullptr, kFileDialogOptions);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> QtPrompter::ChooseOpenFile(const FileDialogRequest& request) {
  if (m_stopped) return std::nullopt;
  return RunFileDialog(m_parent, request, QFileDialog::AcceptOpen);
}

std::optional<QString> QtPrompter::ChooseSaveFile(const FileDialogRequest& request) {
  if (m_stopped) return std::nullopt;
  return RunFileDialog(m_parent, request, QFileDialog::AcceptSave);
}

std::optional<SerialChoice> QtPrompter::AskSerialSettings(const SerialChoice& saved) {
  if (m_stopped) return std::nullopt;
  return SerialSettingsDialog::Ask(saved, m_parent);
}

}  // namespace zembra
