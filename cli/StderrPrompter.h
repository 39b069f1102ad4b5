#pragma once
// The prompter of a program without windows: messages go to standard
// error as "zembra-cli: text", questions are answered "no", and no file or
// settings dialog is ever shown.
#include <functional>
#include <ostream>

#include "platform/Prompter.h"

namespace zembra::cli {

class StderrPrompter final : public Prompter {
 public:
  // `beforeWrite` runs before each message (the progress line wipes itself).
  StderrPrompter(std::ostream& err, std::function<void()> beforeWrite);

  void ShowMessage(const QString& text, const QString& caption, PromptIcon icon) override;
  bool AskYesNo(const QString& text, const QString& caption) override;
  std::optional<QString> OpenFileName(const QString&, const QString&, const QString&) override { return {}; }
  std::optional<QString> SaveFileName(const QString&, const QString&, const QString&) override { return {}; }
  std::optional<SerialChoice> AskSerialSettings(const SerialChoice&) override { return {}; }

 private:
  std::ostream& m_err;
  std::function<void()> m_beforeWrite;
};

}  // namespace zembra::cli
