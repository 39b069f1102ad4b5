#pragma once
// The program's prompter: real Qt dialogs, parented to the main window.
#include <QPointer>
#include <QWidget>

#include "platform/Prompter.h"

namespace zembra {

class QtPrompter final : public Prompter {
 public:
  void SetParent(QWidget* parent) { m_parent = parent; }

  void ShowMessage(const QString& text, const QString& caption, PromptIcon icon) override;
  bool AskYesNo(const QString& text, const QString& caption) override;
  std::optional<QString> OpenFileName(const QString& caption, const QString& folder, const QString& filter) override;
  std::optional<QString> SaveFileName(const QString& caption, const QString& folder, const QString& filter) override;
  std::optional<QString> ChooseOpenFile(const FileDialogRequest& request) override;
  std::optional<QString> ChooseSaveFile(const FileDialogRequest& request) override;
  std::optional<SerialChoice> AskSerialSettings(const SerialChoice& saved) override;

 private:
  QPointer<QWidget> m_parent;
};

}  // namespace zembra
