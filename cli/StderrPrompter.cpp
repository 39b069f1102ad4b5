#include "cli/StderrPrompter.h"

namespace zembra::cli {

StderrPrompter::StderrPrompter(std::ostream& err, std::function<void()> beforeWrite)
    : m_err(err), m_beforeWrite(std::move(beforeWrite)) {}

void StderrPrompter::ShowMessage(const QString& text, const QString&, PromptIcon) {
  if (m_beforeWrite) m_beforeWrite();
  m_err << "zembra-cli: " << text.toStdString() << std::endl;
}

bool StderrPrompter::AskYesNo(const QString& text, const QString& caption) {
  ShowMessage(text, caption, PromptIcon::Question);
  return false;
}

}  // namespace zembra::cli
