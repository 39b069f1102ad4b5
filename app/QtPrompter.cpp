#include "app/QtPrompter.h"

#include <QFileDialog>
#include <QMessageBox>

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

}  // namespace

void QtPrompter::ShowMessage(const QString& text, const QString& caption, PromptIcon icon) {
  QMessageBox box(ToQt(icon), caption, text, QMessageBox::Ok, m_parent);
  box.setAccessibleName(caption);
  box.exec();
}

bool QtPrompter::AskYesNo(const QString& text, const QString& caption) {
  QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No, m_parent);
  box.setAccessibleName(caption);
  return box.exec() == QMessageBox::Yes;
}

std::optional<QString> QtPrompter::OpenFileName(const QString& caption, const QString& folder, const QString& filter) {
  QString path = QFileDialog::getOpenFileName(m_parent, caption, folder, filter, nullptr, kFileDialogOptions);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<QString> QtPrompter::SaveFileName(const QString& caption, const QString& folder, const QString& filter) {
  QString path = QFileDialog::getSaveFileName(m_parent, caption, folder, filter, nullptr, kFileDialogOptions);
  if (path.isEmpty()) return std::nullopt;
  return path;
}

std::optional<SerialChoice> QtPrompter::AskSerialSettings(const SerialChoice& saved) {
  return SerialSettingsDialog::Ask(saved, m_parent);
}

}  // namespace zembra
