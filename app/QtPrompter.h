#pragma once
// The program's prompter: real Qt dialogs, parented to the main window.
// Once the program is ending it shows nothing more: questions get their
// safe answer (no, cancel) and messages go to standard error.
#include <QPointer>
#include <QWidget>

#include "platform/Prompter.h"

namespace zembra {

class QtPrompter final : public Prompter {
 public:
  void SetParent(QWidget* parent) { m_parent = parent; }
  void StopAsking() { m_stopped = true; }
  bool Stopped() const { return m_stopped; }

  void ShowMessage(const QString& text, const QString& caption, PromptIcon icon) override;
  bool AskYesNo(const QString& text, const QString& caption) override;
  std::optional<QString> OpenFileName(const QString& caption, const QString& folder, const QString& filter) override;
  std::optional<QString> SaveFileName(const QString& caption, const QString& folder, const QString& filter) override;
  std::optional<QString> ChooseOpenFile(const FileDialogRequest& request) override;
  std::optional<QString> ChooseSaveFile(const FileDialogRequest& request) override;
  std::optional<SerialChoice> AskSerialSettings(const SerialChoice& saved) override;

 private:
  QPointer<QWidget> m_parent;
  bool m_stopped = false;
};

}  // namespace zembra
